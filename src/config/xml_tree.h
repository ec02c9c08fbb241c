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

// Kept small: a configuration file makes a few hundred thousand of these.
struct TXMLAttribute {
    const char* NamePtr;
    const char* ValuePtr;
    std::uint32_t NameLen;
    std::uint32_t ValueLen;
    TXMLAttribute* Next;

    std::string_view Name() const { return {NamePtr, NameLen}; }
    std::string_view Value() const { return {ValuePtr, ValueLen}; }  // exactly as written
};

struct TXMLNode {
    TXMLNode* FirstChild;
    TXMLAttribute* Attributes;
    TXMLNode* Next;
    const char* Ptr;  // element name or text
    std::uint32_t Len;
    TNodeKind NodeKind;

    std::string_view Name() const { return {Ptr, Len}; }  // elements
    std::string_view Text() const { return {Ptr, Len}; }  // text nodes, entities decoded
};

inline std::uint32_t Length32(std::string_view s) { return static_cast<std::uint32_t>(s.size()); }

// Allocates records in large blocks without initialising them; everything
// goes at once with Clear().
template <typename T>
class TNodePool {
public:
    T* New() {
        if (used_ == kBlock || blocks_.empty()) {
            blocks_.push_back(std::make_unique_for_overwrite<T[]>(kBlock));
            used_ = 0;
        }
        T* item = &blocks_.back()[used_++];
        *item = T{};
        return item;
    }
    void Clear() {
        blocks_.clear();
        used_ = 0;
    }

private:
    static constexpr std::size_t kBlock = 4096;
    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t used_ = 0;
};

// Helpers for walking a tree without paths.
const TXMLNode* FirstElement(const TXMLNode* chain, std::string_view name);
const TXMLNode* NextElement(const TXMLNode* after, std::string_view name);
const TXMLAttribute* FindAttribute(const TXMLNode* element, std::string_view name);

}  // namespace pelko
