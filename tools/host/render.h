// Running audio through a plug-in block by block, as a host's audio callback would.
#pragma once

#include "audio_file.h"
#include "plugin.h"

#include <vector>

namespace host {

/// Planar buffers sized for one plug-in and a largest block, with the pointer arrays its callbacks take.
class BlockBuffers
{
public:
  BlockBuffers(int inputs, int outputs, int maxFrames);

  int Inputs() const { return static_cast<int>(mInD.size()); }
  int Outputs() const { return static_cast<int>(mOutD.size()); }
  int MaxFrames() const { return mMaxFrames; }
  double* In(int c) { return mInD[static_cast<size_t>(c)].data(); }
  double* Out(int c) { return mOutD[static_cast<size_t>(c)].data(); }
  /// The 32-bit output of the last Run in 32-bit form, before its widening into Out().
  const float* OutFloat(int c) const { return mOutF[static_cast<size_t>(c)].data(); }

  /// Runs `frames` frames of In() through the plug-in into Out(), in 64-bit or 32-bit form. [audio thread]
  void Run(Plugin& plugin, int frames, bool useDouble);

private:
  int mMaxFrames;
  std::vector<std::vector<double>> mInD, mOutD;
  std::vector<std::vector<float>> mInF, mOutF;
  std::vector<double*> mInPD, mOutPD;
  std::vector<float*> mInPF, mOutPF;
};

struct RenderSettings
{
  double sampleRate = 44100.0;
  int blockSize = 512;
  bool useDouble = false;
  /// Frames dropped from the start of the plug-in's output (its latency), with as many frames of silence fed
  /// after the input to flush the tail: the output then lines up with the input. 0 keeps the output as it came.
  int alignLatency = 0;
};

/// Renders `input` through a started plug-in; input channel c feeds plug-in input c (channels repeat when the
/// file has fewer). The output has the plug-in's output count and the input's length.
Audio Render(Plugin& plugin, const Audio& input, const RenderSettings& settings);

} // namespace host
