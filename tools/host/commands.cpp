#include "commands.h"

#include "audio_file.h"
#include "output_file.h"
#include "quoted_text.h"
#include "plugin.h"
#include "program_files.h"
#include "render.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

namespace host {
namespace {

constexpr const char* kCanDoQueries[] = {
    "receiveVstTimeInfo", "receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents", "sendVstMidiEvent",
    "bypass", "offline", "noRealTime", "plugAsChannelInsert", "plugAsSend", "mixDryWet", "midiProgramNames",
    "hasCockosExtensions", "wantsChannelCountNotifications", "supportsGainReductionInfo"};

/// Options shared by the commands: positional words and "--name value" pairs (repeatable ones keep every value).
struct Options
{
  std::vector<std::string> positional;
  std::multimap<std::string, std::string> named;
  std::map<std::string, bool> flags;

  bool Has(const std::string& name) const { return named.count(name) || flags.count(name); }
  std::string Get(const std::string& name, const std::string& fallback = "") const
  {
    auto it = named.find(name);
    return it == named.end() ? fallback : it->second;
  }
};

/// What a command takes: its synopsis for --help and the options it knows, with and without a value.
struct CommandForm
{
  const char* name;
  const char* synopsis;
  std::vector<std::string> valued;
  std::vector<std::string> flags;
};

const std::vector<std::string> kStateOptions = {"--program", "--chunk", "--load-bank", "--load-program", "--param"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<CommandForm>& Forms()
{
  static const std::vector<CommandForm> forms = {
      {"info", "info PLUGIN [STATE] [--save-chunk FILE]\n"
               "    effect record, names, parameters, programs, can-do answers\n",
       Join(kStateOptions, {"--save-chunk"}), {}},
      {"process", "process PLUGIN IN.wav OUT.wav [STATE] [--rate HZ] [--block N] [--double] [--offline] [--raw]\n"
                  "        [--save-chunk FILE]\n"
                  "    renders a sound file, prints latency, peak and RMS; --rate is the rate the plug-in is told\n"
                  "    (the file's samples are not resampled). The output lines up with the input: the reported\n"
                  "    latency is dropped at the start and the tail flushed at the end; --raw keeps the output as\n"
                  "    the plug-in gave it. OUT.wav is written as a WAV file of 32-bit floats (64-bit with\n"
                  "    --double) and its name must end in .wav; it cannot be the input file or the --save-chunk\n"
                  "    file. An existing output keeps its permissions (a link, its target is written); a read-only\n"
                  "    file, a pipe or a folder is refused\n",
       Join(kStateOptions, {"--save-chunk", "--rate", "--block"}), {"--double", "--offline", "--raw"}},
      {"generate", "generate OUT.wav [--rate HZ] [--seconds S] [--channels N]\n"
                   "    writes the demo's test signal\n",
       {"--rate", "--seconds", "--channels"}, {}},
      {"save-program", "save-program PLUGIN OUT.fxp [STATE]\n    current program as a program file\n",
       kStateOptions, {}},
      {"save-bank", "save-bank PLUGIN OUT.fxb [STATE]\n    all programs as a bank file\n", kStateOptions, {}},
      {"load-program", "load-program PLUGIN IN.fxp [--save-chunk FILE]\n"
                       "    loads a program file, prints the parameters\n",
       {"--save-chunk"}, {}},
      {"load-bank", "load-bank PLUGIN IN.fxb [--save-chunk FILE]\n    loads a bank file, prints the parameters\n",
       {"--save-chunk"}, {}},
      {"validate", "validate PLUGIN [--level 1..5] [--only NAME,...] [--skip NAME,...] [--seed N] [--in-process]\n"
                   "        [--list]\n"
                   "    runs the validation checks, each in a child process\n",
       {}, {}},
      {"editor", "editor PLUGIN [--seconds S] [--screenshot OUT.png] [--move X,Y] [--click X,Y]\n"
                 "        [--drag X,Y,DX,DY] [--wheel X,Y,N] [--type X,Y,TEXT]\n"
                 "    opens the editor in an X11 window for S seconds (more than 0, 1 by default), plays the inputs\n"
                 "    in order (--move only points there, as for a tool tip; --type holds Shift for upper-case\n"
                 "    letters and shifted symbols), prints the automation and edit begin/end it reports. The\n"
                 "    screenshot shows what the screen shows over the window (tool tips and menus included) once\n"
                 "    the editor's drawing has settled\n",
       {}, {}},
  };
  return forms;
}

constexpr const char* kStateHelp =
    "STATE, applied in this order: --program N, --chunk FILE (a program chunk from --save-chunk),\n"
    "  --load-bank FILE.fxb, --load-program FILE.fxp, --param INDEX=NORMALISED (repeatable)\n"
    "PLUGIN is a VST 2.x .so or a bundle folder X.vst (Contents/x86_64-linux/X.so).\n";

const CommandForm& FormOf(const std::string& name)
{
  for (const CommandForm& form : Forms())
    if (name == form.name) return form;
  return Forms().front();
}

bool Known(const std::vector<std::string>& names, const std::string& name)
{
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool Parse(const Args& args, const CommandForm& form, Options& out, std::string& error)
{
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-') {
      if (Known(form.flags, a)) {
        out.flags[a] = true;
        continue;
      }
      if (!Known(form.valued, a)) {
        error = std::string(form.name) + ": unknown option " + a + " (see " + form.name + " --help)";
        return false;
      }
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      out.named.emplace(a, args[++i]);
    } else {
      out.positional.push_back(a);
    }
  }
  return true;
}

bool AsksForHelp(const Args& args)
{
  return std::find(args.begin(), args.end(), "--help") != args.end() ||
         std::find(args.begin(), args.end(), "-h") != args.end();
}

bool ToInt(const std::string& text, long& value)
{
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && end && *end == 0;
}

bool ToDouble(const std::string& text, double& value)
{
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == 0;
}

int Fail(const std::string& message)
{
  std::cerr << "drovik-host: " << message << "\n";
  return 1;
}

void Warn(const std::string& message) { std::cerr << "drovik-host: warning: " << message << "\n"; }

std::string FormatHz(double rate)
{
  char text[32];
  std::snprintf(text, sizeof text, "%g Hz", rate);
  return text;
}

std::unique_ptr<Plugin> LoadPlugin(const Options& o)
{
  if (o.positional.empty()) {
    Fail("no plug-in given");
    return nullptr;
  }
  std::string error;
  auto plugin = Plugin::Load(o.positional[0], error);
  if (!plugin) Fail(error);
  return plugin;
}

/// What a file starting with the program/bank header is, for the message that points at the right command.
std::string ProgramFileKind(const std::vector<uint8_t>& bytes)
{
  auto tagAt = [&](size_t at) { return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                                   bytes.begin() + static_cast<std::ptrdiff_t>(at + 4)); };
  if (bytes.size() < 4 || tagAt(0) != "CcnK") return "";
  const std::string form = bytes.size() >= 12 ? tagAt(8) : "";
  if (form == "FxCk" || form == "FPCh") return "a program file: load it with --load-program (or load-program)";
  if (form == "FxBk" || form == "FBCh") return "a bank file: load it with --load-bank (or load-bank)";
  return "a program or bank file: load it with --load-program or --load-bank";
}

/// --chunk: a program chunk as --save-chunk wrote it. Program and bank files, empty files and anything the
/// plug-in refuses are errors.
bool ApplyChunkFile(Plugin& plugin, const std::string& path)
{
  std::vector<uint8_t> chunk;
  std::string error;
  if (!ReadFileBytes(path, chunk, error)) return Fail(error), false;
  if (const std::string kind = ProgramFileKind(chunk); !kind.empty())
    return Fail("--chunk " + path + " is not a state chunk but " + kind), false;
  if (chunk.empty()) return Fail("--chunk " + path + " is empty: not a state chunk"), false;
  if (!plugin.HasChunks()) return Fail("the plug-in keeps no state chunks"), false;
  if (plugin.SetChunk(true, chunk) == 0)
    return Fail("--chunk " + path + ": the plug-in refused it as a state chunk (program and bank files load " +
                "with --load-program / --load-bank)"), false;
  return true;
}

/// Applies --program, --chunk, --load-bank, --load-program and --param, in that order.
bool ApplyState(Plugin& plugin, const Options& o)
{
  std::string error, warning;
  if (o.Has("--program")) {
    long n;
    if (!ToInt(o.Get("--program"), n) || n < 0 || n >= plugin.NumPrograms())
      return Fail("--program " + o.Get("--program") + ": the plug-in has " + std::to_string(plugin.NumPrograms()) +
                  " programs"), false;
    plugin.SetProgram(static_cast<int>(n));
  }
  if (o.Has("--chunk") && !ApplyChunkFile(plugin, o.Get("--chunk"))) return false;
  auto loadFile = [&](const char* option, bool bank) {
    auto range = o.named.equal_range(option);
    for (auto it = range.first; it != range.second; ++it) {
      std::vector<uint8_t> bytes;
      if (!ReadFileBytes(it->second, bytes, error)) return Fail(error), false;
      warning.clear();
      const bool ok = bank ? LoadBank(plugin, bytes, error, &warning) : LoadProgram(plugin, bytes, error, &warning);
      if (!ok) return Fail(it->second + ": " + error), false;
      if (!warning.empty()) std::cerr << "drovik-host: warning: " << it->second << ": " << warning << "\n";
    }
    return true;
  };
  if (!loadFile("--load-bank", true) || !loadFile("--load-program", false)) return false;
  auto range = o.named.equal_range("--param");
  for (auto it = range.first; it != range.second; ++it) {
    const std::string& pair = it->second;
    const auto eq = pair.find('=');
    long index;
    double value;
    if (eq == std::string::npos || !ToInt(pair.substr(0, eq), index) || !ToDouble(pair.substr(eq + 1), value))
      return Fail("--param " + pair + ": expected index=normalised"), false;
    if (index < 0 || index >= plugin.NumParams())
      return Fail("--param " + pair + ": the plug-in has " + std::to_string(plugin.NumParams()) + " parameters"), false;
    if (!(value >= 0.0 && value <= 1.0))
      return Fail("--param " + pair + ": the value is normalised, from 0 to 1"), false;
    plugin.SetParam(static_cast<int>(index), static_cast<float>(value));
  }
  return true;
}

bool SaveChunkIfAsked(Plugin& plugin, const Options& o)
{
  if (!o.Has("--save-chunk")) return true;
  std::vector<uint8_t> chunk;
  std::string error;
  if (!plugin.GetChunk(true, chunk)) return Fail("the plug-in gave no state chunk"), false;
  if (!WriteFileBytes(o.Get("--save-chunk"), chunk, error)) return Fail(error), false;
  return true;
}

void PrintParameters(Plugin& plugin)
{
  std::cout << "parameters: " << plugin.NumParams() << "\n";
  for (int i = 0; i < plugin.NumParams(); ++i) {
    char value[32];
    std::snprintf(value, sizeof value, "%.6f", plugin.GetParam(i));
    std::cout << "param[" << i << "] name=" << Quote(plugin.ParamName(i)) << " label=" << Quote(plugin.ParamLabel(i))
              << " display=" << Quote(plugin.ParamDisplay(i)) << " value=" << value << "\n";
  }
}

std::string FlagNames(int32_t flags)
{
  static const std::pair<int32_t, const char*> kNames[] = {
      {vst2::kFlagHasEditor, "editor"},       {vst2::kFlagCanMono, "mono"},
      {vst2::kFlagCanReplacing, "replacing"}, {vst2::kFlagProgramChunks, "chunks"},
      {vst2::kFlagIsSynth, "synth"},          {vst2::kFlagCanDoubleReplacing, "double"}};
  std::string out;
  for (const auto& n : kNames)
    if (flags & n.first) out += (out.empty() ? "" : " ") + std::string(n.second);
  return out;
}

void PrintPins(Plugin& plugin, bool input)
{
  const int count = input ? plugin.NumInputs() : plugin.NumOutputs();
  for (int i = 0; i < count; ++i) {
    vst2::PinProperties pin{};
    const intptr_t ok = plugin.Dispatch(input ? vst2::effGetInputProperties : vst2::effGetOutputProperties, i, 0, &pin);
    pin.label[sizeof pin.label - 1] = 0;
    std::cout << (input ? "input[" : "output[") << i << "] ";
    if (ok)
      std::cout << "label=" << Quote(pin.label) << " flags=0x" << std::hex << pin.flags << std::dec << "\n";
    else
      std::cout << "(no properties)\n";
  }
}

void PrintInfo(Plugin& plugin, const std::string& path)
{
  vst2::Effect* e = plugin.Record();
  char hex[32];
  std::cout << "module: " << plugin.GetModule()->Path() << "\n";
  std::cout << "magic: " << FourChars(e->magic) << "\n";
  std::snprintf(hex, sizeof hex, "0x%08x", static_cast<uint32_t>(e->uniqueID));
  std::cout << "unique id: '" << FourChars(e->uniqueID) << "' " << hex << "\n";
  std::cout << "version: " << e->version << "\n";
  std::cout << "effect name: " << Quote(plugin.EffectName()) << "\n";
  std::cout << "vendor: " << Quote(plugin.VendorString()) << "\n";
  std::cout << "product: " << Quote(plugin.ProductString()) << "\n";
  std::cout << "vendor version: " << plugin.Dispatch(vst2::effGetVendorVersion) << "\n";
  std::cout << "vst version: " << plugin.Dispatch(vst2::effGetVstVersion) << "\n";
  std::cout << "category: " << plugin.Dispatch(vst2::effGetPlugCategory) << "\n";
  std::cout << "inputs: " << e->numInputs << "\n";
  std::cout << "outputs: " << e->numOutputs << "\n";
  std::snprintf(hex, sizeof hex, "0x%x", static_cast<uint32_t>(e->flags));
  std::cout << "flags: " << hex << " (" << FlagNames(e->flags) << ")\n";
  std::cout << "initial delay: " << plugin.RecordedLatency() << "\n";
  std::cout << "tail size: " << plugin.Dispatch(vst2::effGetTailSize) << "\n";
  std::cout << "programs: " << e->numPrograms << "\n";
  std::cout << "current program: " << plugin.CurrentProgram() << "\n";
  std::cout << "program name: " << Quote(plugin.ProgramName()) << "\n";
  for (int i = 0; i < plugin.NumPrograms(); ++i)
    std::cout << "program[" << i << "] " << Quote(plugin.ProgramNameIndexed(i)) << "\n";
  PrintParameters(plugin);
  PrintPins(plugin, true);
  PrintPins(plugin, false);
  for (const char* what : kCanDoQueries) {
    const intptr_t answer = plugin.CanDo(what);
    std::snprintf(hex, sizeof hex, "%lld", static_cast<long long>(answer));
    if (answer > 0xffff || answer < -0xffff) std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(answer));
    std::cout << "can do " << what << ": " << hex << "\n";
  }
  (void)path;
}

/// Sample rate, block and precision of --rate/--block/--double; the rate defaults to `fallbackRate`.
bool RenderOptions(const Options& o, double fallbackRate, RenderSettings& s)
{
  s.sampleRate = fallbackRate;
  if (o.Has("--rate") && (!ToDouble(o.Get("--rate"), s.sampleRate) || s.sampleRate < 1000 || s.sampleRate > 1536000))
    return Fail("--rate " + o.Get("--rate") + ": expected a rate in Hz"), false;
  long block = 512;
  if (o.Has("--block") && (!ToInt(o.Get("--block"), block) || block < 1 || block > 1 << 16))
    return Fail("--block " + o.Get("--block") + ": expected 1..65536 frames"), false;
  s.blockSize = static_cast<int>(block);
  s.useDouble = o.Has("--double");
  return true;
}

/// The files a command reads: `first` (its input file, if any), the plug-in's module (the one inside a bundle
/// folder when a folder is named) and every --chunk, --load-bank and --load-program file.
std::vector<NamedInput> InputsOf(const Options& o, std::vector<NamedInput> first)
{
  std::vector<NamedInput> inputs = std::move(first);
  if (!o.positional.empty()) inputs.push_back({"the plug-in's module", ResolveModulePath(o.positional[0])});
  for (const std::string option : {"--chunk", "--load-bank", "--load-program"}) {
    auto range = o.named.equal_range(option);
    for (auto it = range.first; it != range.second; ++it) inputs.push_back({"the " + option + " file", it->second});
  }
  return inputs;
}

/// Refuses, before the plug-in is loaded, outputs that cannot be written as files or would write over a file the
/// command reads (see InputsOf; empty output names are skipped).
bool OutputsAllowed(const Options& o, const std::vector<std::string>& outputs, std::vector<NamedInput> first)
{
  const std::vector<NamedInput> inputs = InputsOf(o, std::move(first));
  for (const std::string& output : outputs)
    if (!output.empty())
      if (const std::string refusal = OutputRefusal(output, inputs); !refusal.empty()) return Fail(refusal), false;
  return true;
}

bool NamesAWavFile(const std::string& path)
{
  constexpr char kExtension[] = ".wav";
  constexpr size_t kLength = sizeof kExtension - 1;
  if (path.size() <= kLength) return false;
  for (size_t i = 0; i < kLength; ++i)
    if (std::tolower(static_cast<unsigned char>(path[path.size() - kLength + i])) != kExtension[i]) return false;
  return true;
}

/// Refuses, before anything is read or written, the files process would write over or could not write: an output
/// that is not named as a WAV file, an output or saved chunk that is a file the command reads or that cannot be
/// written as a file (see OutputsAllowed), and a saved chunk that is the output.
bool ProcessOutputsAllowed(const Options& o)
{
  const std::string& in = o.positional[1];
  const std::string& out = o.positional[2];
  if (!NamesAWavFile(out))
    return Fail(out + ": the output is written as a WAV file (32-bit float, 64-bit with --double); name it " +
                "with .wav at the end"), false;
  const std::string chunk = o.Get("--save-chunk");
  if (!chunk.empty() && SameFile(chunk, out))
    return Fail("--save-chunk " + chunk + " is the output " + out + " (the same file under this name): the chunk " +
                "would replace the render; name another file"), false;
  return OutputsAllowed(o, {out, chunk}, {{"the input file", in}});
}

/// Latency (read from the record now), how the output was aligned, peak and RMS of a finished render.
void PrintRenderReport(Plugin& plugin, const Audio& output, const RenderSettings& settings, bool raw)
{
  const int latency = plugin.Latency();
  std::cout << "latency: " << latency << " samples\n";
  if (raw)
    std::cout << "output: raw, as the plug-in gave it (its latency not removed)\n";
  else
    std::cout << "output: aligned with the input (" << settings.alignLatency
              << " samples of latency dropped at the start, the tail flushed at the end)\n";
  if (!raw && latency != settings.alignLatency)
    Warn("the latency changed from " + std::to_string(settings.alignLatency) + " to " + std::to_string(latency) +
         " samples while rendering; the output is aligned by the first");
  const Levels levels = Measure(output);
  char line[128];
  std::snprintf(line, sizeof line, "peak: %.2f dBFS\nrms: %.2f dBFS\n", levels.peakDb, levels.rmsDb);
  std::cout << line;
}

} // namespace

std::string Usage()
{
  std::string text = "usage: drovik-host COMMAND ... (COMMAND --help for one command)\n";
  for (const CommandForm& form : Forms()) text += std::string("  ") + form.synopsis;
  return text + kStateHelp;
}

std::string CommandUsage(const std::string& command)
{
  const CommandForm& form = FormOf(command);
  std::string text = std::string("usage: drovik-host ") + form.synopsis;
  return Known(form.valued, "--program") ? text + kStateHelp : text;
}

namespace {
/// Answers --help, or parses the arguments of command: -1 to go on, else the exit status.
int Begin(const std::string& command, const Args& args, Options& o)
{
  if (AsksForHelp(args)) {
    std::cout << CommandUsage(command);
    return 0;
  }
  std::string error;
  return Parse(args, FormOf(command), o, error) ? -1 : Fail(error);
}
} // namespace

int CommandInfo(const Args& args)
{
  Options o;
  if (const int status = Begin("info", args, o); status >= 0) return status;
  if (!OutputsAllowed(o, {o.Get("--save-chunk")}, {})) return 1;
  auto plugin = LoadPlugin(o);
  if (!plugin || !ApplyState(*plugin, o)) return 1;
  PrintInfo(*plugin, o.positional[0]);
  return SaveChunkIfAsked(*plugin, o) ? 0 : 1;
}

int CommandProcess(const Args& args)
{
  Options o;
  if (const int status = Begin("process", args, o); status >= 0) return status;
  std::string error;
  if (o.positional.size() != 3) return Fail("process needs PLUGIN IN.wav OUT.wav");
  if (!ProcessOutputsAllowed(o)) return 1;
  Audio input;
  std::string warning;
  if (!ReadAudio(o.positional[1], input, error, &warning)) return Fail(error);
  if (!warning.empty()) Warn(warning);
  if (input.Frames() == 0) return Fail(o.positional[1] + " holds no audio (0 frames): there is nothing to process");
  RenderSettings settings;
  if (!RenderOptions(o, input.sampleRate, settings)) return 1;
  if (settings.sampleRate != input.sampleRate)
    Warn("the plug-in runs at " + FormatHz(settings.sampleRate) + "; the file's samples (at " +
         FormatHz(input.sampleRate) + ") are not resampled, so the audio plays at another pitch and speed");
  auto plugin = LoadPlugin(o);
  if (!plugin || !ApplyState(*plugin, o)) return 1;
  if (const size_t left = input.channels.size() - std::min(input.channels.size(), size_t(plugin->NumInputs())))
    Warn(o.positional[1] + " has " + std::to_string(input.channels.size()) + " channels, the plug-in takes " +
         std::to_string(plugin->NumInputs()) + ": " +
         (left == 1 ? "the last one is" : "the other " + std::to_string(left) + " are") +
         " left out of the output");
  if (settings.useDouble && !plugin->CanDouble()) return Fail("the plug-in has no 64-bit processing");
  if (!settings.useDouble && !plugin->CanReplacing()) return Fail("the plug-in has no 32-bit processing");
  plugin->Context().offline = o.Has("--offline");
  plugin->Start(settings.sampleRate, settings.blockSize);
  const bool raw = o.Has("--raw");
  settings.alignLatency = raw ? 0 : plugin->Latency();
  Audio output = Render(*plugin, input, settings);
  plugin->Stop();
  if (!WriteAudio(o.positional[2], output, settings.useDouble ? SampleFormat::Float64 : SampleFormat::Float32, error))
    return Fail(error);
  PrintRenderReport(*plugin, output, settings, raw);
  return SaveChunkIfAsked(*plugin, o) ? 0 : 1;
}

int CommandGenerate(const Args& args)
{
  Options o;
  if (const int status = Begin("generate", args, o); status >= 0) return status;
  std::string error;
  if (o.positional.size() != 1) return Fail("generate needs OUT.wav");
  if (const std::string refusal = OutputRefusal(o.positional[0], {}); !refusal.empty()) return Fail(refusal);
  double rate = 48000, seconds = 2;
  long channels = 2;
  if (o.Has("--rate") && (!ToDouble(o.Get("--rate"), rate) || rate < 1000 || rate > 1536000))
    return Fail("bad --rate");
  if (o.Has("--seconds") && (!ToDouble(o.Get("--seconds"), seconds) || seconds <= 0 || seconds > 600))
    return Fail("bad --seconds");
  if (o.Has("--channels") && (!ToInt(o.Get("--channels"), channels) || channels < 1 || channels > kMaxChannels))
    return Fail("bad --channels");
  Audio signal = MakeTestSignal(rate, seconds, static_cast<int>(channels));
  if (!WriteAudio(o.positional[0], signal, SampleFormat::Float32, error)) return Fail(error);
  return 0;
}

namespace {
int SaveFile(const Args& args, bool bank)
{
  Options o;
  if (const int status = Begin(bank ? "save-bank" : "save-program", args, o); status >= 0) return status;
  std::string error;
  if (o.positional.size() != 2) return Fail(std::string(bank ? "save-bank" : "save-program") + " needs PLUGIN FILE");
  if (!OutputsAllowed(o, {o.positional[1]}, {})) return 1;
  auto plugin = LoadPlugin(o);
  if (!plugin || !ApplyState(*plugin, o)) return 1;
  std::vector<uint8_t> bytes;
  if (!(bank ? SaveBank(*plugin, bytes, error) : SaveProgram(*plugin, bytes, error))) return Fail(error);
  if (!WriteFileBytes(o.positional[1], bytes, error)) return Fail(error);
  std::cout << "wrote " << bytes.size() << " bytes (" << (plugin->HasChunks() ? "chunk" : "parameter")
            << " form)\n";
  return 0;
}

int LoadFile(const Args& args, bool bank)
{
  Options o;
  if (const int status = Begin(bank ? "load-bank" : "load-program", args, o); status >= 0) return status;
  std::string error;
  if (o.positional.size() != 2) return Fail(std::string(bank ? "load-bank" : "load-program") + " needs PLUGIN FILE");
  if (!OutputsAllowed(o, {o.Get("--save-chunk")}, {{"the input file", o.positional[1]}})) return 1;
  auto plugin = LoadPlugin(o);
  if (!plugin) return 1;
  std::vector<uint8_t> bytes;
  std::string warning;
  if (!ReadFileBytes(o.positional[1], bytes, error)) return Fail(error);
  if (!(bank ? LoadBank(*plugin, bytes, error, &warning) : LoadProgram(*plugin, bytes, error, &warning)))
    return Fail(o.positional[1] + ": " + error);
  if (!warning.empty()) std::cerr << "drovik-host: warning: " << warning << "\n";
  std::cout << "program name: " << Quote(plugin->ProgramName()) << "\n";
  PrintParameters(*plugin);
  return SaveChunkIfAsked(*plugin, o) ? 0 : 1;
}
} // namespace

int CommandSaveProgram(const Args& args) { return SaveFile(args, false); }
int CommandSaveBank(const Args& args) { return SaveFile(args, true); }
int CommandLoadProgram(const Args& args) { return LoadFile(args, false); }
int CommandLoadBank(const Args& args) { return LoadFile(args, true); }

} // namespace host
