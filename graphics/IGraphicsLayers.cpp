// Off-screen layers: the layer stack, cached drawing and drop shadows.
#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// Makes a layer over r and redirects drawing into it; nothing until layers are complete.
void IGraphics::StartLayer(IControl* owner, const IRECT& r, bool cacheable) {}

ILayerPtr IGraphics::EndLayer() { return ILayerPtr(PopLayer()); }

// Pushes a layer and redirects drawing into it; nothing until layers are complete.
void IGraphics::PushLayer(ILayer* layer) {}

// Takes the layer back onto the stack; nothing until layers are complete.
void IGraphics::ResumeLayer(ILayerPtr& layer) {}

ILayer* IGraphics::PopLayer()
{
  if (mLayers.empty())
    return nullptr;
  ILayer* top = mLayers.top();
  mLayers.pop();
  return top;
}

// Whether a cached layer can be reused; never until layers are complete.
bool IGraphics::CheckLayer(const ILayerPtr& layer) { return false; }

// Draws a layer's bitmap; nothing until layers are complete.
void IGraphics::DrawLayer(const ILayerPtr& layer, const IBlend* blend) {}
void IGraphics::DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* blend) {}
void IGraphics::DrawRotatedLayer(const ILayerPtr& layer, double angle) {}

// Replaces a layer's pixels by its shadow composite; nothing until layers are complete.
void IGraphics::ApplyLayerDropShadow(ILayerPtr& layer, const IShadow& shadow) {}

} // namespace igraphics
} // namespace plug
