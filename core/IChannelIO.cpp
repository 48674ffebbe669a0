#include "core/IChannelIO.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace plug {

namespace {
std::vector<std::string> Split(const std::string& text, char sep)
{
  std::vector<std::string> parts;
  size_t start = 0;
  while (true)
  {
    const size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos)
      return parts;
    start = at + 1;
  }
}

/// Adds the buses of one side ("2", "2.1", "*") to config; returns the side's channel total.
int ParseSide(const std::string& side, ERoute dir, IChannelIOConfig& config)
{
  int total = 0;
  for (const std::string& token : Split(side, '.'))
  {
    int n = 0;
    if (token == "*")
      n = kWildcardChannels;
    else if (std::sscanf(token.c_str(), "%d", &n) != 1)
      n = 0;
    if (n != 0)
      config.mBuses[dir].push_back({dir, n});
    total += n;
  }
  return total;
}
} // namespace

int IChannelIOConfig::GetTotalNChannels(ERoute dir) const
{
  int total = 0;
  for (const IChannelBus& bus : mBuses[dir])
    total += bus.mNChannels;
  return total;
}

int ParseChannelIOStr(const char* text, std::vector<IChannelIOConfig>& configs, IChannelIOMaxima& maxima)
{
  if (!text || !*text)
    return 0;
  int count = 0;
  for (const std::string& config : Split(text, ' '))
  {
    if (config.empty())
      continue;
    const size_t dash = config.find('-');
    IChannelIOConfig io;
    io.mTotal[kInput] = ParseSide(config.substr(0, dash), kInput, io);
    io.mTotal[kOutput] = dash == std::string::npos ? 0 : ParseSide(config.substr(dash + 1), kOutput, io);
    maxima.mNInChannels = std::max(maxima.mNInChannels, io.mTotal[kInput]);
    maxima.mNOutChannels = std::max(maxima.mNOutChannels, io.mTotal[kOutput]);
    maxima.mNInBuses = std::max(maxima.mNInBuses, io.NBuses(kInput));
    maxima.mNOutBuses = std::max(maxima.mNOutBuses, io.NBuses(kOutput));
    configs.push_back(io);
    ++count;
  }
  return count;
}

} // namespace plug
