#include "config/xml_parser.h"

#include <cstdint>
#include <utility>

#include "config/xml_entities.h"

namespace pelko {

namespace {

bool IsSpace(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

bool IsForbiddenInName(char c) { return c == '"' || c == '\'' || c == '<' || c == '='; }

}  // namespace

void TCustomXMLParser::SkipSpaces() {
    while (!AtEnd() && IsSpace(Peek())) ++Pos_;
}

bool TCustomXMLParser::ReadBare(std::string_view& word) {
    const std::size_t start = Pos_;
    while (!AtEnd()) {
        const char c = Peek();
        if (IsSpace(c) || c == '/' || c == '>') break;
        if (IsForbiddenInName(c)) return false;
        ++Pos_;
    }
    if (AtEnd() || Pos_ == start) return false;
    word = std::string_view(Text_).substr(start, Pos_ - start);
    return true;
}

bool TCustomXMLParser::ReadName(std::string_view& name) {
    SkipSpaces();
    return ReadBare(name);
}

bool TCustomXMLParser::ReadAttributeName(std::string_view& name) {
    SkipSpaces();
    if (AtEnd()) return false;
    name = {};
    if (Peek() == '/' || Peek() == '>') return true;
    const std::size_t start = Pos_;
    while (!AtEnd()) {
        const char c = Peek();
        if (IsSpace(c) || c == '=') break;
        if (c == '"' || c == '\'' || c == '<' || c == '/' || c == '>') return false;
        ++Pos_;
    }
    if (AtEnd()) return false;
    name = std::string_view(Text_).substr(start, Pos_ - start);
    return true;
}

bool TCustomXMLParser::ReadValue(std::string_view& value) {
    SkipSpaces();
    if (AtEnd()) return false;
    const char first = Peek();
    if (first == '"' || first == '\'') {
        const std::size_t close = Text_.find(first, Pos_ + 1);
        if (close == std::string::npos) return false;
        value = std::string_view(Text_).substr(Pos_ + 1, close - Pos_ - 1);
        Pos_ = close + 1;
        return true;
    }
    return ReadBare(value);
}

TCustomXMLParser::Token TCustomXMLParser::ReadToken() {
    SkipSpaces();
    if (AtEnd()) return Token::None;
    switch (Peek()) {
        case '<':
            ++Pos_;
            SkipSpaces();
            if (!AtEnd() && Peek() == '/') {
                ++Pos_;
                return Token::OpenSlash;
            }
            return Token::Open;
        case '>':
            ++Pos_;
            if (Markup_ == mkProgram) SkipSpaces();  // standard text keeps its leading blanks
            return Token::Close;
        case '/':
            ++Pos_;
            SkipSpaces();
            if (!AtEnd() && Peek() == '>') {
                ++Pos_;
                return Token::SlashClose;
            }
            return Token::Slash;
        case '=':
            ++Pos_;
            return Token::Equals;
        default:
            return Token::None;
    }
}

bool TCustomXMLParser::ReadQuoted(std::string& text) {
    const char quote = Peek();
    text.push_back(quote);
    ++Pos_;
    while (true) {
        if (AtEnd()) return false;
        const char c = Peek();
        if (c == '&') {
            std::size_t at = Pos_ + 1;
            const std::string decoded = DecodeEntity(Text_, at);
            if (decoded.empty()) return false;
            text += decoded;
            Pos_ = at - 1;
            continue;
        }
        text.push_back(c);
        ++Pos_;
        if (c == quote) return true;
    }
}

bool TCustomXMLParser::ReadText(std::string& text) {
    if (Spaces_ == spStrip) SkipSpaces();
    while (!AtEnd() && Peek() != '<') {
        const char c = Peek();
        if (IsSpace(c)) {
            if (Spaces_ == spPreserve || text.empty() || !IsSpace(text.back())) text.push_back(c);
            ++Pos_;
        } else if (c == '"' || c == '\'') {
            if (!ReadQuoted(text)) return false;
        } else if (c == '/' || c == '>') {
            return false;
        } else if (c == '&') {
            std::size_t at = Pos_ + 1;
            const std::string decoded = DecodeEntity(Text_, at);
            if (decoded.empty()) return false;
            text += decoded;
            Pos_ = at - 1;
        } else {
            text.push_back(c);
            ++Pos_;
        }
    }
    if (!AtEnd() && !text.empty() && IsSpace(text.back())) text.pop_back();
    return true;
}

bool TCustomXMLParser::SkipSection(std::string_view open, std::string_view close, std::string_view* inside,
                                   bool& broken) {
    if (Text_.compare(Pos_, open.size(), open) != 0) return false;
    const std::size_t end = Text_.find(close, Pos_ + open.size());
    if (end == std::string::npos) {
        broken = true;
        return false;
    }
    if (inside != nullptr) *inside = std::string_view(Text_).substr(Pos_ + open.size(), end - Pos_ - open.size());
    Pos_ = end + close.size();
    return true;
}

bool TCustomXMLParser::ReadStandardText(std::string& text) {
    while (!AtEnd()) {
        const char c = Peek();
        if (c == '<') {
            bool broken = false;
            std::string_view inside;
            if (SkipSection("<![CDATA[", "]]>", &inside, broken)) {
                text += inside;
                continue;
            }
            if (SkipSection("<!--", "-->", nullptr, broken) || SkipSection("<?", "?>", nullptr, broken)) continue;
            return !broken;
        }
        if (c == '&') {
            std::size_t at = Pos_ + 1;
            std::string decoded = DecodeEntity(Text_, at);
            if (decoded.empty()) decoded = DecodeCharReference(Text_, at);
            if (decoded.empty()) return false;
            text += decoded;
            Pos_ = at - 1;
            continue;
        }
        ++Pos_;
        if (c == '\r') {
            // CR LF and a lone CR are read as LF; a CR written as &#13; stays.
            text.push_back('\n');
            if (!AtEnd() && Peek() == '\n') ++Pos_;
        } else {
            text.push_back(c);
        }
    }
    return true;
}

void TCustomXMLParser::Link(TXMLNode* node) {
    if (Previous_ != nullptr)
        Previous_->Next = node;
    else if (!Stack_.empty())
        Stack_.back()->FirstChild = node;
}

bool TCustomXMLParser::ElementStart() {
    std::string_view name;
    if (!ReadName(name)) return false;
    TXMLNode* element = NewNode(nkElement);
    element->Ptr = name.data();
    element->Len = Length32(name);
    if (Root_ == nullptr) Root_ = Current_ = element;
    Link(element);
    Previous_ = element;
    return true;
}

bool TCustomXMLParser::StartTag(TXMLNode* element, bool& done) {
    TXMLAttribute* last = nullptr;
    while (true) {
        std::string_view name;
        if (!ReadAttributeName(name)) return false;
        if (name.empty()) break;
        std::string_view value;
        if (ReadToken() != Token::Equals || !ReadValue(value)) return false;
        TXMLAttribute* a = NewAttribute();
        a->NamePtr = name.data();
        a->NameLen = Length32(name);
        a->ValuePtr = value.data();
        a->ValueLen = Length32(value);
        (last == nullptr ? element->Attributes : last->Next) = a;
        last = a;
    }
    switch (ReadToken()) {
        case Token::Close:
            Stack_.push_back(element);
            Previous_ = nullptr;
            return true;
        case Token::SlashClose:
            done = Stack_.empty();
            return true;
        default:
            return false;
    }
}

bool TCustomXMLParser::Content(bool& toStart) {
    std::string text;
    if (!(Markup_ == mkStandard ? ReadStandardText(text) : ReadText(text))) return false;
    if (!text.empty()) {
        TXMLNode* node = NewNode(nkText);
        const std::string_view kept = KeepText(std::move(text));
        node->Ptr = kept.data();
        node->Len = Length32(kept);
        Link(node);
        Previous_ = node;
    }
    const Token t = ReadToken();
    if (t != Token::Open && t != Token::OpenSlash) return false;
    toStart = t == Token::Open;
    return true;
}

bool TCustomXMLParser::EndTag(bool& done) {
    std::string_view name;
    if (!ReadName(name) || Stack_.empty() || Stack_.back()->Name() != name) return false;
    if (ReadToken() != Token::Close) return false;
    Previous_ = Stack_.back();
    Stack_.pop_back();
    done = Stack_.empty();
    return true;
}

bool TCustomXMLParser::Run() {
    SkipSpaces();
    if (Text_.compare(Pos_, 2, "<?") == 0) {
        const std::size_t close = Text_.find("?>");
        if (close != std::string::npos) Pos_ = close + 2;
        SkipSpaces();
    }
    for (bool broken = false; Markup_ == mkStandard;) {
        if (!SkipSection("<!--", "-->", nullptr, broken) && !SkipSection("<?", "?>", nullptr, broken)) break;
        SkipSpaces();
    }
    if (AtEnd() || Peek() != '<') return false;
    ++Pos_;
    bool done = false;
    bool toStart = true;  // content ended at "<" (element start) or "</" (end tag)
    while (true) {
        if (toStart) {
            if (!ElementStart()) return false;
            if (!StartTag(Previous_, done)) return false;
        } else if (!EndTag(done)) {
            return false;
        }
        if (done) return true;
        if (!Content(toStart)) return false;
    }
}

bool TCustomXMLParser::Parse(std::string_view text) { return TakeAndParse(std::string(text)); }

bool TCustomXMLParser::TakeAndParse(std::string text) {
    ClearTree();
    Stack_.clear();
    Previous_ = nullptr;
    Pos_ = 0;
    Text_ = std::move(text);
    // Names, values and texts are counted in 32 bits.
    const bool ok = Text_.size() <= UINT32_MAX && Run();
    Stack_.clear();
    Previous_ = nullptr;
    if (!ok) ClearTree();
    return ok;
}

}  // namespace pelko
