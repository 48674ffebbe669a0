// Leaving the bypass while oversampling: no output sample may come from the audio before the bypass began
// (the resamplers run on while bypassed, so what they hold is the bypassed audio).
#include <cmath>

#include <gtest/gtest.h>

#include "engine_support.h"

TEST(Unbypass, NoAudioFromBeforeTheBypassComesBack)
{
  for (int setting : {kOS2x, kOS4x})
  {
    auto d = enginetest::Make(48000.0, 512);
    enginetest::Set(*d, {{kOversampling, setting}});
    enginetest::Stereo loud{std::vector<double>(4096), std::vector<double>(4096)};
    for (size_t i = 0; i < loud.L.size(); ++i)
      loud.L[i] = loud.R[i] = 1e6 * std::sin(0.05 * double(i)); // hostile input, as loud as it is let in
    enginetest::Process(*d, loud);
    const enginetest::Stereo silence{std::vector<double>(8192, 0.0), std::vector<double>(8192, 0.0)};
    enginetest::Set(*d, {{kBypass, 1}});
    enginetest::Process(*d, silence);
    enginetest::Set(*d, {{kBypass, 0}});
    const enginetest::Stereo out = enginetest::Process(*d, silence);
    double peak = 0.0;
    for (size_t i = 0; i < out.L.size(); ++i) peak = std::max({peak, std::fabs(out.L[i]), std::fabs(out.R[i])});
    EXPECT_LT(peak, 1e-9) << "oversampling setting " << setting;
  }
}
