// Loading a Linux VST 2.x module (a .so, or a bundle folder X.vst holding Contents/x86_64-linux/X.so) and
// driving one instance of it. Everything the plug-in answers is bounded before use: counts are clamped, texts are
// read into oversized buffers and cut, chunk sizes are checked, so a misbehaving plug-in cannot make the host
// index out of range.
#pragma once

#include "host_context.h"
#include "vst2/vst2.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

constexpr int kMaxParams = 8192;
constexpr int kMaxPrograms = 8192;
constexpr int kMaxChannels = 64;
constexpr int kMaxLatency = 1 << 22;
constexpr int32_t kMaxChunkBytes = 256 << 20;
constexpr size_t kMaxTextLength = 255; // longest text the host keeps from a plug-in

/// The .so a path names: the path itself, or the module inside a bundle folder.
std::string ResolveModulePath(const std::string& path);

/// Whether a module is unloaded once its last instance is gone, or stays loaded until the process ends, as most
/// hosts keep plug-ins: libraries it brings in (fontconfig) keep their caches in their own globals, which an unload
/// takes away while the memory stays allocated.
enum class Unload
{
  WhenReleased,
  Never,
};

/// A dlopen'ed module with its entry point. Instances keep it alive. [main thread]
class Module
{
public:
  static std::shared_ptr<Module> Open(const std::string& path, std::string& error,
                                      Unload unload = Unload::WhenReleased);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  vst2::EntryFn Entry() const { return mEntry; }
  const std::string& Path() const { return mPath; }

private:
  Module() = default;
  void* mHandle = nullptr;
  vst2::EntryFn mEntry = nullptr;
  std::string mPath;
};

/// One instance of a plug-in: created through the entry point, opened, closed on destruction.
class Plugin
{
public:
  /// Creates and opens an instance; null with `error` set when the entry fails or the record is not an effect.
  static std::unique_ptr<Plugin> Create(std::shared_ptr<Module> module, std::string& error); // [main thread]
  /// Loads the module at `path` and creates an instance of it.
  static std::unique_ptr<Plugin> Load(const std::string& path, std::string& error,
                                      Unload unload = Unload::WhenReleased); // [main thread]
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  vst2::Effect* Record() { return mEffect; }
  const std::shared_ptr<Module>& GetModule() const { return mModule; }
  HostContext& Context() { return *mContext; }

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f);

  // The record's fields, clamped to what the host can use.
  int NumParams() const;
  int NumPrograms() const;
  int NumInputs() const;
  int NumOutputs() const;
  /// The record's initialDelay as it is now (not as last reported through audioMasterIOChanged), clamped to
  /// 0..kMaxLatency.
  int Latency() const;
  int32_t RecordedLatency() const { return mEffect->initialDelay; } // unclamped, for printing
  /// The latency as last reported through audioMasterIOChanged, clamped to 0..kMaxLatency. [any thread]
  /// Safe to poll while the plug-in's own threads change the record.
  int ReportedLatency() const;
  int32_t Flags() const { return mEffect->flags; }
  int32_t UniqueId() const { return mEffect->uniqueID; }
  int32_t Version() const { return mEffect->version; }
  bool HasChunks() const { return (mEffect->flags & vst2::kFlagProgramChunks) != 0; }
  bool CanReplacing() const { return mEffect->processReplacing != nullptr; }
  bool CanDouble() const
  {
    return (mEffect->flags & vst2::kFlagCanDoubleReplacing) != 0 && mEffect->processDoubleReplacing != nullptr;
  }

  // Texts, each read into a large zeroed buffer and cut at kMaxTextLength.
  std::string EffectName();
  std::string VendorString();
  std::string ProductString();
  std::string ParamName(int index);
  std::string ParamLabel(int index);
  std::string ParamDisplay(int index);
  std::string ProgramName();
  std::string ProgramNameIndexed(int index);
  /// The raw bytes a text request wrote, up to its terminator (for checks on length and encoding).
  std::string RawText(int32_t opcode, int32_t index, size_t* written = nullptr);

  float GetParam(int index);                       // [any thread]
  void SetParam(int index, float normalised);      // [any thread]
  bool SetParamText(int index, const std::string& text);
  intptr_t CanDo(const char* what);
  int CurrentProgram();
  void SetProgram(int index);
  void SetProgramName(const std::string& name);

  /// The plug-in's state chunk (program chunk when `program`, else bank); false when it gives none.
  bool GetChunk(bool program, std::vector<uint8_t>& out);
  intptr_t SetChunk(bool program, const std::vector<uint8_t>& chunk);

  /// Sample rate and block size while suspended, then resume. [main thread]
  void Start(double sampleRate, int maxBlock);
  void Stop();
  bool Running() const { return mRunning; }
  void SetBypass(bool on);

  /// One block through the plug-in. Pointer arrays must hold NumInputs() / NumOutputs() channels. [audio thread]
  void Process(float** inputs, float** outputs, int frames);
  void ProcessDouble(double** inputs, double** outputs, int frames);

private:
  Plugin() = default;
  std::string Text(int32_t opcode, int32_t index);

  std::shared_ptr<Module> mModule;
  std::unique_ptr<HostContext> mContext;
  vst2::Effect* mEffect = nullptr;
  bool mRunning = false;
  std::vector<float*> mInF, mOutF; // pointer arrays with spare slots for plug-ins that read past their counts
  std::vector<double*> mInD, mOutD;
  std::vector<float> mSpareF;
  std::vector<double> mSpareD;
  int mSpareFrames = 0;
};

} // namespace host
