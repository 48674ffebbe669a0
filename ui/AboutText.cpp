#include "ui/AboutText.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

const char* const kHostNames[] = {
  "reaper", "protools", "cubase", "nuendo", "cakewalk", "vegas", "fruity", "samplitude", "live", "tracktion",
  "ntracks", "melodyne", "vstmanlib", "aulab", "forte", "chainer", "audition", "orion", "bias", "sawstudio",
  "logic", "garageband", "digital", "standalone", "audiomulch", "presonus", "vst3plugintesthost", "ardour",
  "renoise", "OpenMPT", "wavelab", "wavelab elements", "twistedwave", "bitwig studio", "www", "reason", "gwvst",
  "waveform", "audacity", "acoustica", "plugindoctor", "izotope rx", "savihost", "blue cat's vst host", "Sadie",
  "SpectraLayers", "VSTHost", "VST Plugin Analyser", "Wavosaur", "Mixbus32C",
};
constexpr int kHostNameCount = sizeof kHostNames / sizeof kHostNames[0];

constexpr const char* kManufacturer = "Vesquin";
constexpr const char* kPluginName = "Drovik";
constexpr const char* kVersionText = "1.0.1";

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
  char buf[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

} // namespace

const char* HostDisplayName(int hostId)
{
  return hostId >= 1 && hostId <= kHostNameCount ? kHostNames[hostId - 1] : "Unknown";
}

std::string BuildAboutText(const AboutValues& v)
{
  std::string text;
  text += std::string("Manufacturer: ") + kManufacturer + "\n";
  text += std::string("Plugin name: ") + kPluginName + "\n";
  text += std::string("Version: ") + kVersionText + "\n";
  text += std::string("Build date: ") + __DATE__ + "\n";
  text += "\n";
  text += std::string("Format: ") + v.apiName + " " + v.architectureName + " " + "(" + "INTEL" + ", " + "METAL" + ")\n";
  text += std::string("Host: ") + HostDisplayName(v.hostId) + "\n";
  text += "Channels: " + Format("%d-%d (%d-%d)", v.connectedInputs, v.connectedOutputs, v.totalInputs,
                                v.totalOutputs) + "\n";
  // A host that has not set a sample rate yet has no delay in milliseconds to show.
  if (v.sampleRate > 0 && std::isfinite(v.sampleRate))
    text += "Plugin delay: " + Format("%d smp (%.1lf ms)", v.latency, v.latency * 1000.0 / v.sampleRate) + "\n";
  else
    text += "Plugin delay: " + Format("%d smp (-- ms)", v.latency) + "\n";
  text += "Sample Rate: " + Format("%.2lf Hz", v.sampleRate) + "\n";
  text += "Block Size: " + Format("%d smp", v.blockSize) + "\n";
  text += "Trademarks:\n";
  text += "VST/VST3: Steinberg Media Technologies GmbH\n";
  text += "AAX: Avid Technology Inc.\n";
  text += "AU: Apple Inc.\n";
  return text;
}
