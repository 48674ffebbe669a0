// The configuration record a plug-in class fills and hands to the framework's base constructors: identity,
// channels, MIDI, state, editor and latency. The texts are borrowed; the bases copy what they keep.
#pragma once

#include <cstdint>

namespace plug {

enum EPlugType
{
  kPlugTypeEffect = 0,
  kPlugTypeInstrument = 1,
  kPlugTypeMIDIEffect = 2,
};

struct IPluginConfig
{
  int nParams = 0;
  int nPresets = 0;
  const char* channelIOStr = "";
  const char* pluginName = "";
  const char* productName = "";
  const char* makerName = "";
  int vendorVersion = 0; // major << 16 | minor << 8 | patch
  int uniqueID = 0;      // four characters, the first in the most significant byte
  int makerCode = 0;
  int latency = 0;
  bool plugDoesMidiIn = false;
  bool plugDoesMidiOut = false;
  bool plugDoesPolyExpression = false; // carried, not consulted
  bool plugDoesChunks = false;
  int plugType = kPlugTypeEffect;
  bool plugHasUI = false;
  int plugWidth = 0;
  int plugHeight = 0;
  int plugMinWidth = 0;
  int plugMaxWidth = 0;
  int plugMinHeight = 0;
  int plugMaxHeight = 0;
  bool plugHostResize = false; // carried, not consulted
  const char* bundleID = "";
};

/// Four characters packed with the first in the most significant byte.
constexpr int FourCC(const char (&s)[5])
{
  return int((unsigned(uint8_t(s[0])) << 24) | (unsigned(uint8_t(s[1])) << 16) | (unsigned(uint8_t(s[2])) << 8) |
             unsigned(uint8_t(s[3])));
}

} // namespace plug
