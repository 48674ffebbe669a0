// Loads the built Drovik bundle with dlopen and drives it through its entry point like a host: the host
// callback answers 0 to everything, as a minimal Linux host does, or names the host and records window sizes.
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "vst2/vst2.h"

namespace hosttest {

inline intptr_t SilentHost(vst2::Effect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

/// A host that answers its product name (the plug-in tells hosts apart by it) and records the editor sizes the
/// plug-in asks it for; 0 to everything else. One product at a time per test program.
class NamedHost
{
public:
  static void SetProduct(const std::string& product) { State().product = product; }
  /// The sizes asked for so far (width, height), oldest first. [any thread]
  static std::vector<std::pair<int, int>> SizeRequests()
  {
    std::lock_guard<std::mutex> hold(State().lock);
    return State().sizes;
  }
  static intptr_t Callback(vst2::Effect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float)
  {
    if (opcode == vst2::audioMasterGetProductString && ptr)
    {
      std::snprintf(static_cast<char*>(ptr), kProductSize, "%s", State().product.c_str());
      return 1;
    }
    if (opcode == vst2::audioMasterSizeWindow)
    {
      std::lock_guard<std::mutex> hold(State().lock);
      State().sizes.emplace_back(index, static_cast<int>(value));
      return 1;
    }
    return 0;
  }

private:
  static constexpr size_t kProductSize = 64;
  struct Shared
  {
    std::string product;
    std::mutex lock;
    std::vector<std::pair<int, int>> sizes;
  };
  static Shared& State()
  {
    static Shared shared;
    return shared;
  }
};

/// The module, loaded once per test program.
class Bundle
{
public:
  static Bundle& Get()
  {
    static Bundle bundle;
    return bundle;
  }
  vst2::EntryFn Entry(const char* name) const
  {
    return mHandle ? reinterpret_cast<vst2::EntryFn>(dlsym(mHandle, name)) : nullptr;
  }
  static const char* Path() { return DROVIK_BUNDLE_SO; }

private:
  Bundle() : mHandle(dlopen(Path(), RTLD_NOW | RTLD_LOCAL)) {}
  void* mHandle;
};

/// One plug-in instance, closed when it goes.
class Instance
{
public:
  explicit Instance(vst2::HostCallback host = SilentHost, const char* entry = "VSTPluginMain")
  {
    vst2::EntryFn proc = Bundle::Get().Entry(entry);
    mEffect = proc ? proc(host) : nullptr;
  }
  /// An instance made through another module's entry point.
  Instance(vst2::EntryFn proc, vst2::HostCallback host) : mEffect(proc ? proc(host) : nullptr) {}
  ~Instance()
  {
    if (mEffect)
      mEffect->dispatcher(mEffect, vst2::effClose, 0, 0, nullptr, 0.f);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  vst2::Effect* operator->() const { return mEffect; }
  vst2::Effect* Get() const { return mEffect; }
  intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f) const
  {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }
  std::string Text(int32_t opcode, int32_t index = 0) const
  {
    char buf[256] = {};
    Call(opcode, index, 0, buf);
    return buf;
  }
  float GetParam(int idx) const { return mEffect->getParameter(mEffect, idx); }
  void SetParam(int idx, float v) const { mEffect->setParameter(mEffect, idx, v); }
  std::vector<float> AllParams() const
  {
    std::vector<float> v;
    for (int i = 0; i < mEffect->numParams; ++i)
      v.push_back(GetParam(i));
    return v;
  }
  /// The program chunk the plug-in hands out (a copy).
  std::vector<unsigned char> GetChunk(int index = 1) const
  {
    void* data = nullptr;
    const intptr_t size = Call(vst2::effGetChunk, index, 0, &data);
    if (size <= 0 || !data)
      return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
  }
  intptr_t SetChunk(std::vector<unsigned char> bytes, int index = 1) const
  {
    return Call(vst2::effSetChunk, index, intptr_t(bytes.size()), bytes.empty() ? nullptr : bytes.data());
  }

private:
  vst2::Effect* mEffect = nullptr;
};

} // namespace hosttest
