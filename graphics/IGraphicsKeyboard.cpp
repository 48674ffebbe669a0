// The computer-keyboard MIDI handler and gesture recognition by control and by region.
#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// Installs the key handler that plays MIDI notes from the keyboard; nothing until it is complete.
void IGraphics::SetQwertyMidiKeyHandlerFunc(std::function<void(const IMidiMsg&)> func) {}

// Registers a gesture region with its function; nothing until gesture regions are complete.
void IGraphics::AttachGestureRecognizerToRegion(const IRECT& bounds, EGestureType type, GestureRegionFunc func) {}

void IGraphics::ClearGestureRegions()
{
  mGestureRegions.Clear();
  mGestureRegionFuncs.clear();
}

// Whether a gesture at the point has a taker; none until gesture regions are complete.
bool IGraphics::RespondsToGesture(float x, float y) { return false; }

// Hands a gesture to its control or region; nothing until gesture regions are complete.
void IGraphics::OnGestureRecognized(const IGestureInfo& info) {}

// Tells the platform to recognise a gesture kind; nothing until gesture regions are complete.
void IGraphics::AddGestureType(EGestureType type) {}

} // namespace igraphics
} // namespace plug
