// The bounds an XML text must keep before the XML library parses it. The library recurses once per nesting
// level (to parse, print and delete a document), so a deeply nested text from a shared preset file or a saved
// project would overflow the stack of the thread that reads it; and it compares each new attribute with every
// earlier one of its element, so an element with a hundred thousand attributes takes half a minute to read. A
// quick scan of the bytes refuses such a text first.
#pragma once

#include <cstddef>
#include <string_view>

struct XmlInputBounds
{
  /// Longest text taken (a preset document of every parameter is about 2 KB).
  static constexpr size_t kMaxBytes = size_t(1) << 20;
  /// Most element starts taken (a preset document has about 32). The nesting can be no deeper than the number
  /// of element starts, whatever comments, quotes or stray end tags stand between them, so this bounds the
  /// parser's recursion without parsing.
  static constexpr int kMaxElements = 256;
  /// Most markup starts ('<') taken (a preset document has about 40). The library makes a node of each, at a cost
  /// that grows with the nesting: a megabyte of comments or instructions took it a tenth of a second, half a
  /// second inside 255 elements.
  static constexpr int kMaxMarkups = 1024;
  /// Most attributes on one element (a preset document's elements have at most two).
  static constexpr int kMaxAttributesPerElement = 16;
  /// Most attributes in the whole text (a preset document of every parameter has 52).
  static constexpr int kMaxAttributes = 256;

  /// True when text is short enough and holds few enough element starts, markups and attributes to be parsed
  /// quickly and safely. [any thread]
  static bool Accepts(std::string_view text);
  /// text without a UTF-8 byte-order mark at its start.
  static std::string_view WithoutByteOrderMark(std::string_view text);
};
