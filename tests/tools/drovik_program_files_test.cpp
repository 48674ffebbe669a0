// Drovik's own program and bank files against the test host's: a file the plug-in writes loads in the host, and a
// file the host writes (as any host writes them) loads through the plug-in's loaders.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "core/vst2/IPluginVST2.h"
#include "core/vst2/PluginEntry.h"
#include "effect/DrovikParams.h"
#include "run_host.h"

using namespace hosttest;

namespace {

constexpr int kProbeParam = kClipCeiling;

/// One in-process instance made through the entry point, closed when it goes.
class Local
{
public:
  Local() : mEffect(plug::VSTEntry([](vst2::Effect*, int32_t, int32_t, intptr_t, void*, float) -> intptr_t {
      return 0;
    })) {}
  ~Local() { mEffect->dispatcher(mEffect, vst2::effClose, 0, 0, nullptr, 0.f); }
  plug::IPluginVST2& Plug() const { return *static_cast<plug::IPluginVST2*>(mEffect->object); }
  float Get(int idx) const { return mEffect->getParameter(mEffect, idx); }
  void Set(int idx, float v) const { mEffect->setParameter(mEffect, idx, v); }

private:
  vst2::Effect* mEffect;
};

std::string Printed(float normalised)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%f", normalised);
  return text;
}

std::string Value(const HostRun& r, int index)
{
  const std::string line = Line(r.out, "param[" + std::to_string(index) + "]");
  const auto at = line.find("value=");
  return at == std::string::npos ? "" : line.substr(at + 6);
}

} // namespace

TEST(DrovikProgramFiles, PluginWrittenFilesLoadInTheHost)
{
  const std::string dir = TempDir();
  Local local;
  local.Set(kProbeParam, 0.25f);
  const std::string expected = Printed(local.Get(kProbeParam));
  ASSERT_TRUE(local.Plug().SaveProgramAsFXP((dir + "/p.fxp").c_str()));
  local.Plug().ModifyCurrentPreset(); // a bank holds the presets as stored
  ASSERT_TRUE(local.Plug().SaveBankAsFXB((dir + "/b.fxb").c_str()));
  const HostRun program = RunHost({"load-program", DROVIK_BUNDLE_SO, dir + "/p.fxp"});
  ASSERT_EQ(program.status, 0) << program.err;
  EXPECT_EQ(Value(program, kProbeParam), expected);
  const HostRun bank = RunHost({"load-bank", DROVIK_BUNDLE_SO, dir + "/b.fxb"});
  ASSERT_EQ(bank.status, 0) << bank.err;
  EXPECT_EQ(Value(bank, kProbeParam), expected);
}

TEST(DrovikProgramFiles, HostWrittenFilesLoadInThePlugin)
{
  const std::string dir = TempDir();
  const std::string setting = std::to_string(kProbeParam) + "=0.75";
  ASSERT_EQ(RunHost({"save-program", DROVIK_BUNDLE_SO, dir + "/h.fxp", "--param", setting}).status, 0);
  ASSERT_EQ(RunHost({"save-bank", DROVIK_BUNDLE_SO, dir + "/h.fxb", "--param", setting}).status, 0);
  {
    Local local;
    const float before = local.Get(kProbeParam);
    ASSERT_NE(Printed(before), "0.750000");
    ASSERT_TRUE(local.Plug().LoadProgramFromFXP((dir + "/h.fxp").c_str()));
    EXPECT_EQ(Printed(local.Get(kProbeParam)), "0.750000");
  }
  Local local;
  ASSERT_TRUE(local.Plug().LoadBankFromFXB((dir + "/h.fxb").c_str()));
  EXPECT_EQ(Printed(local.Get(kProbeParam)), "0.750000");
}
