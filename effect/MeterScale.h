// The meter scale: level in dB against needle position (0 at rest, 1 at full scale). The meter display
// interpolates on these points; the meter faces are engraved from them.
#pragma once

struct MeterScalePoint
{
  double db, position;
};

inline constexpr MeterScalePoint kMeterScale[] = {
  {-100, 0.0}, {-20, 0.08}, {-10, 0.18}, {-7, 0.295}, {-6, 0.36}, {-5, 0.43}, {-4, 0.5},  {-3, 0.565},
  {-2, 0.625}, {-1, 0.68},  {0, 0.745},  {1, 0.8},    {2, 0.855}, {3, 0.91},  {4, 1.0},
};
