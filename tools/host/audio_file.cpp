#include "audio_file.h"

#include "output_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include <unistd.h>

namespace host {
namespace {
constexpr double kSilenceDb = -300.0;
constexpr double kPi = 3.14159265358979323846;

double ToDb(double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : kSilenceDb; }

uint32_t LittleU32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

/// For a RIFF WAVE file whose "data" chunk is cut short: the sizes its header gives and the file holds.
bool DataCutShort(const std::string& path, uint64_t& declared, uint64_t& held)
{
  std::ifstream file(path, std::ios::binary);
  unsigned char header[12];
  if (!file.read(reinterpret_cast<char*>(header), 12) || std::memcmp(header, "RIFF", 4) != 0 ||
      std::memcmp(header + 8, "WAVE", 4) != 0)
    return false;
  file.seekg(0, std::ios::end);
  const uint64_t size = uint64_t(file.tellg());
  uint64_t pos = 12;
  unsigned char chunk[8];
  while (pos + 8 <= size && file.seekg(std::streamoff(pos)) && file.read(reinterpret_cast<char*>(chunk), 8)) {
    const uint64_t length = LittleU32(chunk + 4);
    if (std::memcmp(chunk, "data", 4) == 0) {
      declared = length;
      held = size - (pos + 8);
      return held < declared;
    }
    pos += 8 + length + (length & 1);
  }
  return false;
}
} // namespace

bool ReadAudio(const std::string& path, Audio& audio, std::string& error, std::string* warning)
{
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels <= 0 || info.frames < 0) {
    sf_close(file);
    error = path + " holds no audio channels";
    return false;
  }
  std::vector<double> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  sf_count_t got = sf_readf_double(file, interleaved.data(), info.frames);
  sf_close(file);
  uint64_t declared = 0, held = 0;
  if (warning && DataCutShort(path, declared, held))
    *warning = path + ": the header says " + std::to_string(declared) + " bytes of audio, the file holds " +
               std::to_string(held);
  else if (warning && got < info.frames)
    *warning = path + ": the header says " + std::to_string(info.frames) + " frames, the data holds " +
               std::to_string(got);
  audio.sampleRate = info.samplerate;
  audio.channels.assign(static_cast<size_t>(info.channels), std::vector<double>(static_cast<size_t>(got)));
  for (sf_count_t f = 0; f < got; ++f)
    for (int c = 0; c < info.channels; ++c)
      audio.channels[static_cast<size_t>(c)][static_cast<size_t>(f)] =
          interleaved[static_cast<size_t>(f) * static_cast<size_t>(info.channels) + static_cast<size_t>(c)];
  return true;
}

bool WriteAudio(const std::string& path, const Audio& audio, SampleFormat format, std::string& error)
{
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(audio.sampleRate));
  info.channels = std::max<int>(1, static_cast<int>(audio.channels.size()));
  info.format = SF_FORMAT_WAV | (format == SampleFormat::Float64 ? SF_FORMAT_DOUBLE
                                 : format == SampleFormat::Pcm16 ? SF_FORMAT_PCM_16
                                                                 : SF_FORMAT_FLOAT);
  const size_t frames = audio.Frames();
  const size_t n = static_cast<size_t>(info.channels);
  std::vector<double> interleaved(frames * n, 0.0);
  for (size_t c = 0; c < audio.channels.size(); ++c)
    for (size_t f = 0; f < frames; ++f) interleaved[f * n + c] = audio.channels[c][f];
  return WriteWhole(path, [&](int fd, std::string& why) {
    SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file) {
      close(fd);
      why = sf_strerror(nullptr);
      return false;
    }
    const sf_count_t wrote = sf_writef_double(file, interleaved.data(), static_cast<sf_count_t>(frames));
    const std::string writeError = sf_strerror(file);
    const int closed = sf_close(file);
    if (wrote == static_cast<sf_count_t>(frames) && closed == 0) return true;
    why = "wrote " + std::to_string(wrote) + " of " + std::to_string(frames) + " frames (" + writeError + ")";
    return false;
  }, error);
}

Levels Measure(const Audio& audio)
{
  double peak = 0.0, sum = 0.0;
  size_t count = 0;
  for (const auto& channel : audio.channels) {
    for (double x : channel) {
      peak = std::max(peak, std::fabs(x));
      sum += x * x;
    }
    count += channel.size();
  }
  double rms = count ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
  return {ToDb(peak), ToDb(rms)};
}

Audio MakeTestSignal(double sampleRate, double seconds, int channels)
{
  Audio audio;
  audio.sampleRate = sampleRate;
  const size_t frames = static_cast<size_t>(std::max(0.0, seconds * sampleRate));
  audio.channels.assign(static_cast<size_t>(std::max(1, channels)), std::vector<double>(frames, 0.0));
  const size_t burstStart = frames * 3 / 4;
  const double stepDb[] = {-24.0, -18.0, -12.0, -6.0, -3.0};
  const size_t steps = sizeof stepDb / sizeof stepDb[0];
  for (size_t f = 0; f < frames; ++f) {
    const double t = static_cast<double>(f) / sampleRate;
    double x;
    if (f < burstStart) {
      const size_t step = std::min(steps - 1, f * steps / std::max<size_t>(1, burstStart));
      const double gain = std::pow(10.0, stepDb[step] / 20.0);
      x = gain * (0.7 * std::sin(2 * kPi * 110.0 * t) + 0.3 * std::sin(2 * kPi * 1760.0 * t));
    } else {
      const double since = static_cast<double>(f - burstStart) / sampleRate;
      x = 0.9 * std::exp(-since * 12.0) * std::sin(2 * kPi * 440.0 * t);
    }
    for (size_t c = 0; c < audio.channels.size(); ++c)
      audio.channels[c][f] = c % 2 ? x * 0.8 : x; // right a little lower so stereo modes differ
  }
  return audio;
}

} // namespace host
