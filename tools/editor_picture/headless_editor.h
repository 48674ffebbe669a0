// Drovik's editor without a display: an instance made through the plug-in's entry point with its editor, opened
// on the headless view system with the run loop on a hand clock, so that audio can be processed, the timers run
// and frames read back as pixels. For the editor's picture and its benchmarks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "appkit/headless.h"
#include "foundation/clock.h"

class Drovik;
namespace vst2 {
struct Effect;
}
namespace plug::igraphics {
class IGraphics;
}

class HeadlessEditor
{
public:
  /// Loads the bundle's artwork from bundleDir. [main thread]
  explicit HeadlessEditor(const std::string& bundleDir, double screenScale = 1.0);
  ~HeadlessEditor();
  HeadlessEditor(const HeadlessEditor&) = delete;
  HeadlessEditor& operator=(const HeadlessEditor&) = delete;

  bool Open();
  void Close();
  bool IsOpen() const;
  /// Sets a parameter as the host does (normalised).
  void SetParameter(int idx, float normalised);
  /// Loads the factory preset of that name as the preset menu's factory list does; false when there is none.
  /// [main thread]
  bool LoadFactoryPreset(const std::string& name);
  /// The names of the factory presets, in the menu's order.
  std::vector<std::string> FactoryPresetNames() const;
  /// Sets the GUI Scale as the editor's own controls do (an open editor resizes at the next tick). [main thread]
  void SetGUIScale(double scale);
  /// The current program's name as the host reads it.
  std::string ProgramName() const;
  /// Processes planar stereo audio in blocks of 512 at the rate, running the timers between blocks.
  void Process(const std::vector<float>& left, const std::vector<float>& right, double sampleRate);
  /// Advances the clock by 60 Hz frames, firing the timers.
  void Tick(int frames = 1);
  /// Ticks (at most maxTicks) until a frame newer than the last one read reaches the view; false when none came.
  bool WaitForFrame(int maxTicks = 5000);
  /// Ticks (at most maxTicks), letting the renderer finish each frame, until every frame drawn has reached the view
  /// and the editor has nothing more to draw: the picture then shows the editor's state as it is. False when the
  /// editor did not settle.
  bool Settle(int maxTicks = 600);
  /// Draws the whole editor at the next tick and waits until the renderer has finished it.
  void DrawEverything();

  struct Frame
  {
    int width = 0, height = 0;
    std::vector<uint8_t> bgra;
  };
  const Frame& LastFrame();

private:
  /// The instance behind the effect record, or null.
  Drovik* Plugin() const;
  /// The open editor's graphics context, or null.
  plug::igraphics::IGraphics* Graphics() const;
  /// Waits until the renderer has finished every frame committed so far.
  void FinishRendering();

  appkit::HeadlessApplication mApp;
  foundation::ManualClock mClock;
  vst2::Effect* mEffect = nullptr;
  int mParent = 0;
  int mFramesSeen = 0;
  bool mResumed = false;
  double mRate = 0;
  Frame mFrame;
  std::string mBundleID;
};

/// A frame's BGRA pixels as RGBA; none for an empty frame. [any thread]
std::vector<uint8_t> RgbaPixels(const HeadlessEditor::Frame& frame);
