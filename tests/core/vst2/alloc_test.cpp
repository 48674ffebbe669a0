// The audio callbacks allocate nothing in steady state, in either precision, processing or bypassed.
#include <vector>

#include <gtest/gtest.h>

#include "alloc_counter.h"
#include "test_plug.h"

TEST(AudioThread, ProcessCallbacksDoNotAllocate)
{
  testplug::TestPlug p({}, 64);
  vst2::Effect& e = p.GetEffect();
  std::vector<float> f(4 * 512, 0.25f);
  std::vector<double> d(4 * 512, 0.25);
  float* fin[2] = {&f[0], &f[512]};
  float* fout[2] = {&f[1024], &f[1536]};
  double* din[2] = {&d[0], &d[512]};
  double* dout[2] = {&d[1024], &d[1536]};
  auto run = [&] {
    e.processReplacing(&e, fin, fout, 512);
    e.processDoubleReplacing(&e, din, dout, 512);
    e.process(&e, fin, fout, 300);
    e.processReplacing(&e, fin, fin, 512); // in place
  };
  run(); // first blocks may size buffers
  for (int bypass : {0, 1})
  {
    e.dispatcher(&e, vst2::effSetBypass, 0, bypass, nullptr, 0.f);
    testsupport::AllocationScope scope;
    for (int i = 0; i < 20; ++i)
      run();
    EXPECT_EQ(scope.Count(), 0u) << (bypass ? "bypassed" : "processing");
  }
}
