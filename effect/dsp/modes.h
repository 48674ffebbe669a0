// The values of the effect's mode parameters as the signal path reads them: stereo placements and monitor
// channels, monitor placement, saturation curves and meter modes.
#pragma once

/// Stereo placement of the saturation and the monitor's channel selection.
enum EChannelMode
{
  kChStereo = 0,
  kChLeft = 1,
  kChRight = 2,
  kChMid = 3,
  kChSide = 4,
};

enum EMonitorPlacement
{
  kMonNormal = 0,
  kMonInPlace = 1,
};

enum ESatMode
{
  kSatClean = 0,
  kSatWarm = 1,
  kSatCrisp = 2,
  kSatClassic = 3,
};

enum EMeterMode
{
  kMeterPeak = 0,
  kMeterRMS = 1,
  kMeterEBUML = 2,
  kMeterEBUSL = 3,
  kMeterVU = 4,
};
