#include "render.h"

#include <algorithm>

namespace host {

BlockBuffers::BlockBuffers(int inputs, int outputs, int maxFrames)
    : mMaxFrames(std::max(1, maxFrames)),
      mInD(static_cast<size_t>(inputs), std::vector<double>(static_cast<size_t>(mMaxFrames), 0.0)),
      mOutD(static_cast<size_t>(outputs), std::vector<double>(static_cast<size_t>(mMaxFrames), 0.0)),
      mInF(static_cast<size_t>(inputs), std::vector<float>(static_cast<size_t>(mMaxFrames), 0.f)),
      mOutF(static_cast<size_t>(outputs), std::vector<float>(static_cast<size_t>(mMaxFrames), 0.f))
{
  for (auto& c : mInD) mInPD.push_back(c.data());
  for (auto& c : mOutD) mOutPD.push_back(c.data());
  for (auto& c : mInF) mInPF.push_back(c.data());
  for (auto& c : mOutF) mOutPF.push_back(c.data());
}

void BlockBuffers::Run(Plugin& plugin, int frames, bool useDouble)
{
  frames = std::max(0, std::min(frames, mMaxFrames));
  const size_t n = static_cast<size_t>(frames);
  if (useDouble) {
    for (auto& c : mOutD) std::fill(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(n), 0.0);
    plugin.ProcessDouble(mInPD.data(), mOutPD.data(), frames);
    return;
  }
  for (size_t c = 0; c < mInD.size(); ++c)
    for (size_t f = 0; f < n; ++f) mInF[c][f] = static_cast<float>(mInD[c][f]);
  for (auto& c : mOutF) std::fill(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(n), 0.f);
  plugin.Process(mInPF.data(), mOutPF.data(), frames);
  for (size_t c = 0; c < mOutD.size(); ++c)
    for (size_t f = 0; f < n; ++f) mOutD[c][f] = mOutF[c][f];
}

Audio Render(Plugin& plugin, const Audio& input, const RenderSettings& settings)
{
  const int block = std::max(1, settings.blockSize);
  BlockBuffers buffers(plugin.NumInputs(), plugin.NumOutputs(), block);
  Audio output;
  output.sampleRate = settings.sampleRate;
  const size_t frames = input.Frames();
  output.channels.assign(static_cast<size_t>(plugin.NumOutputs()), std::vector<double>(frames, 0.0));
  for (size_t start = 0; start < frames; start += static_cast<size_t>(block)) {
    const size_t n = std::min(frames - start, static_cast<size_t>(block));
    for (int c = 0; c < plugin.NumInputs(); ++c) {
      const auto& from = input.channels.empty() ? std::vector<double>(frames, 0.0)
                                                : input.channels[static_cast<size_t>(c) % input.channels.size()];
      std::copy(from.begin() + static_cast<std::ptrdiff_t>(start),
                from.begin() + static_cast<std::ptrdiff_t>(start + n), buffers.In(c));
    }
    buffers.Run(plugin, static_cast<int>(n), settings.useDouble);
    for (int c = 0; c < plugin.NumOutputs(); ++c)
      std::copy(buffers.Out(c), buffers.Out(c) + n, output.channels[static_cast<size_t>(c)].begin() +
                                                        static_cast<std::ptrdiff_t>(start));
  }
  return output;
}

} // namespace host
