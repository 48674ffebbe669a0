// Feeds arbitrary bytes to the plug-in's set-chunk request, as a host restoring a saved project would. The
// first byte chooses the program (odd) or bank (even) form; the rest is the chunk. Afterwards every parameter
// must still lie in its range and the state must still be writable.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "effect/Drovik.h"
#include "foundation/main_thread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static Drovik* plug = [] {
    foundation::MainThreadScope mainThread; // as the entry point builds it: no timer tick while half built
    return new Drovik(plug::InstanceInfo{});
  }();
  if (size < 1)
    return 0;
  vst2::Effect& effect = plug->GetEffect();
  std::vector<uint8_t> chunk(data + 1, data + size);
  effect.dispatcher(&effect, vst2::effSetChunk, data[0] & 1, intptr_t(chunk.size()), chunk.data(), 0.f);
  for (int i = 0; i < plug->NParams(); ++i)
  {
    const plug::IParam* p = plug->GetParam(i);
    if (!(p->Value() >= p->GetMin() && p->Value() <= p->GetMax()))
      std::abort();
  }
  void* out = nullptr;
  if (effect.dispatcher(&effect, vst2::effGetChunk, 1, 0, &out, 0.f) <= 0 || !out)
    std::abort();
  return 0;
}
