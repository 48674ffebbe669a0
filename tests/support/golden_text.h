// Recorded text references for tests: a dump compared line by line with a file beside the tests, the first few
// differing lines shown with the section heading ("== name") above them. DROVIK_UPDATE_GOLDEN=1 rewrites the file.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace goldentext {

/// A number to `digits` significant digits; magnitudes below `zero` are written as 0 so the last bits of a sum
/// that should vanish do not show.
inline std::string Num(double v, double zero = 1e-4, int digits = 6)
{
  if (std::fabs(v) < zero) v = 0.0;
  char buf[40];
  std::snprintf(buf, sizeof(buf), "%.*g", digits, v);
  return buf;
}

inline std::vector<std::string> Lines(const std::string& text)
{
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

/// The bytes of a text in hexadecimal, two capital digits each.
inline std::string Hex(const std::string& bytes)
{
  std::string hex;
  for (unsigned char c : bytes)
  {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", c);
    hex += buf;
  }
  return hex;
}

/// The lines, each ended by a line break: the form the references are stored in.
inline std::string Joined(const std::vector<std::string>& lines)
{
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

/// Empty when `actual` matches the file at `path` (or the file was rewritten); else the first differences.
inline std::string Compare(const std::string& path, const std::string& actual)
{
  if (std::getenv("DROVIK_UPDATE_GOLDEN"))
  {
    std::ofstream out(path, std::ios::binary);
    out << actual;
    return out ? "" : "cannot write " + path;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return "no reference at " + path;
  std::stringstream expected;
  expected << in.rdbuf();
  const std::vector<std::string> want = Lines(expected.str()), got = Lines(actual);
  std::string section, report;
  int shown = 0;
  for (size_t i = 0; i < std::max(want.size(), got.size()) && shown < 5; ++i)
  {
    const std::string w = i < want.size() ? want[i] : "<end>", g = i < got.size() ? got[i] : "<end>";
    if (w.rfind("== ", 0) == 0) section = w;
    if (w == g) continue;
    report += section + " line " + std::to_string(i + 1) + "\n  expected: " + w + "\n  actual:   " + g + "\n";
    ++shown;
  }
  return report;
}

} // namespace goldentext
