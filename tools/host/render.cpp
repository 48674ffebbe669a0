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

namespace {

/// Copies input frames [start, start + n) of the channel feeding plug-in input c into `to`; frames past the
/// input's end are silence.
void FeedInput(const Audio& input, int c, size_t start, size_t n, double* to)
{
  std::fill(to, to + n, 0.0);
  if (input.channels.empty()) return;
  const auto& from = input.channels[static_cast<size_t>(c) % input.channels.size()];
  if (start >= from.size()) return;
  const size_t available = std::min(n, from.size() - start);
  std::copy(from.begin() + static_cast<std::ptrdiff_t>(start),
            from.begin() + static_cast<std::ptrdiff_t>(start + available), to);
}

} // namespace

Audio Render(Plugin& plugin, const Audio& input, const RenderSettings& settings)
{
  const size_t block = static_cast<size_t>(std::max(1, settings.blockSize));
  BlockBuffers buffers(plugin.NumInputs(), plugin.NumOutputs(), static_cast<int>(block));
  Audio output;
  output.sampleRate = settings.sampleRate;
  const size_t frames = input.Frames();
  const size_t skip = static_cast<size_t>(std::max(0, settings.alignLatency));
  output.channels.assign(static_cast<size_t>(plugin.NumOutputs()), std::vector<double>(frames, 0.0));
  for (size_t start = 0; start < frames + skip; start += block) {
    const size_t n = std::min(frames + skip - start, block);
    for (int c = 0; c < plugin.NumInputs(); ++c) FeedInput(input, c, start, n, buffers.In(c));
    buffers.Run(plugin, static_cast<int>(n), settings.useDouble);
    // Plug-in frame start + i lands on output frame start + i - skip.
    const size_t first = start < skip ? skip - start : 0;
    for (int c = 0; c < plugin.NumOutputs(); ++c)
      for (size_t i = first; i < n; ++i) output.channels[static_cast<size_t>(c)][start + i - skip] = buffers.Out(c)[i];
  }
  return output;
}

} // namespace host
