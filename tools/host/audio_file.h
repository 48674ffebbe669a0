// Planar audio in memory, WAV files through libsndfile, level measurement and the test signal of the demo.
#pragma once

#include <string>
#include <vector>

namespace host {

struct Audio
{
  double sampleRate = 44100.0;
  std::vector<std::vector<double>> channels;

  size_t Frames() const { return channels.empty() ? 0 : channels.front().size(); }
};

enum class SampleFormat
{
  Float32,
  Float64,
  Pcm16,
};

/// Reads a sound file; `warning` tells of data shorter than the header says (what there is is read).
bool ReadAudio(const std::string& path, Audio& audio, std::string& error, std::string* warning = nullptr);
bool WriteAudio(const std::string& path, const Audio& audio, SampleFormat format, std::string& error);

/// Peak and RMS over all channels, in dBFS (-inf for silence is reported as a very low number).
struct Levels
{
  double peakDb;
  double rmsDb;
};
Levels Measure(const Audio& audio);

/// A short stereo test signal: two tones with a level staircase from -24 to -3 dBFS, then a decaying burst.
Audio MakeTestSignal(double sampleRate, double seconds, int channels);

} // namespace host
