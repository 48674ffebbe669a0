#include "core/HostId.h"

#include <cctype>
#include <cstring>

namespace plug {

namespace {
struct HostKey
{
  const char* mKey;
  int mId;
};

// Searched in this order; the first key found decides ("wavelab elements" before "wavelab", the generic
// "standalone" and "www" last).
const HostKey kHostKeys[] = {
  {"reaper", kHostReaper}, {"protools", kHostProTools}, {"cubase", kHostCubase}, {"nuendo", kHostNuendo},
  {"cakewalk", kHostSonar}, {"vegas", kHostVegas}, {"fruity", kHostFL}, {"samplitude", kHostSamplitude},
  {"live", kHostAbletonLive}, {"tracktion", kHostTracktion}, {"ntracks", kHostNTracks},
  {"melodyne", kHostMelodyneStudio}, {"vstmanlib", kHostVSTScanner}, {"aulab", kHostAULab},
  {"forte", kHostForte}, {"chainer", kHostChainer}, {"audition", kHostAudition}, {"orion", kHostOrion},
  {"bias", kHostBias}, {"sawstudio", kHostSAWStudio}, {"logic", kHostLogic}, {"garageband", kHostGarageBand},
  {"digital", kHostDigitalPerformer}, {"audiomulch", kHostAudioMulch}, {"presonus", kHostStudioOne},
  {"vst3plugintesthost", kHostVST3TestHost}, {"ardour", kHostArdour}, {"renoise", kHostRenoise},
  {"openmpt", kHostOpenMPT}, {"wavelab elements", kHostWaveLabElements}, {"wavelab", kHostWaveLab},
  {"twistedwave", kHostTwistedWave}, {"bitwig studio", kHostBitwig}, {"reason", kHostReason},
  {"gwvst", kHostGoldWave5x}, {"waveform", kHostWaveform}, {"audacity", kHostAudacity},
  {"acoustica", kHostAcoustica}, {"plugindoctor", kHostPluginDoctor}, {"izotope rx", kHostiZotopeRX},
  {"savihost", kHostSAVIHost}, {"blue cat's vst host", kHostBlueCat}, {"sadie", kHostSadie},
  {"spectralayers", kHostSpectraLayers}, {"vsthost", kHostVSTHost}, {"vst plugin analyser", kHostVSTPluginAnalyser},
  {"wavosaur", kHostWavosaur}, {"mixbus32c", kHostMixbus32C}, {"standalone", kHostStandalone}, {"www", kHostWWW},
};
static_assert(sizeof(kHostKeys) / sizeof(kHostKeys[0]) == 50, "every known host has its key");
} // namespace

int LookUpHost(const char* productText)
{
  if (!productText)
    return kHostUnknown;
  char lower[kHostTextMax + 1];
  size_t n = 0;
  for (; n < kHostTextMax && productText[n]; ++n)
    lower[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(productText[n])));
  lower[n] = 0;
  for (const HostKey& key : kHostKeys)
    if (std::strstr(lower, key.mKey))
      return key.mId;
  return kHostUnknown;
}

} // namespace plug
