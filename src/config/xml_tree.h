#pragma once
// Nodes of a parsed markup tree. Names and attribute values are views into
// the parser's copy of the text; nodes live in the navigator's pools and are
// freed together with the tree.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pelko {

enum TNodeKind : std::uint8_t { nkElement = 0, nkText = 1 };

struct TXMLAttribute {
    std::string_view Name;
    std::string_view Value;  // exactly as written between the quotes
    TXMLAttribute* Next = nullptr;
};

struct TXMLNode {
    TNodeKind NodeKind = nkElement;
    std::string_view Name;  // elements
    std::string_view Text;  // text nodes, entities decoded
    TXMLNode* FirstChild = nullptr;
    TXMLAttribute* Attributes = nullptr;
    TXMLNode* Next = nullptr;
};

// Allocates objects in large blocks; everything goes at once with Clear().
template <typename T>
class TNodePool {
public:
    T* New() {
        if (used_ == kBlock || blocks_.empty()) {
            blocks_.push_back(std::make_unique<T[]>(kBlock));
            used_ = 0;
        }
        return &blocks_.back()[used_++];
    }
    void Clear() {
        blocks_.clear();
        used_ = 0;
    }

private:
    static constexpr std::size_t kBlock = 1024;
    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t used_ = 0;
};

// Helpers for walking a tree without paths.
const TXMLNode* FirstElement(const TXMLNode* chain, std::string_view name);
const TXMLNode* NextElement(const TXMLNode* after, std::string_view name);
const TXMLAttribute* FindAttribute(const TXMLNode* element, std::string_view name);

}  // namespace pelko
