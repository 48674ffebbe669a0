// The validator against the fixture plug-in: a sound plug-in passes every check at the strictest level, and each
// way of breaking a promise fails exactly the check that guards it, without ending the run.
#include "run_host.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace hosttest;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif

HostRun Validate(const std::string& mode, std::vector<std::string> extra = {},
                 std::vector<std::pair<std::string, std::string>> env = {})
{
  std::vector<std::string> args = {"validate", FixturePath(), "--level", "5"};
  args.insert(args.end(), extra.begin(), extra.end());
  env.emplace_back("DROVIK_FIXTURE", mode);
  return RunHost(args, env);
}

/// The lines of the report that start with a tag, e.g. "[FAIL]".
std::vector<std::string> Tagged(const std::string& out, const std::string& tag)
{
  std::vector<std::string> lines;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, tag.size(), tag) == 0) lines.push_back(line);
  return lines;
}

} // namespace

TEST(Validator, ASoundPluginPassesEveryCheckAtTheStrictestLevel)
{
  const HostRun r = Validate("sane");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(Tagged(r.out, "[FAIL]"), std::vector<std::string>{});
  EXPECT_EQ(Tagged(r.out, "[PASS]").size() + Tagged(r.out, "[SKIP]").size(), 13u);
  const std::string summary = kSanitized ? "12 passed, 0 failed, 1 skipped" : "13 passed, 0 failed";
  EXPECT_NE(Line(r.out, summary), "") << r.out;
  EXPECT_NE(Line(r.out, "[PASS] bypass and latency: oversampling \"off\" latency 0, oversampling \"2x\" latency 16, "
                        "oversampling \"4x\" latency 64; host bypass checked; bypass parameter \"Bypass\" checked"),
            "")
      << r.out;
  if (kSanitized) {
    EXPECT_NE(Line(r.out, "[SKIP] allocations on the audio thread: skipped: "), "") << r.out;
  }
}

TEST(Validator, EachBrokenPromiseFailsTheCheckThatGuardsIt)
{
  struct Case
  {
    const char* mode;
    const char* check;
    const char* why;
  } cases[] = {
      {"nan", "audio processing", "NaN at output 0"},
      {"late", "bypass and latency", "peaks 16 samples late, initialDelay is 0"},
      {"sloppy-chunk", "hostile chunks", "was refused but changed parameter 0"},
      {"hostile", "plug-in info", "record: numParams 1073741824"},
      {"crashing", "audio processing", "died of signal"},
      {"allocating", "allocations on the audio thread", "heap allocations in 256 32-bit blocks"},
  };
  for (const auto& c : cases) {
    const HostRun r = Validate(c.mode, {"--only", c.check});
    if (kSanitized && std::string(c.mode) == "allocating") {
      EXPECT_EQ(r.status, 0);
      EXPECT_NE(Line(r.out, std::string("[SKIP] ") + c.check), "") << r.out;
      continue;
    }
    if (kSanitized && std::string(c.mode) == "crashing") continue; // the sanitizer reports the abort itself
    EXPECT_EQ(r.status, 1) << c.mode;
    const auto failed = Tagged(r.out, "[FAIL]");
    ASSERT_EQ(failed.size(), 1u) << c.mode << "\n" << r.out;
    EXPECT_EQ(failed[0].compare(0, 8 + std::string(c.check).size(), std::string("[FAIL] ") + c.check + ":"), 0)
        << failed[0];
    EXPECT_NE(failed[0].find(c.why), std::string::npos) << failed[0];
    EXPECT_NE(Line(r.out, "0 passed, 1 failed"), "") << r.out;
  }
}

TEST(Validator, APluginThatCrashesFailsOneCheckAndTheRunGoesOn)
{
  if (kSanitized) GTEST_SKIP() << "the sanitizer reports the plug-in's abort itself";
  const HostRun r = Validate("crashing", {"--only", "plug-in info,audio processing,state"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Line(r.out, "[PASS] plug-in info"), "");
  EXPECT_NE(Line(r.out, "[FAIL] audio processing: the host process died of signal 6"), "") << r.out;
  EXPECT_NE(Line(r.out, "[PASS] state"), "");
  EXPECT_NE(Line(r.out, "2 passed, 1 failed"), "");
}

TEST(Validator, LevelsSelectTheChecksAndListNamesThem)
{
  const HostRun list = RunHost({"validate", "--list"});
  ASSERT_EQ(list.status, 0);
  for (const char* name : {"level 1: load cold and warm", "level 3: close and reload", "level 1: plug-in info",
                           "level 2: programs", "level 1: audio processing", "level 3: bypass and latency",
                           "level 3: automation", "level 4: allocations on the audio thread", "level 2: state",
                           "level 2: parameter fuzz", "level 4: hostile chunks",
                           "level 3: instances from several threads", "level 4: thread safety"})
    EXPECT_NE(Line(list.out, name), "") << name;
  const HostRun one = RunHost({"validate", FixturePath(), "--level", "1"});
  ASSERT_EQ(one.status, 0) << one.out;
  EXPECT_EQ(Tagged(one.out, "[PASS]").size(), 3u);
  EXPECT_NE(Line(one.out, "3 passed, 0 failed"), "");
  const HostRun skipped = RunHost({"validate", FixturePath(), "--level", "1", "--skip", "plug-in info,load cold and warm"});
  EXPECT_EQ(Tagged(skipped.out, "[PASS]"), std::vector<std::string>{Line(skipped.out, "[PASS] audio processing")});
}

TEST(Validator, RefusesUnknownChecksAndLevels)
{
  EXPECT_EQ(RunHost({"validate", FixturePath(), "--only", "no such check"}).status, 2);
  EXPECT_EQ(RunHost({"validate", FixturePath(), "--skip", "no such check"}).status, 2);
  EXPECT_EQ(RunHost({"validate", FixturePath(), "--level", "6"}).status, 2);
  EXPECT_EQ(RunHost({"validate", FixturePath(), "--level", "0"}).status, 2);
  EXPECT_EQ(RunHost({"validate"}).status, 2);
}

TEST(Validator, ARacyPluginIsCaughtByThreadSanitizer)
{
  if (!kThreadSanitizer) GTEST_SKIP() << "only ThreadSanitizer sees a race that does not crash";
  const HostRun r = Validate("racy", {"--only", "thread safety"}, {{"TSAN_OPTIONS", "halt_on_error=1"}});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Line(r.out, "[FAIL] thread safety: the check's process exited with status 66"), "") << r.out;
  EXPECT_NE(r.err.find("ThreadSanitizer: data race"), std::string::npos);
}

TEST(Validator, TheThreadChecksPassOnASoundPlugin)
{
  // Run on its own with the "threaded" label, so ThreadSanitizer watches the host and the plug-in together.
  const HostRun r = Validate("sane", {"--only", "instances from several threads,thread safety"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(Line(r.out, "2 passed, 0 failed"), "") << r.out;
}

// Announcing more latency than the plug-in has is as wrong as announcing less: the host would move the track
// early by the difference.
TEST(Validator, APluginThatAnnouncesMoreLatencyThanItHasFailsTheLatencyCheck)
{
  const HostRun r = Validate("early", {"--only", "bypass and latency"});
  EXPECT_EQ(r.status, 1);
  const auto failed = Tagged(r.out, "[FAIL]");
  ASSERT_EQ(failed.size(), 1u) << r.out;
  EXPECT_NE(failed[0].find("processed impulse on output 0 peaks 16 samples late, initialDelay is 32"),
            std::string::npos)
      << failed[0];
}
