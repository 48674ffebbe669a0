// What the editor benchmarks share: the CPU time of the whole process, and a step of audio that keeps both meters
// moving.
#pragma once

#include <cmath>
#include <ctime>
#include <vector>

namespace benchaudio {

/// The CPU time of every thread of the process (the renderer's worker and the audio included), in seconds.
inline double ProcessCpuSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

/// kFrames samples of a 997 Hz sine at 48 kHz, whose level moves with the step number, processed by the editor's
/// plug-in.
template <int kFrames, class Editor>
void AudioStep(Editor& editor, int step)
{
  std::vector<float> l(kFrames), r(kFrames);
  const double amplitude = 0.05 + 0.45 * (0.5 + 0.5 * std::sin(step * 0.3));
  for (int i = 0; i < kFrames; ++i)
    l[size_t(i)] = r[size_t(i)] = float(amplitude * std::sin(2 * M_PI * 997.0 * (step * kFrames + i) / 48000.0));
  editor.Process(l, r, 48000);
}

} // namespace benchaudio
