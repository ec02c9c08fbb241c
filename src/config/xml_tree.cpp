#include "config/xml_tree.h"

namespace pelko {

const TXMLNode* FirstElement(const TXMLNode* chain, std::string_view name) {
    for (const TXMLNode* n = chain; n != nullptr; n = n->Next)
        if (n->NodeKind == nkElement && n->Name() == name) return n;
    return nullptr;
}

const TXMLNode* NextElement(const TXMLNode* after, std::string_view name) {
    return after == nullptr ? nullptr : FirstElement(after->Next, name);
}

const TXMLAttribute* FindAttribute(const TXMLNode* element, std::string_view name) {
    if (element == nullptr) return nullptr;
    for (const TXMLAttribute* a = element->Attributes; a != nullptr; a = a->Next)
        if (a->Name() == name) return a;
    return nullptr;
}

}  // namespace pelko
