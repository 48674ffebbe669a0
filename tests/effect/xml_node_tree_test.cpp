// The plain XML node tree: what a text turns into, attribute look-up, and the texts it refuses.
#include <gtest/gtest.h>

#include <string>

#include "effect/XmlNodeTree.h"

using namespace plug;

namespace {

bool Parse(XmlNodeTree& tree, const std::string& text)
{
  return XmlNodeTreeParse(tree, text.c_str(), text.size(), "doc");
}

TEST(XmlNodeTree, ElementsTextsAndAttributesInDocumentOrder)
{
  XmlNodeTree tree;
  ASSERT_TRUE(Parse(tree, "<?xml version=\"1.0\"?><Preset name=\"Warm\" Val='2'>hi<Param/><!-- c --></Preset>"));
  const XmlNode* declaration = XmlNodeTreeRoot(tree);
  ASSERT_NE(declaration, nullptr);
  EXPECT_EQ(declaration->kind, XmlNode::kOther);
  const XmlNode* preset = declaration->nextSibling;
  ASSERT_NE(preset, nullptr);
  EXPECT_EQ(preset->kind, XmlNode::kElement);
  EXPECT_EQ(preset->name, "Preset");
  ASSERT_NE(preset->attributes, nullptr);
  EXPECT_EQ(preset->attributes->name, "name");
  ASSERT_NE(preset->attributes->next, nullptr);
  EXPECT_EQ(preset->attributes->next->value, "2");
  EXPECT_EQ(preset->attributes->next->next, nullptr);

  const XmlNode* text = preset->firstChild;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->kind, XmlNode::kText);
  EXPECT_EQ(text->value, "hi");
  ASSERT_NE(text->nextSibling, nullptr);
  EXPECT_EQ(text->nextSibling->name, "Param");
  ASSERT_NE(text->nextSibling->nextSibling, nullptr);
  EXPECT_EQ(text->nextSibling->nextSibling->kind, XmlNode::kOther); // the comment
  EXPECT_EQ(preset->nextSibling, nullptr);

  struct
  {
    const char* name;
    const char* value; // null: not found
  } lookups[] = {{"NAME", "Warm"}, {"val", "2"}, {"missing", nullptr}, {"", nullptr}, {nullptr, nullptr}};
  for (const auto& l : lookups)
  {
    const std::unique_ptr<char[]> value = XmlNodeAttributeValue(preset, l.name);
    if (l.value)
      EXPECT_STREQ(value.get(), l.value) << l.name;
    else
      EXPECT_EQ(value, nullptr);
  }
  EXPECT_EQ(XmlNodeFindAttribute(nullptr, "name"), nullptr);

  XmlNodeTreeRelease(tree);
  EXPECT_EQ(XmlNodeTreeRoot(tree), nullptr);
  EXPECT_EQ(tree.document, nullptr);
}

TEST(XmlNodeTree, TextsThatGiveNoTree)
{
  std::string deep;
  for (int i = 0; i < 300; ++i)
    deep += "<a>";
  const std::string withZero = std::string("<a/>") + '\0' + "<b/>";
  struct
  {
    const char* what;
    const char* text;
    size_t length;
  } cases[] = {
    {"a parse error", "<a><b></a>", 10},
    {"a zero byte before the length", withZero.c_str(), withZero.size()},
    {"no zero byte at the length", "<a/><b/>", 4},
    {"too deeply nested to parse safely", deep.c_str(), deep.size()},
    {"no text", nullptr, 0},
  };
  for (const auto& c : cases)
  {
    XmlNodeTree tree;
    ASSERT_TRUE(Parse(tree, "<old/>"));
    EXPECT_FALSE(XmlNodeTreeParse(tree, c.text, c.length, "doc")) << c.what;
    EXPECT_EQ(XmlNodeTreeRoot(tree), nullptr) << c.what; // the previous tree is gone too
    EXPECT_EQ(tree.document, nullptr) << c.what;
  }
}

} // namespace
