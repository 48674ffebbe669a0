// The artwork tool's painters: each draws one frame of an editor bitmap at the origin, in points, and answers
// false for a bitmap it does not know.
#pragma once

#include "ui/EditorBitmaps.h"
#include "vexel.h"

namespace art {
bool PaintControl(VXcontext* vg, const EditorBitmap& b, int frame);
bool PaintMeter(VXcontext* vg, const EditorBitmap& b, int frame);
bool PaintPanel(VXcontext* vg, const EditorBitmap& b, int frame);
} // namespace art
