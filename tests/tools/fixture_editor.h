// The fixture plug-in's editor: a child window of the host's that prints, on Return, the text typed into it
// ("typed: TEXT"), so the tests see what keys a host's scripted typing delivered.
#pragma once

#include "vst2/vst2.h"

#include <memory>

namespace fixture {

class Editor
{
public:
  Editor();
  ~Editor();
  /// Reads DROVIK_FIXTURE_RECT ("top,left,bottom,right") into the rectangle answered to effEditGetRect; false
  /// when it is not set.
  bool Rect(vst2::Rect*& rect);
  bool Open(void* parentWindow);
  void Idle();
  void Close();

private:
  struct X11;
  std::unique_ptr<X11> mX11;
  vst2::Rect mRect{};
};

} // namespace fixture
