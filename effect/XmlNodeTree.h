// A plain reader over TinyXML: an XML text becomes a tree of plain nodes (elements with their attributes, texts)
// that can be walked without the XML library's types.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class TiXmlDocument;

namespace plug {

struct XmlAttribute
{
  std::string name;
  std::string value;
  const XmlAttribute* next = nullptr; // the element's next attribute, in document order
};

struct XmlNode
{
  enum Kind
  {
    kOther = 0,
    kElement = 1,
    kText = 2,
  };

  int kind = kOther;
  std::string name;  // an element's name
  std::string value; // a text's characters
  const XmlAttribute* attributes = nullptr;
  const XmlNode* firstChild = nullptr;
  const XmlNode* nextSibling = nullptr;
};

/// The parsed document and the nodes made from it; the tree owns both.
struct XmlNodeTree
{
  XmlNodeTree();
  ~XmlNodeTree();
  XmlNodeTree(const XmlNodeTree&) = delete;
  XmlNodeTree& operator=(const XmlNodeTree&) = delete;

  std::unique_ptr<TiXmlDocument> document;
  const XmlNode* root = nullptr; // made from the document's first child, with its siblings
  std::vector<std::unique_ptr<XmlNode>> nodes;
  std::vector<std::unique_ptr<XmlAttribute>> attributes;
};

/// Parses the first length bytes of text, which must hold no zero byte and be followed by one; the tree is
/// released first. False (and an empty tree) for such a text, a parse error, or a text too long or too deeply
/// nested to parse safely.
bool XmlNodeTreeParse(XmlNodeTree& tree, const char* text, size_t length, const char* documentName);
/// The root node, or null for an empty tree.
const XmlNode* XmlNodeTreeRoot(const XmlNodeTree& tree);
/// The node's first attribute whose name equals name ignoring case; null for a null node, or a null or empty name.
const XmlAttribute* XmlNodeFindAttribute(const XmlNode* node, const char* name);
/// A copy of that attribute's value, owned by the caller; null when there is no such attribute.
std::unique_ptr<char[]> XmlNodeAttributeValue(const XmlNode* node, const char* name);
/// Deletes the document and every node; the tree is empty afterwards.
void XmlNodeTreeRelease(XmlNodeTree& tree);

} // namespace plug
