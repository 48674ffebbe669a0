// Helpers for driving a whole Drovik instance the way the host's binding does: rates, parameters, blocks.
#pragma once

#include "effect/Drovik.h"

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace enginetest {

/// A Drovik whose editor side can be stood in for: which parameter the mouse is over.
class TestDrovik : public Drovik
{
public:
  TestDrovik() : Drovik(plug::InstanceInfo{}) {}
  int mMouseOver = -1;
  /// Stands in for an open editor: only ever compared with null, never used.
  bool mEditorOpen = false;
  /// Threads on which the editor's control states were refreshed.
  std::vector<std::thread::id> mControlStateThreads;
  using Drovik::ProcessCore;

  plug::igraphics::IGraphics* GetOpenGraphics() const override
  {
    return mEditorOpen ? reinterpret_cast<plug::igraphics::IGraphics*>(const_cast<TestDrovik*>(this)) : nullptr;
  }
  bool EditorWindowOpen() const override { return mEditorOpen; }
  void UpdateControlStates() override { mControlStateThreads.push_back(std::this_thread::get_id()); }
  /// The file the editor's preset menu stands in for having chosen.
  std::string mChosenPath;
  /// The lock the audio thread takes for each block.
  const plug::LibMutex& PluginLock() const { return mMutex; }

protected:
  int ParamUnderMouse() const override { return mMouseOver; }
  std::string ChosenPresetPath() const override { return mChosenPath; }
};

/// A new instance prepared for fs and blockSize (through the reset the binding performs).
std::unique_ptr<TestDrovik> Make(double fs = 48000.0, int blockSize = 512);

/// Sets parameter values as a state recall does (value, then OnParamChange with the given source).
void Set(Drovik& d, const std::vector<std::pair<int, double>>& values,
         plug::EParamChangeSource source = plug::kPresetRecall);

struct Stereo
{
  std::vector<double> L, R;
};

/// Runs the signal through ProcessBlock in blocks of `block` frames (out of place).
Stereo Process(Drovik& d, const Stereo& in, int block = 512);

} // namespace enginetest
