#include "effect/XmlNodeTree.h"

#include <cstring>
#include <string_view>

#include <strings.h>
#include <tinyxml.h>

#include "effect/XmlInputBounds.h"

namespace plug {

namespace {

/// Makes the node for one document node, its attributes and, recursively, its children and the siblings after
/// it. The depth is bounded: the text was refused before parsing when it holds too many elements.
const XmlNode* Convert(XmlNodeTree& tree, const TiXmlNode* from)
{
  const XmlNode* first = nullptr;
  XmlNode* previous = nullptr;
  for (; from; from = from->NextSibling())
  {
    tree.nodes.push_back(std::make_unique<XmlNode>());
    XmlNode* node = tree.nodes.back().get();
    if (const TiXmlElement* element = from->ToElement())
    {
      node->kind = XmlNode::kElement;
      node->name = element->ValueStr();
      XmlAttribute* last = nullptr;
      for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next())
      {
        tree.attributes.push_back(std::make_unique<XmlAttribute>());
        XmlAttribute* attribute = tree.attributes.back().get();
        attribute->name = a->NameTStr();
        attribute->value = a->ValueStr();
        (last ? last->next : node->attributes) = attribute;
        last = attribute;
      }
    }
    else if (const TiXmlText* text = from->ToText())
    {
      node->kind = XmlNode::kText;
      node->value = text->ValueStr();
    }
    node->firstChild = Convert(tree, from->FirstChild());
    (previous ? previous->nextSibling : first) = node;
    previous = node;
  }
  return first;
}

} // namespace

XmlNodeTree::XmlNodeTree() = default;
XmlNodeTree::~XmlNodeTree() = default;

bool XmlNodeTreeParse(XmlNodeTree& tree, const char* text, size_t length, const char* documentName)
{
  XmlNodeTreeRelease(tree);
  if (!text || strnlen(text, length + 1) != length || !XmlInputBounds::Accepts(std::string_view(text, length)))
    return false;
  auto document = std::make_unique<TiXmlDocument>(documentName ? documentName : "");
  // Bytes are taken one by one: in its UTF-8 mode the parser can step past the end of a text cut inside a
  // multi-byte character.
  document->Parse(text, nullptr, TIXML_ENCODING_LEGACY);
  if (document->Error())
    return false;
  tree.root = Convert(tree, document->FirstChild());
  tree.document = std::move(document);
  return true;
}

const XmlNode* XmlNodeTreeRoot(const XmlNodeTree& tree) { return tree.root; }

const XmlAttribute* XmlNodeFindAttribute(const XmlNode* node, const char* name)
{
  if (!node || !name || !name[0])
    return nullptr;
  for (const XmlAttribute* a = node->attributes; a; a = a->next)
    if (strcasecmp(a->name.c_str(), name) == 0)
      return a;
  return nullptr;
}

std::unique_ptr<char[]> XmlNodeAttributeValue(const XmlNode* node, const char* name)
{
  const XmlAttribute* a = XmlNodeFindAttribute(node, name);
  if (!a)
    return nullptr;
  std::unique_ptr<char[]> copy(new char[a->value.size() + 1]);
  std::memcpy(copy.get(), a->value.c_str(), a->value.size() + 1);
  return copy;
}

void XmlNodeTreeRelease(XmlNodeTree& tree)
{
  tree.root = nullptr;
  tree.nodes.clear();
  tree.attributes.clear();
  tree.document.reset();
}

} // namespace plug
