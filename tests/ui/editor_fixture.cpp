#include "editor_fixture.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "metal_vexel.h"

namespace editortest {

const std::vector<uint8_t>& Editor::Frame()
{
  // The renderer finishes a frame on its own thread; the view shows it at the tick after. Bounded: a frame that
  // never comes fails the caller's checks instead of hanging.
  for (int i = 0; i < 2000 && View().mFramesPresented <= mFramesSeen; ++i)
  {
    Tick();
    if (View().mFramesPresented <= mFramesSeen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  mFramesSeen = View().mFramesPresented;
  return View().mFrame;
}

bool Editor::FramesInFlight()
{
  IGraphics* g = mPlugin->GetOpenGraphics();
  VXcontext* renderer = g ? static_cast<VXcontext*>(g->GetDrawContext()) : nullptr;
  return renderer && mvxFramesInFlight(renderer) > 0;
}

void Editor::Settle()
{
  for (int quiet = 0, i = 0; quiet < 10 && i < 2000; ++i)
  {
    const int before = View().mFramesPresented;
    Tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    quiet = View().mFramesPresented == before && !FramesInFlight() ? quiet + 1 : 0;
  }
  mFramesSeen = View().mFramesPresented;
}

uint32_t Editor::Pixel(int x, int y)
{
  const auto& f = View().mFrame;
  const size_t at = (size_t(y) * size_t(View().mFrameWidth) + size_t(x)) * 4;
  if (at + 3 >= f.size()) return 0;
  return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 | uint32_t(f[at + 3]) << 24;
}

double Editor::Difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width, const IRECT& r)
{
  if (a.size() != b.size() || width <= 0) return 255.0;
  double sum = 0;
  long n = 0;
  for (int y = int(r.mTop); y < int(r.mBottom); ++y)
    for (int x = int(r.mLeft); x < int(r.mRight); ++x)
      for (int c = 0; c < 3; ++c, ++n)
      {
        const size_t at = (size_t(y) * size_t(width) + size_t(x)) * 4 + size_t(c);
        sum += std::abs(int(a[at]) - int(b[at]));
      }
  return n ? sum / double(n) : 0.0;
}

void Editor::Send(appkit::EventType type, double x, double y, int clicks, double deltaY, uint32_t mods)
{
  appkit::Event e;
  e.type = type;
  e.locationInView = {x, y};
  e.clickCount = clicks;
  e.deltaY = deltaY;
  e.modifierFlags = mods;
  mApp.Deliver(View(), e);
}

IPopupMenuControl* Editor::FindPopup()
{
  IPopupMenuControl* found = nullptr;
  G().VisitControls([&](IControl& c) {
    if (auto* p = dynamic_cast<IPopupMenuControl*>(&c)) found = p;
  });
  return found;
}

bool Editor::CellOf(int panel, const char* text, double& x, double& y)
{
  IPopupMenuControl* popup = FindPopup();
  if (!popup || panel >= popup->NPanels()) return false;
  const IPopupMenuControl::PopupMenuPanel& p = popup->GetPanel(panel);
  for (int i = 0; i < p.NCells(); ++i)
  {
    const IPopupMenu::Item* item = p.mMenu->GetItem(p.mFirstShownItem + i);
    if (!item || std::string(item->GetText()) != text) continue;
    x = p.Cell(i)->CentreX();
    y = p.Cell(i)->CentreY();
    return true;
  }
  return false;
}

void Editor::ChooseFromMenu(double x, double y, const char* text)
{
  Click(x, y);
  Tick(30); // the menu fades in
  double cx = 0, cy = 0;
  ASSERT_TRUE(CellOf(0, text, cx, cy)) << "no item " << text;
  Send(appkit::EventType::kMouseMoved, cx, cy);
  Click(cx, cy);
  Tick(30); // the menu fades out and answers
}

void Editor::ProcessSine(double amplitude, double seconds, double rightAmplitude)
{
  vst2::Effect* e = mInstance->Effect();
  constexpr int kBlock = 512;
  constexpr double kRate = 48000;
  if (!mResumed)
  {
    mResumed = true;
    mInstance->Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, float(kRate));
    mInstance->Dispatch(vst2::effSetBlockSize, 0, kBlock);
    mInstance->Dispatch(vst2::effMainsChanged, 0, 1);
  }
  std::vector<float> l(kBlock), r(kBlock), ol(kBlock), or_(kBlock);
  float* in[2] = {l.data(), r.data()};
  float* out[2] = {ol.data(), or_.data()};
  const int blocks = int(seconds * kRate / kBlock);
  for (int b = 0; b < blocks; ++b)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      const double wave = std::sin(2 * M_PI * 997.0 * double(b * kBlock + i) / kRate);
      l[size_t(i)] = float(amplitude * wave);
      r[size_t(i)] = float((rightAmplitude < 0 ? amplitude : rightAmplitude) * wave);
    }
    e->processReplacing(e, in, out, kBlock);
    mClock.Advance(double(kBlock) / kRate);
    foundation::RunLoop::Main().RunDueTimers();
  }
}

} // namespace editortest
