// The saturation settings that parameter handling writes and the saturators and the per-sample chain read.
#pragma once

struct SatSettings
{
  int on = 0;                // 1 = saturation on
  int placement = 0;         // EChannelMode: 0 Stereo, 1 Left, 2 Right, 3 Mid, 4 Side
  int mode = 0;              // ESatMode: 0 clean, 1 warm, 2 crisp, 3 classic
  int stages = 1;            // 1..5
  double even = 0.0;         // even-harmonics drive, percent
  double odd = 0.0;          // odd-harmonics drive, percent
  double fluctuation = 0.0;  // percent
};
