// The answer of a selection's owner to a request for its data, for the test helpers that play another X client
// owning the clipboard or a drag's data.
#pragma once

#include <string>

#include <X11/Xlib.h>

namespace testsupport {

/// Puts bytes of this type and format (8, or 32 for longs) into the requestor's property and tells it so.
inline void AnswerSelectionRequest(Display* display, const XSelectionRequestEvent& r, Atom type, int format,
                                   const std::string& bytes)
{
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.requestor = r.requestor;
  reply.selection = r.selection;
  reply.target = r.target;
  reply.time = r.time;
  reply.property = r.property;
  const int units = format == 32 ? static_cast<int>(bytes.size() / sizeof(long)) : static_cast<int>(bytes.size());
  XChangeProperty(display, r.requestor, r.property, type, format, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(bytes.data()), units);
  XSendEvent(display, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  XFlush(display);
}

} // namespace testsupport
