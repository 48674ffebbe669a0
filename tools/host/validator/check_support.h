// What the validator's checks share: their context (options, random source, a note collector), the result type,
// and helpers to create instances, settle latency, feed noise and inspect output samples.
#pragma once

#include "host/plugin.h"
#include "host/quoted_text.h"
#include "host/render.h"
#include "validator.h"

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>

namespace host::validator {

enum class Status
{
  Pass,
  Fail,
  Skip,
};

struct Result
{
  Status status = Status::Pass;
  std::string detail;

  static Result Pass(std::string detail = "") { return {Status::Pass, std::move(detail)}; }
  static Result Fail(std::string detail) { return {Status::Fail, std::move(detail)}; }
  static Result Skip(std::string detail) { return {Status::Skip, std::move(detail)}; }
};

class Context
{
public:
  explicit Context(const Options& options) : mOptions(options), mRandom(options.seed) {}

  const Options& Opts() const { return mOptions; }
  int Level() const { return mOptions.level; }
  std::mt19937& Random() { return mRandom; }
  float Uniform(float lo = 0.f, float hi = 1.f) { return std::uniform_real_distribution<float>(lo, hi)(mRandom); }
  int Pick(int count) { return count <= 0 ? 0 : std::uniform_int_distribution<int>(0, count - 1)(mRandom); }

  /// The module, opened once and shared by the checks' instances.
  std::shared_ptr<Module> SharedModule(std::string& error);
  /// A new opened instance of the plug-in, or null with `error`.
  std::unique_ptr<Plugin> NewInstance(std::string& error);

private:
  Options mOptions;
  std::mt19937 mRandom;
  std::shared_ptr<Module> mModule;
};

using CheckFn = std::function<Result(Context&)>;

struct Check
{
  const char* name;
  int level;
  CheckFn run;
};

// The checks, grouped by what they exercise.
std::vector<Check> LoadingChecks();
std::vector<Check> DescriptionChecks();
std::vector<Check> AudioChecks();
std::vector<Check> StateChecks();
std::vector<Check> ThreadChecks();

// Helpers.
constexpr double kRates[] = {44100.0, 48000.0, 96000.0};
constexpr int kBlockSizes[] = {1, 17, 64, 256, 512, 1024, 4096};

bool IsValidUtf8(const std::string& text);

/// First NaN, infinity or subnormal in the last run's outputs (in the precision that ran); "" when clean.
std::string BadSample(BlockBuffers& buffers, int frames, bool useDouble);
/// Fills every input with noise of the given amplitude.
void FillNoise(Context& context, BlockBuffers& buffers, int frames, double amplitude = 0.5);

/// Processes silence, giving the plug-in time to report a changed latency (some do it from a timer), until
/// initialDelay has stayed put for a while. Returns the settled latency.
int SettleLatency(Plugin& plugin, BlockBuffers& buffers);

/// Every parameter's normalised value.
std::vector<float> Snapshot(Plugin& plugin);
/// The first parameter whose value differs by more than `tolerance`, as a message; "" when all match.
std::string Compare(Plugin& plugin, const std::vector<float>& before, const std::vector<float>& after,
                    float tolerance);
/// Sets every parameter to a random value.
void Randomise(Context& context, Plugin& plugin);

/// The index of the first parameter whose name contains `word` (case-insensitive), or -1.
int FindParam(Plugin& plugin, const std::string& word);

} // namespace host::validator
