#include "plugin.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace host {
namespace {

constexpr size_t kTextBuffer = 4096; // far larger than any field a plug-in may fill
constexpr int kSpareChannels = 8;
constexpr size_t kChunkSlack = 64;
constexpr uint8_t kChunkSlackByte = 0xa5;

int Clamp(int32_t value, int lo, int hi) { return std::max(lo, std::min(hi, static_cast<int>(value))); }

bool IsDirectory(const std::string& path)
{
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BaseName(std::string path)
{
  while (!path.empty() && path.back() == '/') path.pop_back();
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string ResolveModulePath(const std::string& path)
{
  // A bare file name is a file in the current folder, not a library for the loader to search for.
  if (!IsDirectory(path)) return path.find('/') == std::string::npos ? "./" + path : path;
  std::string name = BaseName(path);
  auto dot = name.rfind('.');
  if (dot != std::string::npos) name = name.substr(0, dot);
  std::string dir = path;
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  return dir + "/Contents/x86_64-linux/" + name + ".so";
}

std::shared_ptr<Module> Module::Open(const std::string& path, std::string& error, Unload unload)
{
  std::string file = ResolveModulePath(path);
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | (unload == Unload::Never ? RTLD_NODELETE : 0));
  if (!handle) {
    const char* why = dlerror();
    error = "cannot load " + file + ": " + (why ? why : "unknown error");
    return nullptr;
  }
  void* entry = dlsym(handle, "VSTPluginMain");
  if (!entry) entry = dlsym(handle, "main");
  if (!entry) {
    error = file + " exports neither VSTPluginMain nor main";
    dlclose(handle);
    return nullptr;
  }
  std::shared_ptr<Module> module(new Module);
  module->mHandle = handle;
  module->mEntry = reinterpret_cast<vst2::EntryFn>(entry);
  module->mPath = file;
  return module;
}

Module::~Module()
{
  if (mHandle) dlclose(mHandle);
}

std::unique_ptr<Plugin> Plugin::Create(std::shared_ptr<Module> module, std::string& error)
{
  std::unique_ptr<Plugin> plugin(new Plugin);
  plugin->mModule = std::move(module);
  plugin->mContext = std::make_unique<HostContext>();
  BindContext(nullptr, plugin->mContext.get());
  SetLoadingContext(plugin->mContext.get());
  vst2::Effect* effect = plugin->mModule->Entry()(HostCallback);
  SetLoadingContext(nullptr);
  if (!effect) {
    UnbindContext(plugin->mContext.get());
    error = "the entry point returned no effect";
    return nullptr;
  }
  if (effect->magic != vst2::kEffectMagic || !effect->dispatcher) {
    UnbindContext(plugin->mContext.get());
    error = "the entry point returned a record that is not a VST 2.x effect";
    return nullptr; // not closed: a record without a valid dispatcher cannot be asked to
  }
  plugin->mEffect = effect;
  plugin->mContext->latency = effect->initialDelay;
  const size_t slots = kMaxChannels + kSpareChannels;
  plugin->mInF.resize(slots);
  plugin->mOutF.resize(slots);
  plugin->mInD.resize(slots);
  plugin->mOutD.resize(slots);
  BindContext(effect, plugin->mContext.get());
  plugin->Dispatch(vst2::effOpen);
  return plugin;
}

std::unique_ptr<Plugin> Plugin::Load(const std::string& path, std::string& error, Unload unload)
{
  auto module = Module::Open(path, error, unload);
  if (!module) return nullptr;
  return Create(std::move(module), error);
}

Plugin::~Plugin()
{
  if (!mEffect) return;
  if (mRunning) Stop();
  Dispatch(vst2::effClose);
  UnbindContext(mContext.get());
  mEffect = nullptr;
}

intptr_t Plugin::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

int Plugin::NumParams() const { return Clamp(mEffect->numParams, 0, kMaxParams); }
int Plugin::NumPrograms() const { return Clamp(mEffect->numPrograms, 0, kMaxPrograms); }
int Plugin::NumInputs() const { return Clamp(mEffect->numInputs, 0, kMaxChannels); }
int Plugin::NumOutputs() const { return Clamp(mEffect->numOutputs, 0, kMaxChannels); }
int Plugin::Latency() const { return Clamp(mEffect->initialDelay, 0, kMaxLatency); }
int Plugin::ReportedLatency() const { return Clamp(mContext->latency.load(), 0, kMaxLatency); }

std::string Plugin::RawText(int32_t opcode, int32_t index, size_t* written)
{
  std::vector<char> buffer(kTextBuffer, 0);
  Dispatch(opcode, index, 0, buffer.data());
  buffer.back() = 0;
  size_t length = std::strlen(buffer.data());
  if (written) *written = length;
  return std::string(buffer.data(), length);
}

std::string Plugin::Text(int32_t opcode, int32_t index)
{
  std::string text = RawText(opcode, index);
  if (text.size() > kMaxTextLength) text.resize(kMaxTextLength);
  return text;
}

std::string Plugin::EffectName() { return Text(vst2::effGetEffectName, 0); }
std::string Plugin::VendorString() { return Text(vst2::effGetVendorString, 0); }
std::string Plugin::ProductString() { return Text(vst2::effGetProductString, 0); }
std::string Plugin::ParamName(int index) { return Text(vst2::effGetParamName, index); }
std::string Plugin::ParamLabel(int index) { return Text(vst2::effGetParamLabel, index); }
std::string Plugin::ParamDisplay(int index) { return Text(vst2::effGetParamDisplay, index); }
std::string Plugin::ProgramName() { return Text(vst2::effGetProgramName, 0); }
std::string Plugin::ProgramNameIndexed(int index) { return Text(vst2::effGetProgramNameIndexed, index); }

float Plugin::GetParam(int index) { return mEffect->getParameter ? mEffect->getParameter(mEffect, index) : 0.f; }

void Plugin::SetParam(int index, float normalised)
{
  if (mEffect->setParameter) mEffect->setParameter(mEffect, index, normalised);
}

bool Plugin::SetParamText(int index, const std::string& text)
{
  std::vector<char> buffer(text.begin(), text.end());
  buffer.resize(std::max<size_t>(buffer.size() + 1, 256), 0);
  return Dispatch(vst2::effString2Parameter, index, 0, buffer.data()) != 0;
}

intptr_t Plugin::CanDo(const char* what)
{
  std::vector<char> buffer(what, what + std::strlen(what) + 1);
  return Dispatch(vst2::effCanDo, 0, 0, buffer.data());
}

int Plugin::CurrentProgram() { return static_cast<int>(Dispatch(vst2::effGetProgram)); }
void Plugin::SetProgram(int index) { Dispatch(vst2::effSetProgram, 0, index); }

void Plugin::SetProgramName(const std::string& name)
{
  std::vector<char> buffer(name.begin(), name.end());
  buffer.resize(std::max<size_t>(buffer.size() + 1, 64), 0);
  Dispatch(vst2::effSetProgramName, 0, 0, buffer.data());
}

bool Plugin::GetChunk(bool program, std::vector<uint8_t>& out)
{
  out.clear();
  if (!HasChunks()) return false;
  void* data = nullptr;
  intptr_t size = Dispatch(vst2::effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || size > kMaxChunkBytes || !data) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  out.assign(bytes, bytes + size);
  return true;
}

intptr_t Plugin::SetChunk(bool program, const std::vector<uint8_t>& chunk)
{
  // The plug-in gets a private copy followed by bytes of a fixed pattern: one that reads past the size it was
  // given reads the same wrong bytes every time, instead of whatever the heap held.
  std::vector<uint8_t> copy(chunk);
  copy.resize(chunk.size() + kChunkSlack, kChunkSlackByte);
  return Dispatch(vst2::effSetChunk, program ? 1 : 0, static_cast<intptr_t>(chunk.size()), copy.data());
}

void Plugin::Start(double sampleRate, int maxBlock)
{
  if (mRunning) Stop();
  maxBlock = std::max(1, maxBlock);
  mContext->sampleRate = sampleRate;
  mContext->blockSize = maxBlock;
  if (maxBlock > mSpareFrames) {
    mSpareFrames = maxBlock;
    mSpareF.assign(static_cast<size_t>(maxBlock), 0.f);
    mSpareD.assign(static_cast<size_t>(maxBlock), 0.0);
  }
  Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(vst2::effSetBlockSize, 0, maxBlock);
  Dispatch(vst2::effMainsChanged, 0, 1);
  Dispatch(vst2::effStartProcess);
  mRunning = true;
}

void Plugin::Stop()
{
  if (!mRunning) return;
  Dispatch(vst2::effStopProcess);
  Dispatch(vst2::effMainsChanged, 0, 0);
  mRunning = false;
}

void Plugin::SetBypass(bool on) { Dispatch(vst2::effSetBypass, 0, on ? 1 : 0); }

namespace {
template <typename T>
void FillPointers(std::vector<T*>& to, T** from, int count, T* spare)
{
  // The arrays are sized once at creation: no allocation here.
  for (int c = 0; c < count; ++c) to[static_cast<size_t>(c)] = from[c];
  for (size_t c = static_cast<size_t>(count); c < to.size(); ++c) to[c] = spare;
}
} // namespace

void Plugin::Process(float** inputs, float** outputs, int frames)
{
  if (!mEffect->processReplacing || frames <= 0) return;
  if (frames > mSpareFrames) {
    mSpareFrames = frames;
    mSpareF.assign(static_cast<size_t>(frames), 0.f);
    mSpareD.assign(static_cast<size_t>(frames), 0.0);
  }
  FillPointers(mInF, inputs, NumInputs(), mSpareF.data());
  FillPointers(mOutF, outputs, NumOutputs(), mSpareF.data());
  AudioThreadScope audio;
  mEffect->processReplacing(mEffect, mInF.data(), mOutF.data(), frames);
  mContext->samplePos = mContext->samplePos.load() + frames;
}

void Plugin::ProcessDouble(double** inputs, double** outputs, int frames)
{
  if (!CanDouble() || frames <= 0) return;
  if (frames > mSpareFrames) {
    mSpareFrames = frames;
    mSpareF.assign(static_cast<size_t>(frames), 0.f);
    mSpareD.assign(static_cast<size_t>(frames), 0.0);
  }
  FillPointers(mInD, inputs, NumInputs(), mSpareD.data());
  FillPointers(mOutD, outputs, NumOutputs(), mSpareD.data());
  AudioThreadScope audio;
  mEffect->processDoubleReplacing(mEffect, mInD.data(), mOutD.data(), frames);
  mContext->samplePos = mContext->samplePos.load() + frames;
}

} // namespace host
