// The about box's text: the product, its build, its format and the running host, one fact a line.
#pragma once

#include <string>

/// What the about text reports of the plug-in and its host.
struct AboutValues
{
  const char* apiName = "";  // "VST2"
  const char* architectureName = ""; // "x64"
  int hostId = -1;
  int connectedInputs = 0, connectedOutputs = 0;
  int totalInputs = 0, totalOutputs = 0;
  int latency = 0;          // samples
  double sampleRate = 0;    // Hz
  int blockSize = 0;        // samples
};

/// Title of the about box.
inline constexpr const char* kAboutTitle = "About";

/// The about text. A sample rate that is not above 0 shows the delay in milliseconds as "--". [main thread]
std::string BuildAboutText(const AboutValues& values);

/// The host's display name for a host id; "Unknown" for ids outside 1 to 50. [any thread]
const char* HostDisplayName(int hostId);
