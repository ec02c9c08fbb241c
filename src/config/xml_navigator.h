#pragma once
// TSimpleXMLNavigator: holds a parsed tree and finds elements in it with a
// short path language: slash-separated names, optional zero-based [index],
// "*" for any name; a leading "/" starts at the document element.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "config/xml_tree.h"

namespace pelko {

class TSimpleXMLNavigator {
public:
    TSimpleXMLNavigator() = default;
    virtual ~TSimpleXMLNavigator() = default;
    TSimpleXMLNavigator(const TSimpleXMLNavigator&) = delete;
    TSimpleXMLNavigator& operator=(const TSimpleXMLNavigator&) = delete;

    const TXMLNode* Root() const { return Root_; }
    const TXMLNode* Current() const { return Current_; }

    // Makes the element the path names Current; false (Current kept) when
    // there is none.
    bool SelectNode(std::string_view path);
    // How many elements the last step matches, from the first match onward.
    int CountNodes(std::string_view path) const;
    // First attribute of Current with that name; "" when none.
    std::string GetAttribute(std::string_view name) const;
    // The content of Current written back as text, without entity encoding.
    std::string ContentText() const;

protected:
    void ClearTree();
    TXMLNode* NewNode(TNodeKind kind);
    TXMLAttribute* NewAttribute();
    std::string_view KeepText(std::string text);

    const TXMLNode* Root_ = nullptr;
    const TXMLNode* Current_ = nullptr;

private:
    struct Resolved {
        const TXMLNode* node = nullptr;
        bool anySteps = false;
        bool lastIndexed = false;
        std::string_view lastName;
    };
    Resolved Resolve(std::string_view path) const;

    TNodePool<TXMLNode> Nodes_;
    TNodePool<TXMLAttribute> Attributes_;
    std::deque<std::string> Texts_;
};

}  // namespace pelko
