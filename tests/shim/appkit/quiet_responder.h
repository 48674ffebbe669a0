// A view responder for tests that look only at what the view system answers.
#pragma once

#include <string>
#include <vector>

#include "appkit/view.h"

namespace appkit {

/// A responder that takes every event and offers nothing else.
class QuietResponder final : public ViewResponder
{
public:
  bool SendEvent(const Event&) override { return true; }
  bool DraggingEntered(const std::vector<std::string>&) override { return false; }
  bool PerformDragOperation(const std::vector<std::string>&, Point) override { return false; }
  std::string ToolTipAt(Point) override { return ""; }
  void ViewDidChangeBackingScale(double) override {}
  void ViewWindowDestroyed() override {}
};

} // namespace appkit
