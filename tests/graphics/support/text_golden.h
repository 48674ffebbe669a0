// Text references for tests: a dump of what the code under test did, one item a line, compared exactly with
// golden/NAME.txt of the graphics tests. A mismatch names the first differing lines and leaves NAME.actual.txt in
// the working folder; DROVIK_UPDATE_GOLDEN=1 rewrites the reference instead.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>

#include "golden_text.h"

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
  const std::string report = goldentext::Compare(std::string(DROVIK_GRAPHICS_GOLDEN_DIR) + "/" + name + ".txt", actual);
  if (!report.empty())
    std::ofstream(name + ".actual.txt", std::ios::binary) << actual;
  return report;
}

} // namespace graphicstest
