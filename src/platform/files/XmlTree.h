#pragma once
// A small XML reader for the parts of a presentation's package: elements
// with their attributes and children, text left out. Names are kept without
// their namespace prefix ("p:cTn" is "cTn"), since writers choose their own
// prefixes; attributes likewise ("r:embed" is "embed").
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<XmlElement> children;

    // The attribute's value; empty when it has none.
    std::string Attribute(const std::string& key) const;
    // The first child of this name; null when there is none.
    const XmlElement* Child(const std::string& childName) const;
    // The first element of this name at any depth below (this one included).
    const XmlElement* Find(const std::string& elementName) const;
    // Every element of this name at any depth below, in document order.
    void FindAll(const std::string& elementName, std::vector<const XmlElement*>& found) const;
};

// The document's root element; nothing when the text is not well-formed
// enough to read.
std::optional<XmlElement> ParseXml(const std::string& text);

}  // namespace kv
