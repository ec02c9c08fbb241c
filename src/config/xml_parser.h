#pragma once
// The program's own markup reader. It accepts a narrow dialect: elements,
// attributes, text, six named entities and one leading <?...?> declaration.
// It works on bytes and does no character-set conversion.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/xml_navigator.h"

namespace pelko {

enum TSpaces : std::uint8_t { spPreserve = 0, spStrip = 1 };

// The program's own dialect, or the text rules of files other programs
// write (a spreadsheet's sheets): text is kept exactly as written, "/", ">"
// and quotes are plain characters, numeric character references are
// decoded, line ends become LF, comments, processing instructions and
// CDATA sections are taken as XML takes them. Attribute values stay as
// written in both.
enum TMarkup : std::uint8_t { mkProgram = 0, mkStandard = 1 };

class TCustomXMLParser : public TSimpleXMLNavigator {
public:
    TCustomXMLParser() = default;

    // Replaces the tree. On failure the tree is empty and the result false.
    virtual bool Parse(std::string_view text);
    // The same, keeping the given string as its copy of the text.
    bool TakeAndParse(std::string text);

    const std::string& Text() const { return Text_; }
    std::size_t Position() const { return Pos_ + 1; }  // 1-based

protected:
    TSpaces Spaces_ = spStrip;
    TMarkup Markup_ = mkProgram;

private:
    enum class Token { None, Open, OpenSlash, Close, SlashClose, Slash, Equals };

    bool AtEnd() const { return Pos_ >= Text_.size(); }
    char Peek() const { return Text_[Pos_]; }
    void SkipSpaces();
    // A name or an unquoted value: up to white space, '/' or '>'; never empty.
    bool ReadBare(std::string_view& word);
    bool ReadName(std::string_view& name);
    bool ReadAttributeName(std::string_view& name);
    bool ReadValue(std::string_view& value);
    Token ReadToken();
    bool ReadText(std::string& text);
    bool ReadQuoted(std::string& text);
    bool ReadStandardText(std::string& text);
    // Steps over what starts with open at Position up to and past close;
    // false when it does not start here. Sets broken when close is missing.
    bool SkipSection(std::string_view open, std::string_view close, std::string_view* inside, bool& broken);
    void Link(TXMLNode* node);
    bool Run();
    bool ElementStart();
    bool StartTag(TXMLNode* element, bool& done);
    bool Content(bool& toStart);
    bool EndTag(bool& done);

    std::string Text_;
    std::size_t Pos_ = 0;
    std::vector<TXMLNode*> Stack_;
    TXMLNode* Previous_ = nullptr;
};

class TSimpleXMLParser : public TCustomXMLParser {
public:
    TSpaces Spaces() const { return Spaces_; }
    void SetSpaces(TSpaces s) { Spaces_ = s; }
    TMarkup Markup() const { return Markup_; }
    void SetMarkup(TMarkup m) { Markup_ = m; }
};

}  // namespace pelko
