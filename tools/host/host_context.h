// What the test host tells a plug-in through the host callback: identity, sample rate, block size, transport,
// and what the plug-in told the host back (latency changes, automation). One context per loaded instance; the
// callback finds it without allocating or locking, so it is safe to answer from the audio thread.
#pragma once

#include "vst2/vst2.h"

#include <atomic>
#include <cstdint>

namespace host {

constexpr int32_t kHostVersion = vst2::kVstVersion;
constexpr const char* kHostVendor = "Drovik";
constexpr const char* kHostProduct = "Drovik Test Host";
constexpr int32_t kHostVendorVersion = 1000;

/// Host callback requests beyond those the plug-in side needs; answered by the host only.
enum ExtraHostOpcode : int32_t
{
  kHostGetLanguage = 38,
  kHostGetDirectory = 41,
};

/// Process levels answered to audioMasterGetCurrentProcessLevel.
enum ProcessLevel : int32_t
{
  kLevelUser = 1,
  kLevelRealtime = 2,
  kLevelOffline = 4,
};

/// The host side of one plug-in instance. Fields are atomics: the plug-in may call back from any thread.
struct HostContext
{
  std::atomic<double> sampleRate{44100.0};
  std::atomic<int32_t> blockSize{512};
  std::atomic<double> samplePos{0.0};
  std::atomic<double> tempo{120.0};
  std::atomic<bool> playing{true};
  std::atomic<bool> offline{false};

  // The plug-in's initialDelay, read when it was created and again on the thread of each I/O-changed report
  // (the plug-in may change the record from its own threads; the host reads it only when told).
  std::atomic<int32_t> latency{0};

  // Counters of what the plug-in reported.
  std::atomic<int> ioChanged{0};
  std::atomic<int> automated{0};
  std::atomic<int> editsBegun{0};
  std::atomic<int> editsEnded{0};
  std::atomic<int> unknownRequests{0};

  // The editor command prints each automation, begin and end of edit as it comes.
  std::atomic<bool> printEdits{false};
};

/// The callback handed to every plug-in entry point. [any thread]
intptr_t HostCallback(vst2::Effect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

/// Makes `context` answer for `effect` (stored in the record's host field) or, with a null effect, for the
/// instance being created on this thread. [main thread]
void BindContext(vst2::Effect* effect, HostContext* context);
void UnbindContext(HostContext* context);
void SetLoadingContext(HostContext* context);

/// Marks the calling thread as the audio thread (realtime process level) while alive.
class AudioThreadScope
{
public:
  AudioThreadScope();
  ~AudioThreadScope();
  AudioThreadScope(const AudioThreadScope&) = delete;
  AudioThreadScope& operator=(const AudioThreadScope&) = delete;

private:
  bool mWas;
};

} // namespace host
