// The test host's editor command against the fixture plug-in: arguments and editor rectangles no window can take
// are refused with a message before any window opens, and typed text arrives with Shift where it needs it.
#include "run_host.h"
#include "x11_display.h"

#include <gtest/gtest.h>

using namespace hosttest;

TEST(EditorCommand, RefusesBadSecondsAndRectanglesNoWindowCanTake)
{
  struct Case
  {
    std::vector<std::string> extra;
    const char* rect; // top,left,bottom,right, or null for the default size
    const char* message;
  } cases[] = {
      {{"--seconds", "0"}, nullptr, "--seconds 0: expected a positive number"},
      {{"--seconds", "-2"}, nullptr, "--seconds -2: expected a positive number"},
      {{"--seconds", "soon"}, nullptr, "--seconds soon: expected a positive number"},
      {{"--seconds"}, nullptr, "--seconds needs a value"},
      {{"--move", "5"}, nullptr, "--move takes X,Y"},
      {{}, "0,0,0,300", "editor rectangle is 300x0"},
      {{}, "0,10,200,4", "editor rectangle is -6x200"},
      {{}, "50,0,20,300", "editor rectangle is 300x-30"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"editor", FixturePath()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    std::vector<std::pair<std::string, std::string>> env;
    if (c.rect) env.push_back({"DROVIK_FIXTURE_RECT", c.rect});
    const HostRun r = RunHost(args, env);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("editor "), std::string::npos) << "no window may open: " << r.out;
  }
}

TEST(EditorCommand, TypingHoldsShiftForUpperCaseAndShiftedSymbols)
{
  DROVIK_REQUIRE_TEST_DISPLAY();
  const HostRun r = RunHost({"editor", FixturePath(), "--seconds", "0.1", "--type", "20,20,aZ.-!0Bq"},
                            {{"DROVIK_FIXTURE_RECT", "0,0,100,200"}});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Line(r.out, "editor "), "editor 200x100");
  EXPECT_EQ(Line(r.out, "typed: "), "typed: aZ.-!0Bq") << r.out;
}
