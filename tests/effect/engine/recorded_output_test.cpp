// The effect's whole observable output against recorded references in golden/: audio statistics across a wide
// matrix of settings, every meter kind's readings per tick, preset files and state chunks as written and as read
// back, and the parameters' display texts. DROVIK_UPDATE_GOLDEN=1 rewrites the references (look at the output
// before keeping it); a mismatch leaves NAME.actual.txt in the working folder.
#include "engine_support.h"
#include "signals.h"

#include "effect/dsp/level_meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using enginetest::Make;
using enginetest::Process;
using enginetest::Set;
using enginetest::Stereo;

// ---- the recorded text and its comparison ----

/// Lines of text; numbers are written to 11 significant digits and compared with a relative tolerance, so that
/// the last bits of sums (vector code picked at run time, sanitizer builds) do not matter.
class Recording
{
public:
  void Text(const std::string& line) { mLines.push_back(line); }
  void Numbers(const std::string& key, const std::vector<double>& values)
  {
    std::string line = key;
    char buf[40];
    for (double v : values)
    {
      std::snprintf(buf, sizeof(buf), " %.11g", v);
      line += buf;
    }
    mLines.push_back(line);
  }
  /// "" when the recording matches golden/NAME.txt; otherwise the first differences.
  std::string CompareWith(const std::string& name) const
  {
    const std::string path = std::string(DROVIK_EFFECT_GOLDEN_DIR) + "/" + name + ".txt";
    if (std::getenv("DROVIK_UPDATE_GOLDEN"))
      return Write(path) ? "" : "cannot write " + path;
    std::ifstream file(path);
    if (!file) return "no golden " + path;
    std::vector<std::string> expected;
    for (std::string line; std::getline(file, line);) expected.push_back(line);
    std::ostringstream out;
    int differences = 0;
    const size_t n = std::max(expected.size(), mLines.size());
    for (size_t i = 0; i < n; ++i)
    {
      const std::string want = i < expected.size() ? expected[i] : "(nothing)";
      const std::string got = i < mLines.size() ? mLines[i] : "(nothing)";
      if (LinesMatch(want, got)) continue;
      if (differences++ < 4) out << "\n  line " << i + 1 << "\n    golden: " << want << "\n    actual: " << got;
    }
    if (differences == 0) return "";
    Write(name + ".actual.txt");
    return name + ": " + std::to_string(differences) + " lines differ" + out.str();
  }

private:
  bool Write(const std::string& path) const
  {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : mLines) out << line << '\n';
    return static_cast<bool>(out);
  }
  static bool Number(const std::string& token, double& v)
  {
    char* end = nullptr;
    v = std::strtod(token.c_str(), &end);
    return !token.empty() && end == token.c_str() + token.size();
  }
  static bool LinesMatch(const std::string& a, const std::string& b)
  {
    std::istringstream sa(a), sb(b);
    std::string ta, tb;
    while (true)
    {
      const bool ga = static_cast<bool>(sa >> ta), gb = static_cast<bool>(sb >> tb);
      if (ga != gb) return false;
      if (!ga) return true;
      double va = 0, vb = 0;
      if (Number(ta, va) && Number(tb, vb))
      {
        if (va == vb || (std::isnan(va) && std::isnan(vb))) continue;
        if (!(std::fabs(va - vb) <= 1e-9 * std::max(std::fabs(va), std::fabs(vb)) + 1e-12)) return false;
      }
      else if (ta != tb)
        return false;
    }
  }

  std::vector<std::string> mLines;
};

/// A test instance whose saturators' random generators can be seeded, so that fluctuation repeats.
class SeededDrovik : public enginetest::TestDrovik
{
public:
  void SeedFluctuation(uint64_t seed)
  {
    mChain.mSatL.Random().Seed(seed);
    mChain.mSatR.Random().Seed(seed + 1);
  }
};

std::unique_ptr<SeededDrovik> MakeSeeded(double fs, int block, uint64_t seed)
{
  auto d = std::make_unique<SeededDrovik>();
  d->SeedFluctuation(seed);
  d->plug::IPluginProcessor::SetSampleRate(fs);
  d->plug::IPluginProcessor::SetBlockSize(block);
  d->OnReset();
  return d;
}

std::string Settings(const std::vector<std::pair<int, double>>& params)
{
  std::ostringstream o;
  for (const auto& p : params) o << ' ' << p.first << '=' << p.second;
  return o.str();
}

/// Every meter of the chain as published: value, maximum, display envelope; and the gain-reduction envelope.
std::vector<double> MeterReadings(const Drovik& d)
{
  std::vector<double> v;
  const FrameChain& c = d.Chain();
  for (const LevelMeter* m : {&c.mInMeterL, &c.mInMeterR, &c.mOutMeterL, &c.mOutMeterR})
    v.insert(v.end(), {m->PublishedValue(), m->PublishedMax(), m->PublishedDisplay()});
  v.push_back(c.PublishedGainReduction());
  return v;
}

/// Single-threaded: ThreadSanitizer has nothing to look for in them, and they would take it seconds.
class RecordedOutput : public ::testing::Test
{
protected:
  void SetUp() override
  {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "single-threaded recorded-output tests are left to the other builds";
#endif
  }
};

// ---- audio through a whole instance ----

struct AudioCase
{
  double fs;
  int block;
  int mono; // 0 stereo, 1 mono, 2 stereo for the first half and mono after
  double amplitude;
  std::vector<std::pair<int, double>> params;
};

std::vector<AudioCase> AudioCases()
{
  std::vector<AudioCase> cases;
  const double rates[] = {44100.0, 48000.0, 96000.0, 32000.0, 88200.0};
  const int blocks[] = {512, 333, 64, 1024};
  // Every saturation mode at every stage count; placements, drives, fluctuation, clipper, monitor, trims,
  // oversampling, rates and block sizes change with them so that each meets many others.
  int n = 0;
  for (int mode = 0; mode < 4; ++mode)
    for (int stages = 1; stages <= 5; ++stages, ++n)
    {
      AudioCase c;
      c.fs = rates[n % 5];
      c.block = blocks[n % 4];
      c.mono = n % 7 == 3 ? 1 : (n % 9 == 5 ? 2 : 0);
      c.amplitude = n % 3 == 2 ? 2.0 : 0.8;
      c.params = {{kSat_offon, 1},
                  {kSat_ProcMode, n % 5},
                  {kSat_mode, mode},
                  {kSat_stages, stages},
                  {kSat_driveeven, double((n * 37) % 101)},
                  {kSat_driveodd, double((n * 53 + 20) % 101)},
                  {kSat_fluctuation, n % 4 == 1 ? 60.0 : (n % 4 == 3 ? 15.0 : 0.0)},
                  {kClipoffon, n % 2},
                  {kClipCeiling, -0.1 - (n % 5) * 4.7},
                  {kMonitorMode0, (n / 2) % 5},
                  {kMonitorMode1, (n / 3) % 2},
                  {kInputTrim, (n % 7) * 2.0 - 6.0},
                  {kOutputTrim, -(n % 4) * 1.3},
                  {kOversampling, (n / 4) % 3},
                  {kMeterMode, n % 5}};
      cases.push_back(c);
    }
  // The clipper alone across ceilings, with and without oversampling.
  for (double ceiling : {-0.1, -6.0, -24.0, -60.0})
    for (int os = 0; os < 3; os += 2)
      cases.push_back({48000.0, 512, 0, 1.5, {{kClipoffon, 1}, {kClipCeiling, ceiling}, {kOversampling, os}}});
  // Nothing switched on, the bypass (with and without the oversampler's latency), trims only, every monitor.
  cases.push_back({44100.0, 512, 0, 0.8, {}});
  cases.push_back({44100.0, 512, true, 0.8, {{kOversampling, 1}}});
  cases.push_back({44100.0, 512, 2, 0.8, {{kOversampling, 2}, {kSat_offon, 1}, {kSat_driveeven, 30}}});
  cases.push_back({48000.0, 256, 0, 0.8, {{kBypass, 1}, {kSat_offon, 1}, {kSat_driveodd, 80}}});
  cases.push_back({48000.0, 256, 0, 0.8, {{kBypass, 1}, {kOversampling, 2}, {kSat_offon, 1}}});
  cases.push_back({96000.0, 500, 0, 0.8, {{kInputTrim, 24}, {kOutputTrim, -24}, {kOversampling, 1}}});
  for (int monitor = 0; monitor < 5; ++monitor)
    for (int inPlace = 0; inPlace < 2; ++inPlace)
      cases.push_back({48000.0, 512, 0, 0.8,
                       {{kMonitorMode0, monitor}, {kMonitorMode1, inPlace}, {kSat_offon, 1}, {kSat_mode, 1},
                        {kSat_driveeven, 40}, {kSat_driveodd, 10}, {kSat_ProcMode, monitor}}});
  return cases;
}

constexpr int kAudioFrames = 4096;
constexpr int kAudioSegments = 4;

TEST_F(RecordedOutput, AudioAcrossModesStagesPlacementsClipperMonitorsTrimsOversamplingAndRates)
{
  Recording r;
  int index = 0;
  for (const AudioCase& c : AudioCases())
  {
    auto d = MakeSeeded(c.fs, c.block, 1000 + uint64_t(index));
    if (c.mono == 1) d->SetChannelConnections(plug::kOutput, 1, 1, false);
    Set(*d, c.params);
    const Stereo in{testsig::Programme(kAudioFrames, c.fs, c.amplitude, 3),
                    testsig::Programme(kAudioFrames, c.fs, c.amplitude * 1.1, 4)};
    Stereo out = Process(*d, in, c.block);
    if (c.mono == 2)
    {
      // The host connects one output from the middle on: the second half again, mono.
      d->SetChannelConnections(plug::kOutput, 1, 1, false);
      const size_t half = kAudioFrames / 2;
      const Stereo rest{std::vector<double>(in.L.begin() + half, in.L.end()),
                        std::vector<double>(in.R.begin() + half, in.R.end())};
      const Stereo restOut = Process(*d, rest, c.block);
      std::copy(restOut.L.begin(), restOut.L.end(), out.L.begin() + half);
      std::fill(out.R.begin() + half, out.R.end(), 0.0);
    }
    r.Text("case " + std::to_string(index++) + " fs=" + std::to_string(int(c.fs)) + " block=" +
           std::to_string(c.block) + (c.mono == 1 ? " mono" : c.mono == 2 ? " stereo-then-mono" : " stereo") + Settings(c.params));
    r.Numbers("  latency", {double(d->GetLatency()), double(d->CurrentOSLatency())});
    const int segment = kAudioFrames / kAudioSegments;
    for (int s = 0; s < kAudioSegments; ++s)
    {
      double sums[4] = {0, 0, 0, 0};
      for (int i = s * segment; i < (s + 1) * segment; ++i)
      {
        sums[0] += out.L[size_t(i)];
        sums[1] += out.L[size_t(i)] * out.L[size_t(i)];
        sums[2] += out.R[size_t(i)];
        sums[3] += out.R[size_t(i)] * out.R[size_t(i)];
      }
      const size_t a = size_t(s * segment + 7), b = size_t(s * segment + 700);
      r.Numbers("  segment", {sums[0], sums[1], sums[2], sums[3], out.L[a], out.R[a], out.L[b], out.R[b]});
    }
    r.Numbers("  meters", MeterReadings(*d));
    std::vector<double> mirrors;
    for (int i = 0; i < kNumParams; ++i) mirrors.push_back(d->GetMirror(i));
    r.Numbers("  mirrors", mirrors);
  }
  EXPECT_EQ(r.CompareWith("audio"), "");
}

// ---- meters ----

/// A programme burst, a silence, a loud sine, a quieter one and a silence again: attacks, holds and releases.
Stereo MeterSignal(double fs, int frames)
{
  Stereo s{std::vector<double>(size_t(frames)), std::vector<double>(size_t(frames))};
  const std::vector<double> a = testsig::Programme(frames, fs, 0.7, 11), b = testsig::Programme(frames, fs, 0.4, 12);
  for (int i = 0; i < frames; ++i)
  {
    const double t = i / fs;
    double l = 0, r = 0;
    if (t < 0.3)
      l = a[size_t(i)], r = b[size_t(i)];
    else if (t >= 0.45 && t < 0.7)
      l = 0.9 * std::sin(2 * testsig::kPi * 1000 * t), r = 0.2 * std::sin(2 * testsig::kPi * 60 * t);
    else if (t >= 0.7 && t < 0.8)
      l = r = 0.05 * std::sin(2 * testsig::kPi * 5000 * t);
    s.L[size_t(i)] = l;
    s.R[size_t(i)] = r;
  }
  return s;
}

// Every meter mode of the instance, read as the editor reads them at every meter tick (20 ms), with the
// saturator and clipper on so that input and output meters and the gain-reduction lamp differ.
TEST_F(RecordedOutput, InstanceMeterReadingsPerTickInEveryMeterMode)
{
  constexpr double kFs = 48000.0;
  constexpr int kTick = 960, kTicks = 55;
  const Stereo in = MeterSignal(kFs, kTick * kTicks);
  Recording r;
  for (int mode = 0; mode < 5; ++mode)
  {
    auto d = Make(kFs, kTick);
    Set(*d, {{kMeterMode, mode}, {kSat_offon, 1}, {kSat_mode, 2}, {kSat_driveodd, 70}, {kClipoffon, 1},
             {kClipCeiling, -4.0}, {kOversampling, mode == 3 ? 1 : 0}});
    r.Text("meter mode " + std::to_string(mode));
    Stereo block{std::vector<double>(kTick), std::vector<double>(kTick)};
    for (int t = 0; t < kTicks; ++t)
    {
      std::copy(in.L.begin() + t * kTick, in.L.begin() + (t + 1) * kTick, block.L.begin());
      std::copy(in.R.begin() + t * kTick, in.R.begin() + (t + 1) * kTick, block.R.begin());
      Process(*d, block, kTick);
      r.Numbers("  tick", MeterReadings(*d));
    }
    r.Numbers("  db", {d->Chain().mInMeterL.PublishedDb(), d->Chain().mOutMeterR.PublishedDb(),
                       d->Chain().mOutMeterL.PublishedGain(), d->Chain().mOutMeterL.PublishedDbFactor(),
                       double(d->Chain().mOutMeterL.PublishedInverted())});
  }
  EXPECT_EQ(r.CompareWith("meters"), "");
}

// Every kind of level meter, the three the effect does not select too, fed both channels or one of them, with
// ballistics, holds, an offset and a look-ahead delay; the readings every 5 ms and the state at the end.
TEST_F(RecordedOutput, LevelMeterKindsSelectsHoldsAndDelays)
{
  constexpr double kFs = 44100.0;
  constexpr int kStep = 220, kSteps = 70;
  const Stereo in = MeterSignal(kFs, kStep * kSteps);
  Recording r;
  for (int kind = 0; kind < 8; ++kind)
    for (int select = 0; select < 5; ++select)
    {
      if (select == 3 && kind % 2 == 0) continue; // 3 measures as 1 does: once in a while is enough
      LevelMeter m;
      const double window = kind == kMeterKindLoudnessLong ? 1.0 : 0.05 + 0.05 * (kind % 3);
      const double hold = select == 2 ? 0.0 : 0.02 * (1 + kind % 3);
      m.Setup(kind, window, 0.001 * (kind % 4), hold, 0.05 + 0.01 * select, -3.0 * (select % 3), kFs,
              select == 4 ? 2.5 : 0.0);
      m.display.Setup(0.1, 0.05, kFs, kind % 2);
      r.Text("kind " + std::to_string(kind) + " select " + std::to_string(select));
      std::vector<double> readings;
      for (int s = 0; s < kSteps; ++s)
      {
        m.ProcessBlock(select, in.L.data() + s * kStep, in.R.data() + s * kStep, kStep);
        m.Publish();
        readings.push_back(m.PublishedValue());
        if (s % 5 == 4)
        {
          r.Numbers("  values", readings);
          readings.clear();
        }
      }
      r.Numbers("  end", {m.PublishedMax(), m.PublishedDisplay(), m.PublishedGain(), m.ShownDb(),
                          m.windowA.minimum, m.windowA.maximum, m.windowB.meanSquare, m.vu.largestS2,
                          m.vuFast.largestS2, double(m.hold), m.attack, m.release});
    }
  EXPECT_EQ(r.CompareWith("level_meters"), "");
}

// ---- parameter changes while the audio runs ----

/// One parameter change: the value, where it comes from and the parameter the mouse is over meanwhile.
struct Step
{
  int idx;
  double value;
  plug::EParamChangeSource source;
  int mouseOver;
};

// Changes from the host, the editor (with and without the mouse over the knob), recalls and resets between blocks:
// what each leaves in the parameters and mirrors, the latency, the meter flag, and the audio and meters after it.
TEST_F(RecordedOutput, ParameterChangesBetweenBlocksFromEverySource)
{
  const std::vector<Step> steps = {
    {kSat_driveodd, 40, plug::kUI, kSat_driveodd},     // the knob under the mouse switches saturation on
    {kSat_mode, 1, plug::kHost, -1},
    {kSat_stages, 3, plug::kUI, kSat_driveeven},       // not under the mouse: stays as it is
    {kSat_offon, 0, plug::kHost, -1},
    {kSat_mode, 2, plug::kUI, kSat_mode},              // switches it on again
    {kClipCeiling, -9, plug::kHost, -1},               // automation never switches the clipper on
    {kClipCeiling, -6, plug::kUI, kClipCeiling},       // the knob does
    {kOversampling, 1, plug::kHost, -1},
    {kMeterMode, 0, plug::kHost, -1},
    {kGUIScale, 2.5, plug::kHost, -1},                 // cannot be automated: refused
    {kGUIScale, 1.5, plug::kUI, -1},
    {kSat_fluctuation, 20, plug::kPresetRecall, kSat_fluctuation},
    {kSat_ProcMode, 3, plug::kReset, -1},
    {kOversampling, 2, plug::kUI, -1},
    {kMeterMode, 2, plug::kPresetRecall, -1},
    {kInputTrim, 6, plug::kDelegate, -1},              // no such source: refused
    {kInputTrim, 3, plug::kHost, -1},
    {kActionResetMeters, 0, plug::kUI, -1},
    {kBypass, 1, plug::kHost, -1},
    {kInputTrim, 9, plug::kDelegate, -1},
    {kInputTrim, 9, plug::kDelegate, -1},
    {kInputTrim, 9, plug::kDelegate, -1},
    {kOversampling, 0, plug::kHost, -1},
    {kBypass, 0, plug::kUI, -1},
    {kMonitorMode0, 3, plug::kHost, -1},
    {kSat_driveeven, 90, plug::kHost, kSat_driveeven},
    {kMeterMode, 4, plug::kHost, -1},
    {kOutputTrim, -4, plug::kPresetRecall, -1},
  };
  constexpr double kFs = 44100.0;
  constexpr int kBlock = 441;
  auto d = MakeSeeded(kFs, kBlock, 77);
  d->mEditorOpen = true;
  d->OnUIOpen();
  const Stereo in{testsig::Programme(kBlock * int(steps.size() + 1), kFs, 0.9, 5),
                  testsig::Programme(kBlock * int(steps.size() + 1), kFs, 0.7, 6)};
  Recording r;
  for (size_t s = 0; s <= steps.size(); ++s)
  {
    if (s > 0)
    {
      const Step& step = steps[s - 1];
      d->mMouseOver = step.mouseOver;
      Set(*d, {{step.idx, step.value}}, step.source);
      r.Text("change " + std::to_string(step.idx) + " to " + std::to_string(step.value) + " from " +
             std::to_string(int(step.source)) + " mouse " + std::to_string(step.mouseOver));
    }
    else
      r.Text("start");
    r.Numbers("  flag latency", {double(d->TakeMeterUpdate()), double(d->CurrentOSLatency())});
    const Stereo block{std::vector<double>(in.L.begin() + long(s) * kBlock, in.L.begin() + long(s + 1) * kBlock),
                       std::vector<double>(in.R.begin() + long(s) * kBlock, in.R.begin() + long(s + 1) * kBlock)};
    const Stereo out = Process(*d, block, kBlock);
    double sums[4] = {0, 0, 0, 0};
    for (int i = 0; i < kBlock; ++i)
    {
      sums[0] += out.L[size_t(i)];
      sums[1] += out.L[size_t(i)] * out.L[size_t(i)];
      sums[2] += out.R[size_t(i)];
      sums[3] += out.R[size_t(i)] * out.R[size_t(i)];
    }
    r.Numbers("  audio", {sums[0], sums[1], sums[2], sums[3], out.L[100], out.R[400]});
    r.Numbers("  meters", MeterReadings(*d));
    r.Numbers("  flag after", {double(d->TakeMeterUpdate())});
    std::vector<double> mirrors, values;
    for (int i = 0; i < kNumParams; ++i)
    {
      mirrors.push_back(d->GetMirror(i));
      values.push_back(d->GetParam(i)->Value());
    }
    r.Numbers("  mirrors", mirrors);
    r.Numbers("  values", values);
  }
  EXPECT_EQ(r.CompareWith("parameter_changes"), "");
}

// ---- presets, state chunks and display texts ----

class TempFolder
{
public:
  TempFolder()
  {
    char tmpl[] = "/tmp/drovik-recorded-XXXXXX";
    if (mkdtemp(tmpl)) mPath = tmpl;
  }
  ~TempFolder()
  {
    std::error_code ignored;
    if (!mPath.empty()) std::filesystem::remove_all(mPath, ignored);
  }
  std::string Path(const std::string& name) const { return mPath + "/" + name; }
  bool Ok() const { return !mPath.empty(); }

private:
  std::string mPath;
};

std::string ReadAll(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/// Bytes as text: printable characters as they are, the others as \xHH; newlines start a new line.
void RecordBytes(Recording& r, const std::string& bytes)
{
  std::string line = "  |";
  char buf[8];
  for (unsigned char c : bytes)
  {
    if (c == '\n')
    {
      r.Text(line);
      line = "  |";
    }
    else if (c >= 0x20 && c < 0x7F && c != '\\')
      line += char(c);
    else
    {
      std::snprintf(buf, sizeof(buf), "\\x%02X", c);
      line += buf;
    }
  }
  r.Text(line);
}

std::vector<double> Values(const Drovik& d)
{
  std::vector<double> v;
  for (int i = 0; i < kNumParams; ++i) v.push_back(d.GetParam(i)->Value());
  return v;
}

/// Every parameter back to its default, then the given values (an instance is reused: making one is slow).
void ResetTo(Drovik& d, const std::vector<std::pair<int, double>>& values)
{
  std::vector<std::pair<int, double>> all;
  for (int i = 0; i < kNumParams; ++i) all.push_back({i, d.GetParam(i)->GetDefault()});
  all.insert(all.end(), values.begin(), values.end());
  Set(d, all);
}

std::string PresetDocument(const std::string& params, const char* preset = "Odd")
{
  return "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n<PluginVendor>Vesquin</PluginVendor>\n"
         "<PluginName>Drovik</PluginName>\n<PluginVersion>v1.0.1</PluginVersion>\n<Preset name=\"" +
         std::string(preset) + "\">\n<Parameter>\n" + params + "</Parameter>\n</Preset>\n</PresetXMLTree>\n";
}

/// Preset files as people and other versions may leave them: each loaded into a fresh instance.
std::vector<std::pair<std::string, std::string>> OddPresetFiles()
{
  const std::string stages = "<Param name=\"Saturation Stages\" val=\"4\"/>\n";
  return {
    {"blanks and plus", PresetDocument(" <Param name=\"Clip Ceiling\" val=\"  +-7.25 \"/>\n<Param name=\"Input "
                                       "Trim\" val=\"\t+3.5\n\"/>\n<Param name=\"Saturation Mode\" val=\"2\"/>\n")},
    {"exponent", PresetDocument("<Param name=\"Saturation Odd Harmonics\" val=\"4.5e1\"/>\n" + stages)},
    {"out of range", PresetDocument("<Param name=\"Saturation Stages\" val=\"9\"/>\n<Param name=\"Input Trim\" "
                                    "val=\"-100\"/>\n<Param name=\"Clip Ceiling\" val=\"12\"/>\n")},
    {"unknown names skipped", PresetDocument("<Param name=\"Warmth\" val=\"3\"/>\n<Param name=\"\" val=\"x\"/>\n"
                                             "<Param val=\"1\"/>\n" + stages)},
    {"duplicate, last wins", PresetDocument(stages + "<Param name=\"Saturation Stages\" val=\"2\"/>\n")},
    {"bad number", PresetDocument(stages + "<Param name=\"Output Trim\" val=\"1.5dB\"/>\n")},
    {"nan", PresetDocument(stages + "<Param name=\"Output Trim\" val=\"nan\"/>\n")},
    {"hex", PresetDocument("<Param name=\"Output Trim\" val=\"0x10\"/>\n")},
    {"empty value", PresetDocument("<Param name=\"Output Trim\" val=\"\"/>\n")},
    {"foreign element", PresetDocument(stages + "<Knob name=\"Output Trim\" val=\"1\"/>\n")},
    {"comment among params", PresetDocument(stages + "<!-- a = b -->\n<Param name=\"Output Trim\" val=\"2\"/>\n")},
    {"byte order mark", "\xEF\xBB\xBF" + PresetDocument(stages)},
    {"single quotes and entities",
     PresetDocument("<Param name='Saturation Stages' val='&#51;'/>\n<Param name=\"Input &amp; Trim\" val=\"1\"/>\n",
                    "A &amp; B &lt;c&gt;")},
    {"cdata value in data", "<PresetXMLTree version=\"1\"><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik"
                            "</PluginName><PluginVersion>v0</PluginVersion><Data><![CDATA[x<y]]></Data><Preset "
                            "name=\"D\"><Parameter>" + stages + "</Parameter></Preset></PresetXMLTree>"},
    {"other vendor", "<PresetXMLTree><PluginVendor>Other</PluginVendor><PluginName>Drovik</PluginName>"
                     "<PluginVersion>v1</PluginVersion><Preset name=\"X\"><Parameter>" + stages +
                     "</Parameter></Preset></PresetXMLTree>"},
    {"other product", "<PresetXMLTree><PluginVendor>Vesquin</PluginVendor><PluginName>Other</PluginName>"
                      "<PluginVersion>v1</PluginVersion><Preset name=\"X\"><Parameter>" + stages +
                      "</Parameter></Preset></PresetXMLTree>"},
    {"no version", "<PresetXMLTree><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik</PluginName>"
                   "<Preset name=\"X\"><Parameter>" + stages + "</Parameter></Preset></PresetXMLTree>"},
    {"preset without name", "<PresetXMLTree><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik</PluginName>"
                            "<PluginVersion>v</PluginVersion><Preset id=\"X\"><Parameter>" + stages +
                            "</Parameter></Preset></PresetXMLTree>"},
    {"empty parameter list", PresetDocument("")},
    {"cut short", PresetDocument(stages).substr(0, 200)},
    {"text after a zero byte", PresetDocument(stages) + std::string(1, '\0') + "<garbage"},
    {"character references of every digit",
     PresetDocument("<Param name=\"Saturation Stages\" val=\"&#x33;&#xa;&#xA;\"/>\n<Param name=\"Output Trim\" "
                    "val=\"&#45;&#48;&#46;&#57;\"/>\n",
                    "&#x41;&#x46;&#x61;&#x66;&#x2f;&#x2F;&#x5a;&#x7A;&#x30;&#x39;")},
    {"bad character reference", PresetDocument("<Param name=\"Output Trim\" val=\"&#1g;\"/>\n")},
    {"instruction with quoted blank", "<?xml version=\"1.0\" encoding=\"a b\"?>" + PresetDocument(stages)},
    {"doctype", "<!DOCTYPE x [<!ENTITY a \"b\">]>\n" + PresetDocument(stages)},
    {"not xml", "RIFF\x01\x02garbage"},
    {"empty", ""},
  };
}

TEST_F(RecordedOutput, PresetFilesWrittenAndReadBackAndStateChunks)
{
  TempFolder folder;
  ASSERT_TRUE(folder.Ok());
  Recording r;
  // Every factory preset: its chunk, then the file saved after recalling it, read back into a fresh instance.
  auto d = Make(), back = Make();
  for (int i = 0; i < d->NFactoryPresets(); ++i)
  {
    const plug::IPresetSlot* slot = d->GetFactoryPreset(i);
    r.Text("factory preset " + std::to_string(i) + " " + slot->mName);
    // Every preset's values are recorded below; the bytes of two chunks and files show their form.
    if (i < 2)
      RecordBytes(r, std::string(reinterpret_cast<const char*>(slot->mChunk.GetData()), size_t(slot->mChunk.Size())));
  }
  for (int i = 0; i < d->NFactoryPresets(); ++i)
  {
    const plug::IStateChunk& factory = d->GetFactoryPreset(i)->mChunk;
    ASSERT_EQ(d->UnserializeState(factory, 0), factory.Size());
    const std::string path = folder.Path("Saved " + std::to_string(i) + (i % 2 ? ".vqp" : ""));
    ASSERT_TRUE(d->SavePresetFile(path.c_str()));
    const std::string written = path + (i % 2 ? "" : ".vqp");
    r.Text("saved file of preset " + std::to_string(i));
    if (i < 2) RecordBytes(r, ReadAll(written));
    ResetTo(*back, {});
    r.Text(std::string("  loads ") + (back->LoadPresetFile(written.c_str()) ? "yes " : "no ") +
           back->GetPresetName(back->GetCurrentPresetIdx()));
    r.Numbers("  values", Values(*back));
  }
  // A state of non-default values, its chunk bytes, and those values read back.
  Set(*d, {{kGUIScale, 1.75},  {kOversampling, 2},   {kClipoffon, 1},        {kClipCeiling, -12.3},
           {kMeterMode, 3},    {kVURef, -7},         {kRMSRef, -21},         {kMonitorMode0, 4},
           {kSat_offon, 1},    {kSat_stages, 3},     {kSat_driveeven, 33.3}, {kSat_fluctuation, 12.5},
           {kInputTrim, -2.2}, {kOutputTrim, 1.1},   {kHideKnobText, 1},     {kMonitorMode1, 1}});
  plug::IStateChunk chunk;
  ASSERT_TRUE(d->WriteStateChunk(chunk));
  r.Text("state chunk");
  RecordBytes(r, std::string(reinterpret_cast<const char*>(chunk.GetData()), size_t(chunk.Size())));
  auto restored = Make();
  r.Numbers("  read", {double(restored->ReadStateChunk(chunk, 0)), double(chunk.Size())});
  r.Numbers("  values", Values(*restored));
  std::vector<double> mirrors;
  for (int i = 0; i < kNumParams; ++i) mirrors.push_back(restored->GetMirror(i));
  r.Numbers("  mirrors", mirrors);
  // Odd files, each into an instance whose values are not the defaults, so that what a load resets shows.
  for (const auto& [name, text] : OddPresetFiles())
  {
    const std::string path = folder.Path("odd.vqp");
    std::ofstream(path, std::ios::binary) << text;
    auto& o = back;
    ResetTo(*o, {{kSat_mode, 3}, {kSat_stages, 5}, {kOutputTrim, -1}, {kClipCeiling, -3}, {kGUIScale, 2}});
    o->ModifyCurrentPreset("Before");
    const bool loaded = o->LoadPresetFile(path.c_str());
    r.Text("odd file: " + name + (loaded ? " -> loaded " : " -> refused ") +
           o->GetPresetName(o->GetCurrentPresetIdx()));
    r.Numbers("  values", Values(*o));
  }
  EXPECT_EQ(r.CompareWith("presets"), "");
}

// The default preset saved and loaded, and the user list a rescan makes of a folder with odd entries; each user
// preset's chunk read into a fresh instance.
TEST_F(RecordedOutput, DefaultPresetAndUserPresetList)
{
  TempFolder folder;
  ASSERT_TRUE(folder.Ok());
  Recording r;
  auto d = Make();
  Set(*d, {{kSat_offon, 1}, {kSat_stages, 2}, {kSat_driveodd, 61.5}, {kClipCeiling, -2.5}, {kMeterMode, 1}});
  r.Numbers("save default", {double(d->SaveDefaultPresetFile(folder.Path("").c_str())),
                             double(d->SaveDefaultPresetFile(nullptr))});
  RecordBytes(r, ReadAll(folder.Path("default.vqp")));
  auto loaded = Make();
  loaded->LoadDefaultPresetFile(folder.Path("").c_str());
  loaded->LoadDefaultPresetFile(nullptr);
  r.Numbers("  loaded", Values(*loaded));

  std::filesystem::create_directory(folder.Path("user"));
  std::filesystem::create_directory(folder.Path("user/folder.vqp"));
  const std::string stages = "<Param name=\"Saturation Stages\" val=\"4\"/>\n";
  std::ofstream(folder.Path("user/b.vqp")) << PresetDocument(stages + "<Param name=\"Clip Ceiling\" val=\"-8\"/>\n",
                                                             "Bee");
  std::ofstream(folder.Path("user/a.vqp")) << PresetDocument("<Param name=\"Input Trim\" val=\"5\"/>\n", "Ay");
  std::ofstream(folder.Path("user/.hidden.vqp")) << PresetDocument(stages, "Hidden");
  std::ofstream(folder.Path("user/c.txt")) << PresetDocument(stages, "Text");
  std::ofstream(folder.Path("user/d.vqp")) << "not a preset";
  std::ofstream(folder.Path("user/e.VQP")) << PresetDocument(stages, "Upper");
  const std::string user = folder.Path("user");
  auto o = Make();
  for (int pass = 0; pass < 2; ++pass)
  {
    d->RescanPresets(user.c_str());
    r.Numbers("rescan", {double(d->NUserPresets()), double(d->UserPresetsCut())});
    for (int i = 0; i < d->NUserPresets(); ++i)
    {
      const plug::IPresetSlot* slot = d->GetUserPreset(i);
      ResetTo(*o, {});
      const int read = o->UnserializeState(slot->mChunk, 0);
      r.Text(std::string("  ") + slot->mName + " read " + std::to_string(read == slot->mChunk.Size()));
      r.Numbers("    values", Values(*o));
    }
    std::ofstream(folder.Path("user/0.vqp")) << PresetDocument(stages, "Zero");
  }
  d->RescanPresets(nullptr);
  r.Numbers("rescan of none", {double(d->NUserPresets()), double(d->UserPresetsCut())});
  for (const char* path : {"/a/b/Name.vqp", "Plain", "/x/.hidden", "/x/y.z/w", "dots.in.name.vqp", "/"})
  {
    plug::LibString name;
    Drovik::PresetNameFromPath(path, name);
    r.Text(std::string("name of ") + path + " |" + name.Get() + "|");
  }
  EXPECT_EQ(r.CompareWith("preset_folders"), "");
}

// What the host and the editor show for each parameter across its range, and what it reads back from a text.
TEST_F(RecordedOutput, ParameterDisplayTextsAcrossValues)
{
  auto d = Make();
  Recording r;
  for (int i = 0; i < kNumParams; ++i)
  {
    const plug::IParam* p = d->GetParam(i);
    std::string line = std::to_string(i) + " " + p->GetName() + " [" + p->GetLabel() + "]";
    for (double x : {0.0, 0.13, 0.25, 0.5, 0.61, 0.75, 0.999, 1.0})
    {
      plug::LibString text;
      p->GetDisplay(false, text, true, p->FromNormalized(x));
      line += std::string(" |") + text.Get();
    }
    r.Text(line);
    r.Numbers("  default", {p->GetDefault(), p->GetDefault(true), p->FromNormalized(0.37)});
  }
  EXPECT_EQ(r.CompareWith("display_texts"), "");
}

} // namespace
