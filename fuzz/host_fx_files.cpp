// Fuzz target: the test host's program and bank file decoder. Accepted files must survive an encode/decode round
// trip unchanged.
#include "host/fx_file.h"

#include <cstdlib>

namespace {

bool SameProgram(const host::FxProgram& a, const host::FxProgram& b)
{
  return a.pluginId == b.pluginId && a.pluginVersion == b.pluginVersion && a.name == b.name &&
         a.isChunk == b.isChunk && a.chunk == b.chunk && a.params.size() == b.params.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::vector<uint8_t> bytes(data, data + size);
  std::string error;
  host::FxProgram program;
  if (host::DecodeProgram(bytes, program, error)) {
    host::FxProgram again;
    if (!host::DecodeProgram(host::EncodeProgram(program), again, error) || !SameProgram(program, again)) std::abort();
  }
  host::FxBank bank;
  if (host::DecodeBank(bytes, bank, error)) {
    host::FxBank again;
    if (!host::DecodeBank(host::EncodeBank(bank), again, error)) std::abort();
    if (again.isChunk != bank.isChunk || again.chunk != bank.chunk || again.programs.size() != bank.programs.size())
      std::abort();
    for (size_t i = 0; i < bank.programs.size(); ++i)
      if (!SameProgram(bank.programs[i], again.programs[i])) std::abort();
  }
  return 0;
}
