// The platform graphics context for tests and benchmarks of the platform layer: its drawing context can be made
// to fail, and it counts the controls it draws.
#pragma once

#include "platform/mac/IGraphicsMac.h"
#include "platform/mac/IGraphicsView.h"

namespace mactest {

using namespace plug::igraphics;

class TestMacGraphics final : public IGraphicsMac
{
public:
  using IGraphicsMac::IGraphicsMac;
  bool mContextOK = true;
  int mRegions = 0; // controls drawn

  /// Where frames land on the drawable (a platform that needs it sets this once).
  void SetDrawOffset(float x, float y) { mDrawOffsetX = x, mDrawOffsetY = y; }

  void PrepareRegion(const IRECT& clip) override
  {
    ++mRegions;
    IGraphicsMac::PrepareRegion(clip);
  }

protected:
  bool CreateDrawingContext(IGraphicsView_vDrovik_vst& view) override
  {
    return mContextOK && IGraphicsMac::CreateDrawingContext(view);
  }
};

} // namespace mactest
