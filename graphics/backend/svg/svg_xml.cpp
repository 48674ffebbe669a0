// The tokenizer: one pass over the text in two states (content and tag); terminators are written in place and
// elements are handed on as a name and a list of attribute name/value pointers into the text.
#include "svg/svg_parser.h"

namespace
{
enum XmlState
{
  kXmlContent,
  kXmlTag
};

void ParseContent(char* s, SvgContentFn content, void* userData)
{
  while (*s && SvgIsSpace(*s)) ++s;
  if (*s) content(userData, s);
}

void ParseElement(char* s, SvgStartElementFn startElement, SvgEndElementFn endElement, void* userData)
{
  const char* attr[kSvgMaxAttribPairs * 2 + 2];
  int nattr = 0;
  bool start = false;
  bool end = false;

  while (*s && SvgIsSpace(*s)) ++s;
  if (*s == '/')
  {
    ++s;
    end = true;
  }
  else
    start = true;

  // Comments, declarations and processing instructions are skipped.
  if (!*s || *s == '?' || *s == '!') return;

  const char* name = s;
  while (*s && !SvgIsSpace(*s)) ++s;
  if (*s) *s++ = '\0';

  while (!end && *s && nattr < kSvgMaxAttribPairs * 2)
  {
    while (*s && SvgIsSpace(*s)) ++s;
    if (!*s) break;
    if (*s == '/')
    {
      end = true;
      break;
    }
    const char* attrName = s;
    while (*s && !SvgIsSpace(*s) && *s != '=') ++s;
    if (*s) *s++ = '\0';
    while (*s && *s != '"' && *s != '\'') ++s;
    if (!*s) break; // a value without its opening quote ends the list
    const char quote = *s++;
    const char* attrValue = s;
    while (*s && *s != quote) ++s;
    if (*s) *s++ = '\0';
    attr[nattr++] = attrName;
    attr[nattr++] = attrValue;
  }
  attr[nattr++] = nullptr;
  attr[nattr++] = nullptr;

  if (start) startElement(userData, name, attr);
  if (end) endElement(userData, name);
}
} // namespace

int SvgParseXml(char* input, SvgStartElementFn startElement, SvgEndElementFn endElement, SvgContentFn content,
                void* userData)
{
  char* s = input;
  char* mark = s;
  XmlState state = kXmlContent;
  while (*s)
  {
    if (*s == '<' && state == kXmlContent)
    {
      *s++ = '\0';
      ParseContent(mark, content, userData);
      mark = s;
      state = kXmlTag;
    }
    else if (*s == '>' && state == kXmlTag)
    {
      *s++ = '\0';
      ParseElement(mark, startElement, endElement, userData);
      mark = s;
      state = kXmlContent;
    }
    else
      ++s;
  }
  return 1;
}
