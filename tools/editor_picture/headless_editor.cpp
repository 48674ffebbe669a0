#include "headless_editor.h"

#include <chrono>
#include <thread>

#include "core/vst2/PluginEntry.h"
#include "effect/Drovik.h"
#include "foundation/bundle.h"
#include "foundation/run_loop.h"
#include "graphics/context/IGraphics.h"
#include "metal_vexel.h"
#include "platform/mac/IGraphicsView.h"

namespace {
intptr_t SilentHost(vst2::Effect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }
constexpr int kBlock = 512;
constexpr size_t kNameBuffer = 256;
} // namespace

HeadlessEditor::HeadlessEditor(const std::string& bundleDir, double screenScale) : mBundleID(Drovik::kBundleID)
{
  mApp.mBackingScale = screenScale;
  appkit::Application::Install(&mApp);
  foundation::RunLoop::Main().UseManualClock(&mClock);
  foundation::Bundle::Register(mBundleID, bundleDir);
  mEffect = plug::VSTEntry(&SilentHost);
}

HeadlessEditor::~HeadlessEditor()
{
  if (mEffect) mEffect->dispatcher(mEffect, vst2::effClose, 0, 0, nullptr, 0.f);
  foundation::Bundle::Unregister(mBundleID);
  foundation::RunLoop::Main().UseManualClock(nullptr);
  appkit::Application::Install(nullptr);
}

bool HeadlessEditor::Open()
{
  return mEffect && mEffect->dispatcher(mEffect, vst2::effEditOpen, 0, 0, &mParent, 0.f) == 1;
}

void HeadlessEditor::Close()
{
  if (mEffect) mEffect->dispatcher(mEffect, vst2::effEditClose, 0, 0, nullptr, 0.f);
  mFramesSeen = 0;
}

bool HeadlessEditor::IsOpen() const { return !mApp.Views().empty(); }

void HeadlessEditor::SetParameter(int idx, float normalised)
{
  if (mEffect) mEffect->setParameter(mEffect, idx, normalised);
}

Drovik* HeadlessEditor::Plugin() const
{
  return mEffect ? static_cast<Drovik*>(static_cast<plug::IPluginVST2*>(mEffect->object)) : nullptr;
}

bool HeadlessEditor::LoadFactoryPreset(const std::string& name)
{
  Drovik* plugin = Plugin();
  for (int i = 0; plugin && i < plugin->NFactoryPresets(); ++i)
  {
    const plug::IPresetSlot* preset = plugin->GetFactoryPreset(i);
    if (!preset || name != preset->mName) continue;
    plugin->CopyPresetToSlot(*preset, 0);
    plugin->RestorePreset(0);
    plugin->UpdateHostDisplay();
    return true;
  }
  return false;
}

void HeadlessEditor::SetGUIScale(double scale)
{
  Drovik* plugin = Plugin();
  plug::IParam* param = plugin ? plugin->GetParam(kGUIScale) : nullptr;
  if (!param) return;
  param->Set(scale);
  plugin->OnParamChange(kGUIScale, plug::kUI, -1);
}

std::vector<std::string> HeadlessEditor::FactoryPresetNames() const
{
  std::vector<std::string> names;
  const Drovik* plugin = Plugin();
  for (int i = 0; plugin && i < plugin->NFactoryPresets(); ++i)
    if (const plug::IPresetSlot* preset = plugin->GetFactoryPreset(i)) names.emplace_back(preset->mName);
  return names;
}

std::string HeadlessEditor::ProgramName() const
{
  char name[kNameBuffer] = {}; // room past the field, as a careful host gives
  if (mEffect) mEffect->dispatcher(mEffect, vst2::effGetProgramName, 0, 0, name, 0.f);
  return name;
}

void HeadlessEditor::Process(const std::vector<float>& left, const std::vector<float>& right, double sampleRate)
{
  if (!mEffect) return;
  if (!mResumed || sampleRate != mRate)
  {
    mEffect->dispatcher(mEffect, vst2::effMainsChanged, 0, 0, nullptr, 0.f);
    mEffect->dispatcher(mEffect, vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    mEffect->dispatcher(mEffect, vst2::effSetBlockSize, 0, kBlock, nullptr, 0.f);
    mEffect->dispatcher(mEffect, vst2::effMainsChanged, 0, 1, nullptr, 0.f);
    mResumed = true, mRate = sampleRate;
  }
  std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  const size_t frames = std::min(left.size(), right.size());
  for (size_t at = 0; at < frames; at += kBlock)
  {
    const size_t n = std::min<size_t>(kBlock, frames - at);
    std::copy_n(left.begin() + long(at), n, inL.begin());
    std::copy_n(right.begin() + long(at), n, inR.begin());
    mEffect->processReplacing(mEffect, in, out, static_cast<int32_t>(n));
    mClock.Advance(static_cast<double>(n) / sampleRate);
    foundation::RunLoop::Main().RunDueTimers();
  }
}

void HeadlessEditor::Tick(int frames)
{
  for (int i = 0; i < frames; ++i)
  {
    mClock.Advance(1.0 / 60);
    foundation::RunLoop::Main().RunDueTimers();
  }
}

bool HeadlessEditor::WaitForFrame(int maxTicks)
{
  if (!IsOpen()) return false;
  appkit::HeadlessView& view = *mApp.Views().back();
  // The renderer finishes a frame on its own thread and the view shows it at the next tick.
  for (int i = 0; i < maxTicks && view.mFramesPresented <= mFramesSeen; ++i)
  {
    Tick();
    if (view.mFramesPresented <= mFramesSeen) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  const bool fresh = view.mFramesPresented > mFramesSeen;
  mFramesSeen = view.mFramesPresented;
  return fresh;
}

plug::igraphics::IGraphics* HeadlessEditor::Graphics() const
{
  Drovik* plugin = Plugin();
  plug::igraphics::IGraphics* graphics = plugin ? plugin->GetOpenGraphics() : nullptr;
  return graphics && graphics->GetWindow() ? graphics : nullptr;
}

void HeadlessEditor::FinishRendering()
{
  plug::igraphics::IGraphics* graphics = Graphics();
  auto* context = graphics ? static_cast<VXcontext*>(graphics->GetDrawContext()) : nullptr;
  if (std::shared_ptr<MTLCommandQueue> queue = context ? mvxGetCommandQueue(context) : nullptr)
  {
    std::shared_ptr<MTLCommandBuffer> last = queue->commandBuffer(); // the queue runs in order
    last->commit();
    last->waitUntilCompleted();
  }
}

bool HeadlessEditor::Settle(int maxTicks)
{
  plug::igraphics::IGraphics* graphics = Graphics();
  if (!graphics) return false;
  auto& view = *static_cast<plug::igraphics::IGraphicsView_vDrovik_vst*>(graphics->GetWindow());
  // A tick's frame is finished before the next tick, which shows it: the view rests only once a run of ticks has
  // neither drawn nor shown anything. The first ticks also let the plug-in's timer hand on what it has queued.
  constexpr int kFirstTicks = plug::igraphics::IGraphicsView_vDrovik_vst::kQuietTicksBeforeRest + 2;
  for (int i = 0; i < maxTicks && (i < kFirstTicks || !view.IsResting()); ++i)
  {
    Tick();
    FinishRendering();
  }
  mFramesSeen = IsOpen() ? mApp.Views().back()->mFramesPresented : 0;
  return view.IsResting();
}

void HeadlessEditor::DrawEverything()
{
  if (plug::igraphics::IGraphics* graphics = Graphics())
  {
    graphics->SetAllControlsDirty();
    Tick();
    FinishRendering();
  }
}

const HeadlessEditor::Frame& HeadlessEditor::LastFrame()
{
  if (IsOpen())
  {
    const appkit::HeadlessView& view = *mApp.Views().back();
    mFrame.width = view.mFrameWidth, mFrame.height = view.mFrameHeight, mFrame.bgra = view.mFrame;
  }
  return mFrame;
}

std::vector<uint8_t> RgbaPixels(const HeadlessEditor::Frame& frame)
{
  if (frame.width <= 0 || frame.height <= 0 || frame.bgra.size() < size_t(frame.width) * size_t(frame.height) * 4)
    return {};
  std::vector<uint8_t> rgba(frame.bgra);
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
  return rgba;
}
