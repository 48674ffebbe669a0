#include "check_support.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <thread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace host::validator {

std::shared_ptr<Module> Context::SharedModule(std::string& error)
{
  if (!mModule) mModule = Module::Open(mOptions.pluginPath, error);
  return mModule;
}

std::unique_ptr<Plugin> Context::NewInstance(std::string& error)
{
  auto module = SharedModule(error);
  if (!module) return nullptr;
  return Plugin::Create(module, error);
}

namespace {

constexpr int kCheckTimeoutSeconds = 600;

std::vector<Check> AllChecks()
{
  std::vector<Check> all;
  for (auto group : {LoadingChecks, DescriptionChecks, AudioChecks, StateChecks, ThreadChecks})
    for (auto& check : group()) all.push_back(std::move(check));
  return all;
}

bool Selected(const Options& options, const std::string& name)
{
  auto has = [&](const std::vector<std::string>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  return (options.only.empty() || has(options.only)) && !has(options.skip);
}

const char* Tag(Status s) { return s == Status::Pass ? "[PASS]" : s == Status::Fail ? "[FAIL]" : "[SKIP]"; }

Result RunHere(const Check& check, const Options& options)
{
  Context context(options);
  try {
    return check.run(context);
  } catch (const std::exception& e) {
    return Result::Fail(std::string("the host caught an exception: ") + e.what());
  } catch (...) {
    return Result::Fail("the host caught an exception");
  }
}

bool WriteAll(int fd, const std::string& data)
{
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

/// Runs the check in a child process, so that a plug-in that crashes or hangs fails that check only.
Result RunIsolated(const Check& check, const Options& options)
{
  int fds[2];
  if (pipe(fds) != 0) return RunHere(check, options);
  std::cout.flush();
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return RunHere(check, options);
  }
  if (pid == 0) {
    close(fds[0]);
    const Result r = RunHere(check, options);
    WriteAll(fds[1], std::string(1, static_cast<char>('0' + static_cast<int>(r.status))) + r.detail);
    close(fds[1]);
    std::fflush(nullptr);
    _exit(0);
  }
  close(fds[1]);
  std::string message;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kCheckTimeoutSeconds);
  bool timedOut = false;
  for (;;) {
    pollfd pfd{fds[0], POLLIN, 0};
    const int ready = poll(&pfd, 1, 200);
    if (ready > 0) {
      char buffer[4096];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n > 0) {
        message.append(buffer, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      break; // end of file: the child closed its end
    }
    if (std::chrono::steady_clock::now() > deadline) {
      timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut) return Result::Fail("no answer within " + std::to_string(kCheckTimeoutSeconds) + " s");
  if (WIFSIGNALED(status))
    return Result::Fail("the host process died of signal " + std::to_string(WTERMSIG(status)) + " (" +
                        strsignal(WTERMSIG(status)) + ") inside the plug-in");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || message.empty())
    return Result::Fail("the check's process exited with status " + std::to_string(WEXITSTATUS(status)));
  const int code = message[0] - '0';
  return {code == 0 ? Status::Pass : code == 1 ? Status::Fail : Status::Skip, message.substr(1)};
}

} // namespace

std::vector<std::pair<std::string, int>> CheckNames()
{
  std::vector<std::pair<std::string, int>> names;
  for (const auto& c : AllChecks()) names.emplace_back(c.name, c.level);
  return names;
}

Summary Run(const Options& options, std::ostream& out)
{
  Summary summary;
  out << "validating " << options.pluginPath << " at level " << options.level << " (seed " << options.seed << ")\n";
  // A module that does not load fails every check alike: it is reported once, before any check runs.
  const Check loads{"module loads", kMinLevel, [](Context& c) {
                      std::string error;
                      return c.SharedModule(error) ? Result::Pass("") : Result::Fail(error);
                    }};
  const Result loaded = options.isolate ? RunIsolated(loads, options) : RunHere(loads, options);
  if (loaded.status == Status::Fail) {
    out << Tag(loaded.status) << " " << loads.name << ": " << loaded.detail << "\n0 passed, 1 failed\n";
    summary.failed = 1;
    return summary;
  }
  for (const auto& check : AllChecks()) {
    if (check.level > options.level || !Selected(options, check.name)) continue;
    const auto start = std::chrono::steady_clock::now();
    const Result result = options.isolate ? RunIsolated(check, options) : RunHere(check, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char took[32];
    std::snprintf(took, sizeof took, " (%.2f s)", seconds);
    out << Tag(result.status) << " " << check.name;
    if (!result.detail.empty()) out << ": " << result.detail;
    out << took << "\n";
    out.flush();
    if (result.status == Status::Pass) ++summary.passed;
    else if (result.status == Status::Fail) ++summary.failed;
    else ++summary.skipped;
  }
  out << summary.passed << " passed, " << summary.failed << " failed";
  if (summary.skipped) out << ", " << summary.skipped << " skipped";
  out << "\n";
  return summary;
}

bool IsValidUtf8(const std::string& text)
{
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra;
    uint32_t cp;
    if (c < 0x80) { ++i; continue; }
    if ((c & 0xe0) == 0xc0) { extra = 1; cp = c & 0x1f; }
    else if ((c & 0xf0) == 0xe0) { extra = 2; cp = c & 0x0f; }
    else if ((c & 0xf8) == 0xf0) { extra = 3; cp = c & 0x07; }
    else return false;
    if (i + extra >= n) return false; // sequence runs past the end
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xc0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3f);
    }
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
    i += extra + 1;
  }
  return true;
}

namespace {
template <typename T>
std::string Classify(T x, int channel, int frame)
{
  const char* what = std::isnan(x) ? "NaN" : std::isinf(x) ? "infinity" : std::fpclassify(x) == FP_SUBNORMAL ? "subnormal" : nullptr;
  if (!what) return "";
  return std::string(what) + " at output " + std::to_string(channel) + ", frame " + std::to_string(frame);
}
} // namespace

std::string BadSample(BlockBuffers& buffers, int frames, bool useDouble)
{
  for (int c = 0; c < buffers.Outputs(); ++c) {
    for (int f = 0; f < frames; ++f) {
      const std::string why = useDouble ? Classify(buffers.Out(c)[f], c, f) : Classify(buffers.OutFloat(c)[f], c, f);
      if (!why.empty()) return why;
    }
  }
  return "";
}

void FillNoise(Context& context, BlockBuffers& buffers, int frames, double amplitude)
{
  std::uniform_real_distribution<double> noise(-amplitude, amplitude);
  for (int c = 0; c < buffers.Inputs(); ++c)
    for (int f = 0; f < frames; ++f) buffers.In(c)[f] = noise(context.Random());
}

int SettleLatency(Plugin& plugin, BlockBuffers& buffers)
{
  constexpr int kPolls = 80;
  constexpr int kStableFor = 12; // polls of 5 ms: well over two ticks of a 20 ms timer
  const int frames = std::min(buffers.MaxFrames(), 256);
  for (int c = 0; c < buffers.Inputs(); ++c) std::fill(buffers.In(c), buffers.In(c) + frames, 0.0);
  int last = plugin.ReportedLatency(), stable = 0;
  for (int i = 0; i < kPolls && stable < kStableFor; ++i) {
    buffers.Run(plugin, frames, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int now = plugin.ReportedLatency();
    stable = now == last ? stable + 1 : 0;
    last = now;
  }
  return last;
}

std::vector<float> Snapshot(Plugin& plugin)
{
  std::vector<float> values(static_cast<size_t>(plugin.NumParams()));
  for (int i = 0; i < plugin.NumParams(); ++i) values[static_cast<size_t>(i)] = plugin.GetParam(i);
  return values;
}

std::string Compare(Plugin& plugin, const std::vector<float>& before, const std::vector<float>& after, float tolerance)
{
  for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
    const bool same = (std::isnan(before[i]) && std::isnan(after[i])) || std::fabs(before[i] - after[i]) <= tolerance;
    if (!same) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "parameter %zu %s: %.9g, expected %.9g", i,
                    Quote(plugin.ParamName(static_cast<int>(i))).c_str(), after[i], before[i]);
      return buf;
    }
  }
  return "";
}

void Randomise(Context& context, Plugin& plugin)
{
  for (int i = 0; i < plugin.NumParams(); ++i) plugin.SetParam(i, context.Uniform());
}

int FindParam(Plugin& plugin, const std::string& word)
{
  auto lower = [](std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const std::string w = lower(word);
  for (int i = 0; i < plugin.NumParams(); ++i)
    if (lower(plugin.ParamName(i)).find(w) != std::string::npos) return i;
  return -1;
}

} // namespace host::validator
