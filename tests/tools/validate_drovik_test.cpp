// The validator against the built Drovik bundle at the strictest level, in the plain and the AddressSanitizer
// builds; the thread checks drive its audio, parameter and state paths from several threads at once.
#include "run_host.h"

#include <gtest/gtest.h>

using namespace hosttest;

TEST(ValidateDrovik, PassesEveryCheckAtTheStrictestLevel)
{
  const HostRun r = RunHost({"validate", DrovikBundle(), "--level", "5"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(Line(r.out, "[FAIL]"), "") << r.out;
  EXPECT_TRUE(Line(r.out, "13 passed, 0 failed") != "" || Line(r.out, "12 passed, 0 failed, 1 skipped") != "") << r.out;
  EXPECT_NE(r.out.find("oversampling \"2x\" latency "), std::string::npos) << r.out;
}

TEST(ValidateDrovik, ThreadChecksPassWithDifferentSeeds)
{
  for (const char* seed : {"2", "3"}) {
    const HostRun r = RunHost(
        {"validate", DrovikBundle(), "--level", "5", "--seed", seed, "--only", "instances from several threads,thread safety"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(Line(r.out, "2 passed, 0 failed"), "") << r.out;
  }
}
