// Names the test host prints between double quotes: whatever bytes a plug-in's name holds, the printed form is one
// line that reads back to those bytes.
#include "host/quoted_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace host;

namespace {

/// Reads a printed form back: the bytes between the quotes with the escapes undone; "?" for a malformed form.
std::string ReadBack(const std::string& printed)
{
  if (printed.size() < 2 || printed.front() != '"' || printed.back() != '"') return "?";
  std::string out;
  for (size_t i = 1; i + 1 < printed.size(); ++i) {
    const char c = printed[i];
    if (c == '"' || static_cast<unsigned char>(c) < 32) return "?"; // bare: the form would end or break there
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i + 2 >= printed.size()) return "?";
    const char next = printed[++i];
    if (next == 'x') {
      if (i + 3 >= printed.size()) return "?";
      out += static_cast<char>(std::stoi(printed.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += next;
    }
  }
  return out;
}

TEST(QuotedText, EveryNameReadsBackFromItsPrintedForm)
{
  const std::string names[] = {"Gain", "", "say \"hi\"", "C:\\presets\\", "a\\\"b", "tab\there", "line\nbreak",
                               std::string("nul\0byte", 8), "del\x7f", "\\x41 is not A", "caf\xc3\xa9"};
  for (const std::string& name : names) {
    const std::string printed = Quote(name);
    EXPECT_EQ(printed.find('\n'), std::string::npos) << printed;
    EXPECT_EQ(ReadBack(printed), name) << printed;
  }
  EXPECT_EQ(Quote("a\"b\\c\x01"), "\"a\\\"b\\\\c\\x01\"");
}

} // namespace
