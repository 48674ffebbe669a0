#include "engine_support.h"

namespace enginetest {

std::unique_ptr<TestDrovik> Make(double fs, int blockSize)
{
  auto d = std::make_unique<TestDrovik>();
  d->plug::IPluginProcessor::SetSampleRate(fs);
  d->plug::IPluginProcessor::SetBlockSize(blockSize);
  d->OnReset();
  return d;
}

void Set(Drovik& d, const std::vector<std::pair<int, double>>& values, plug::EParamChangeSource source)
{
  for (const auto& v : values)
  {
    if (plug::IParam* p = d.GetParam(v.first)) p->Set(v.second);
    d.OnParamChange(v.first, source, -1);
  }
}

Stereo Process(Drovik& d, const Stereo& in, int block)
{
  Stereo out{std::vector<double>(in.L.size()), std::vector<double>(in.R.size())};
  for (size_t start = 0; start < in.L.size(); start += static_cast<size_t>(block))
  {
    const int n = static_cast<int>(std::min(static_cast<size_t>(block), in.L.size() - start));
    double* inputs[2] = {const_cast<double*>(in.L.data()) + start, const_cast<double*>(in.R.data()) + start};
    double* outputs[2] = {out.L.data() + start, out.R.data() + start};
    d.ProcessBlock(inputs, outputs, n);
  }
  return out;
}

} // namespace enginetest
