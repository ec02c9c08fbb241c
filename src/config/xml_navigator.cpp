#include "config/xml_navigator.h"

#include <optional>
#include <vector>

#include "config/xml_path_index.h"

namespace pelko {

namespace {

std::string_view TrimControls(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

struct Step {
    std::string_view name;
    std::int64_t index = 0;
    bool indexed = false;
};

std::optional<Step> SplitStep(std::string_view step) {
    const std::size_t open = step.find('[');
    if (open == std::string_view::npos) return Step{step, 0, false};
    if (step.back() != ']') return std::nullopt;
    const std::size_t close = step.size() - 1;
    if (close < open + 1) return std::nullopt;
    const std::optional<std::int64_t> index = ParsePathIndex(step.substr(open + 1, close - open - 1));
    if (!index) return std::nullopt;
    return Step{step.substr(0, open), *index, true};
}

bool Matches(const TXMLNode* n, std::string_view name) {
    return n->NodeKind == nkElement && (name == "*" || n->Name() == name);
}

const TXMLNode* FindMatch(const TXMLNode* parent, const Step& step) {
    if (step.index < 0) return nullptr;
    std::int64_t left = step.index;
    for (const TXMLNode* n = parent->FirstChild; n != nullptr; n = n->Next) {
        if (!Matches(n, step.name)) continue;
        if (left == 0) return n;
        --left;
    }
    return nullptr;
}

}  // namespace

TSimpleXMLNavigator::Resolved TSimpleXMLNavigator::Resolve(std::string_view path) const {
    Resolved r;
    if (Root_ == nullptr) return r;
    path = TrimControls(path);
    const TXMLNode* node = Current_;
    if (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
        node = Root_;
    }
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view stepText = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
        const std::optional<Step> step = SplitStep(stepText);
        if (!step) return Resolved{};
        node = FindMatch(node, *step);
        if (node == nullptr) return Resolved{};
        r.anySteps = true;
        r.lastIndexed = step->indexed;
        r.lastName = step->name;
    }
    r.node = node;
    return r;
}

bool TSimpleXMLNavigator::SelectNode(std::string_view path) {
    const Resolved r = Resolve(path);
    if (r.node == nullptr) return false;
    Current_ = r.node;
    return true;
}

int TSimpleXMLNavigator::CountNodes(std::string_view path) const {
    const Resolved r = Resolve(path);
    if (r.node == nullptr) return 0;
    if (r.node == Root_ || r.lastIndexed || !r.anySteps) return 1;
    int count = 0;
    for (const TXMLNode* n = r.node; n != nullptr; n = n->Next)
        if (Matches(n, r.lastName)) ++count;
    return count;
}

std::string TSimpleXMLNavigator::GetAttribute(std::string_view name) const {
    const TXMLAttribute* a = FindAttribute(Current_, name);
    return a == nullptr ? std::string() : std::string(a->Value());
}

std::string TSimpleXMLNavigator::ContentText() const {
    std::string out;
    if (Current_ == nullptr) return out;
    // Explicit stack: a deeply nested document must not exhaust the call stack.
    std::vector<const TXMLNode*> open;
    const TXMLNode* n = Current_->FirstChild;
    while (true) {
        while (n == nullptr) {
            if (open.empty()) return out;
            const TXMLNode* parent = open.back();
            open.pop_back();
            out.append("</").append(parent->Name()).append(">");
            n = parent->Next;
        }
        if (n->NodeKind == nkText) {
            out.append(n->Text());
            n = n->Next;
            continue;
        }
        out.append("<").append(n->Name());
        for (const TXMLAttribute* a = n->Attributes; a != nullptr; a = a->Next)
            out.append(" ").append(a->Name()).append("=\"").append(a->Value()).append("\"");
        if (n->FirstChild == nullptr) {
            out.append("/>");
            n = n->Next;
        } else {
            out.append(">");
            open.push_back(n);
            n = n->FirstChild;
        }
    }
}

void TSimpleXMLNavigator::ClearTree() {
    Root_ = nullptr;
    Current_ = nullptr;
    Nodes_.Clear();
    Attributes_.Clear();
    Texts_.clear();
}

TXMLNode* TSimpleXMLNavigator::NewNode(TNodeKind kind) {
    TXMLNode* n = Nodes_.New();
    n->NodeKind = kind;
    return n;
}

TXMLAttribute* TSimpleXMLNavigator::NewAttribute() { return Attributes_.New(); }

std::string_view TSimpleXMLNavigator::KeepText(std::string text) {
    Texts_.push_back(std::move(text));
    return Texts_.back();
}

}  // namespace pelko
