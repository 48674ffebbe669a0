// Channel-I/O configurations ("1-1 2-2": configurations separated by blanks, inputs and outputs by '-', buses
// by '.', "*" a wildcard bus) and their parser.
#pragma once

#include <vector>

namespace plug {

enum ERoute
{
  kInput = 0,
  kOutput = 1,
};

/// A wildcard bus ("*") counts this many channels.
constexpr int kWildcardChannels = -64;

struct IChannelBus
{
  ERoute mDirection;
  int mNChannels;
};

struct IChannelIOConfig
{
  std::vector<IChannelBus> mBuses[2];

  int NBuses(ERoute dir) const { return static_cast<int>(mBuses[dir].size()); }
  /// Sum of the bus channel counts of one direction.
  int GetTotalNChannels(ERoute dir) const;
  /// Wildcards included in the totals the parser computed.
  int mTotal[2] = {0, 0};
};

/// Largest values over all configurations of one text.
struct IChannelIOMaxima
{
  int mNInChannels = 0;
  int mNOutChannels = 0;
  int mNInBuses = 0;
  int mNOutBuses = 0;
};

/// Parses text into configs (appended) and returns how many configurations it held.
int ParseChannelIOStr(const char* text, std::vector<IChannelIOConfig>& configs, IChannelIOMaxima& maxima);

} // namespace plug
