// The scan an XML text passes before it is parsed: how many attributes it finds, where an '=' is no attribute,
// the texts it refuses because the XML library could read an element start tag that the scan cannot see, and the
// element starts and markups it counts, and the longest text it takes.
#include <gtest/gtest.h>

#include <string>

#include "effect/XmlInputBounds.h"

namespace {

/// n attributes with distinct names, each written as form writes " name=value" around the name.
std::string Attributes(int n, const std::string& form = "=\"1\"")
{
  std::string out;
  for (int i = 0; i < n; ++i)
    out += " a" + std::to_string(i) + form;
  return out;
}

std::string Repeated(const std::string& s, int n)
{
  std::string out;
  for (int i = 0; i < n; ++i)
    out += s;
  return out;
}

const std::string kEquals(1000, '=');
const std::string kSeventeen = "<b" + Attributes(17) + "/>";

struct Case
{
  const char* what;
  std::string text;
};

// An '&' that opens no numbered reference is one byte of text or value: what follows it is read as ever.
TEST(XmlInputBounds, StepsOverAnAmpersandThatOpensNoNumberedReference)
{
  const Case cases[] = {
    {"an ampersand opening the text", "&" + kSeventeen},
    {"a named reference opening it", "&lt;" + kSeventeen},
    {"an ampersand right before an element", "<r>&" + kSeventeen + "</r>"},
    {"a named reference before one", "<r>x&amp;" + kSeventeen + "</r>"},
    {"an ampersand as a value", "<r v=\"&\"" + Attributes(17) + "/>"},
    {"a named reference in a value", "<r v='&amp;'" + Attributes(17) + "/>"},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(XmlInputBounds::Accepts(c.text)) << c.what;
}

TEST(XmlInputBounds, TakesEveryEqualsSignThatIsNoAttribute)
{
  const Case cases[] = {
    {"a preset of every parameter", "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\"><Preset name=\"P\">"
                                    "<Parameter>" + Repeated("<Param name=\"Input Trim\" val=\"0.000000\" />", 25) +
                                    "</Parameter></Preset></PresetXMLTree>"},
    {"the most attributes one element may have", "<r" + Attributes(16) + "/>"},
    {"the most a document may have", Repeated("<r" + Attributes(16) + "/>", 16)},
    {"blanks and no quotes", "<r a = 1 b\n=\n'2' c=3/>"},
    {"double-quoted values", "<r a=\"" + kEquals + "\" b=\"'" + kEquals + "'\"/>"},
    {"single-quoted values", "<r a='" + kEquals + "' b='\"" + kEquals + "\"'/>"},
    {"a text", "<r>" + kEquals + "</r>"},
    {"a comment", "<r><!--" + kEquals + ">" + kSeventeen + "--></r>"},
    {"a comment whose opening runs into its end", "<r><!--->" + kSeventeen + "--></r>"},
    {"character data", "<r><![CDATA[" + kEquals + ">" + kSeventeen + "]]></r>"},
    {"a broken reference ending a comment", "<r><!--&#--></r>"},
    {"one ending character data", "<r><![CDATA[&#]]></r>"},
    {"a document type and an end tag", "<!DOCTYPE r [" + kEquals + "]><r></r " + kEquals + ">"},
    {"instructions", "<?xml version=\"1.0\" encoding='UTF-8' standalone = \"yes\"?><?other " + kEquals + "?><r/>"},
    {"character references", "<r a=\"&#x3C;&#60;&amp;&quot;\">&#x3c;&lt;&#34;" + kEquals + "</r>"},
    {"hexadecimal references in either case", "<r a=\"&#X3F;&#xaF;&#XAf;\">&#X3e;&#Xbc;" + kEquals + "</r>"},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(XmlInputBounds::Accepts(c.text)) << c.what;
}

TEST(XmlInputBounds, RefusesTooManyAttributes)
{
  const Case cases[] = {
    {"one over on one element", "<r" + Attributes(17) + "/>"},
    {"with blanks around the signs", "<r" + Attributes(17, " =\n'x'") + ">"},
    {"without quotes", "<r" + Attributes(17, "=1") + "></r>"},
    {"one over in the document", Repeated("<r" + Attributes(16) + "/>", 16) + "<r a='1'/>"},
    {"behind a text, a comment and character data", "<r>" + kEquals + "<!-- -->x<![CDATA[]]>" + kSeventeen + "</r>"},
    {"behind markup that is no comment", "<!-x>" + kSeventeen},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(XmlInputBounds::Accepts(c.text)) << c.what;
}

// Each of these texts holds an element the library reads with seventeen attributes, hidden from a scan that takes
// quotes in markup other than a start tag as the library does not (it ends a document type or an instruction at
// its first '>', except in the quoted values of its declaration, which it finds between blanks) or that ends a
// character reference at its first byte that is not a digit. A reference not ended by ';' is refused whatever
// follows it.
TEST(XmlInputBounds, RefusesTextsThatCouldHideAnElementStartTag)
{
  const Case cases[] = {
    {"a '>' between quotes of a document type", "<!DOCTYPE r \"><r>" + kSeventeen + "</r>\">"},
    {"a '>' between quotes of an instruction", "<?other a=\"><r>" + kSeventeen + "</r>\"?>"},
    {"a blank between them", "<?xml a=\"x version=\"y><!--\"?><r>" + kSeventeen + "</r>-->"},
    {"a reference over a comment", "<r>&#x<!--x;" + kSeventeen + "--></r>"},
    {"a decimal one", "<r>&#<!--#;" + kSeventeen + "--></r>"},
    {"a reference over a quote", "<r v=\"&#x\"x;\"" + Attributes(17) + "/>"},
    {"a reference in an instruction", "<?xml version=\"&#x\"><!--x;\"?>" + kSeventeen + "-->"},
    {"a reference ended by a blank, with nothing behind it", "<r>&#12 </r>"},
    {"one ended by a letter in a value", "<r a=\"&#x4g;\"/>"},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(XmlInputBounds::Accepts(c.text)) << c.what;
}

// The library opens an element at '<' and any byte from 0x7F up, as at a letter.
TEST(XmlInputBounds, CountsEveryByteThatOpensAnElement)
{
  EXPECT_TRUE(XmlInputBounds::Accepts(Repeated("<\x7F>", 256)));
  EXPECT_FALSE(XmlInputBounds::Accepts(Repeated("<\x7F>", 257)));
  EXPECT_FALSE(XmlInputBounds::Accepts(Repeated("<\xC3\xA9>", 257)));
  EXPECT_TRUE(XmlInputBounds::Accepts(Repeated("<1>< a>", 257)));
  EXPECT_FALSE(XmlInputBounds::Accepts(Repeated("<a>", 256) + "<a")); // the text's last byte counts too
  for (const std::string opens : {"a", "z", "A", "Z", "_"})
  {
    EXPECT_TRUE(XmlInputBounds::Accepts(Repeated("<" + opens + ">", 256))) << opens;
    EXPECT_FALSE(XmlInputBounds::Accepts(Repeated("<" + opens + ">", 257))) << opens;
  }
  for (const std::string other : {"@", "[", "`", "{", "^", "-", "~", "0", "9"})
    EXPECT_TRUE(XmlInputBounds::Accepts(Repeated("<" + other + ">", 257))) << other;
}

// Between the quotes of an instruction every byte a locale might take for a blank makes the text unreadable for
// certain; a byte that is never a blank keeps the value whole (and the element behind it in a comment).
TEST(XmlInputBounds, RefusesEveryPossibleBlankInAnInstructionValue)
{
  const auto text = [](char c) {
    return "<?xml a=\"x" + std::string(1, c) + "version=\"y><!--\"?><r>" + kSeventeen + "</r>-->";
  };
  for (const char blank : {' ', '\t', '\n', '\v', '\f', '\r', '\x80', '\xFF'})
    EXPECT_FALSE(XmlInputBounds::Accepts(text(blank))) << int(static_cast<unsigned char>(blank));
  for (const char other : {'\x08', '\x0E', '\x7F', 'v'})
    EXPECT_TRUE(XmlInputBounds::Accepts(text(other))) << int(other);
}

// The library makes a node of every markup, whatever it is.
TEST(XmlInputBounds, CountsEveryMarkup)
{
  for (const std::string markup : {"<!---->", "<?x?>", "</a>", "<![CDATA[]]>", "<!x>", "<>"})
  {
    EXPECT_TRUE(XmlInputBounds::Accepts(Repeated(markup, 1024))) << markup;
    EXPECT_FALSE(XmlInputBounds::Accepts(Repeated(markup, 1025))) << markup;
  }
}

// The longest text taken is one mebibyte.
TEST(XmlInputBounds, TakesTextsUpToTheLongestAndNoLonger)
{
  std::string text = "<a/>" + std::string((size_t(1) << 20) - 4, ' ');
  EXPECT_TRUE(XmlInputBounds::Accepts(text));
  text += ' ';
  EXPECT_FALSE(XmlInputBounds::Accepts(text));
}

} // namespace
