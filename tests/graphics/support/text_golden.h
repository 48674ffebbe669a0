// Text references for tests: a dump of what the code under test did, one item a line, compared exactly with
// golden/NAME.txt of the graphics tests. A mismatch names the first differing lines and leaves NAME.actual.txt in
// the working folder; DROVIK_UPDATE_GOLDEN=1 rewrites the reference instead.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace graphicstest {

/// A number as the dumps print it: 6 significant digits, no negative zero.
inline std::string Num(double v)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v == 0.0 ? 0.0 : v);
  return buf;
}

/// Empty when actual equals the reference NAME.txt line for line, else the first differences.
inline std::string CompareTextGolden(const std::string& name, const std::string& actual)
{
  const std::string path = std::string(DROVIK_GRAPHICS_GOLDEN_DIR) + "/" + name + ".txt";
  if (std::getenv("DROVIK_UPDATE_GOLDEN"))
  {
    std::ofstream out(path, std::ios::binary);
    out << actual;
    return out ? "" : "cannot write " + path;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return "no reference " + path + " (DROVIK_UPDATE_GOLDEN=1 writes it)";
  std::stringstream expected;
  expected << in.rdbuf();
  if (expected.str() == actual)
    return "";
  std::ofstream(name + ".actual.txt", std::ios::binary) << actual;
  auto lines = [](const std::string& s) {
    std::vector<std::string> v;
    std::istringstream is(s);
    for (std::string l; std::getline(is, l);)
      v.push_back(l);
    return v;
  };
  const std::vector<std::string> e = lines(expected.str()), a = lines(actual);
  std::string report = name + " differs from its reference (" + std::to_string(e.size()) + " lines expected, " +
                       std::to_string(a.size()) + " got):\n";
  int shown = 0;
  for (size_t i = 0; i < std::max(e.size(), a.size()) && shown < 5; ++i)
  {
    const std::string& x = i < e.size() ? e[i] : "<none>";
    const std::string& y = i < a.size() ? a[i] : "<none>";
    if (x != y)
      report += "  line " + std::to_string(i + 1) + ": expected \"" + x + "\", got \"" + y + "\"\n", ++shown;
  }
  return report;
}

} // namespace graphicstest
