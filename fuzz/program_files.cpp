// Any bytes as a program file and as a bank file, for a plug-in with and one without state chunks: the loaders
// must refuse or apply, never read out of bounds, and leave every parameter within its range.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "core/IPluginBase.h"

namespace {

class Plug : public plug::IPluginBase
{
public:
  explicit Plug(bool chunks) : IPluginBase(3, 2)
  {
    GetParam(0)->InitDouble("gain", 0.0, -10.0, 10.0, 0.01);
    GetParam(1)->InitInt("mode", 1, 0, 4);
    GetParam(2)->InitBool("on", false);
    mStateChunks = chunks;
    mUniqueID = 0x56513730;
    mVersion = 0x00010001;
    FillEmptyPresets();
  }
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}

  void CheckRanges() const
  {
    for (int i = 0; i < NParams(); ++i)
    {
      const double v = GetParam(i)->Value();
      if (!(v >= GetParam(i)->GetMin() && v <= GetParam(i)->GetMax()))
        __builtin_trap();
    }
  }
};

std::string ScratchPath()
{
  return "/tmp/drovik-fxp-fuzz-" + std::to_string(getpid());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static const std::string path = ScratchPath();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file)
    return 0;
  if (size > 0)
    std::fwrite(data, 1, size, file);
  std::fclose(file);
  for (bool chunks : {false, true})
  {
    Plug plug(chunks);
    plug.LoadProgramFromFXP(path.c_str());
    plug.CheckRanges();
    plug.LoadBankFromFXB(path.c_str());
    plug.CheckRanges();
  }
  std::remove(path.c_str());
  return 0;
}
