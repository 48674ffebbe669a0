// The control-list positions of one VU meter group, which the editor's layout records in the plug-in and the
// meter display reads.
#pragma once

/// The control-list indices of one VU meter group (-1: none).
struct VuMeterCtrlIdx
{
  int base = -1, off = -1, needle = -1, needle1 = -1, lamp = -1, leftText = -1, refText = -1, rightText = -1;
};
