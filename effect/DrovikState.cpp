// The effect's state chunk: "RIFF", outer size, version 1, "VQCM", "VQCS", inner size, version 1, then the
// length and text of the XML document with all parameter values, each size padded to an even count.
#include <cstring>
#include <vector>

#include "effect/Drovik.h"

using plug::IStateChunk;

namespace {
constexpr int kIdSize = 4;

void PutId(IStateChunk& chunk, const char* id) { chunk.PutBytes(id, kIdSize); }

bool IdAt(const IStateChunk& chunk, int64_t pos, const char* id)
{
  return pos >= 0 && pos + kIdSize <= chunk.Size() && std::memcmp(chunk.GetData() + pos, id, kIdSize) == 0;
}

uint32_t U32At(const IStateChunk& chunk, int64_t pos)
{
  uint32_t v = 0;
  chunk.Get(&v, static_cast<int>(pos));
  return v;
}

/// Stores the number of bytes from sizePos + 8 to the end at sizePos; pads to an even count.
void CloseSizeField(IStateChunk& chunk, int sizePos)
{
  const uint32_t size = static_cast<uint32_t>(chunk.Size() - (sizePos + 4));
  chunk.PutAt(&size, sizePos);
  if (size & 1)
  {
    const uint8_t pad = 0;
    chunk.Put(&pad);
  }
}
} // namespace

int Drovik::SettingAfter(const ParsedPreset& parsed, int idx) const
{
  const plug::IParam* p = GetParam(idx);
  int setting = p->Int();
  for (const ParsedPreset::Change& c : parsed.mChanges)
    if (c.mIdx == idx) setting = static_cast<int>(p->Constrain(c.mValue));
  return setting;
}

bool Drovik::AppendStateChunk(const double* values, const char* presetName, IStateChunk& chunk) const
{
  const uint32_t zero = 0, version = kChunkVersion;
  PutId(chunk, kChunkRIFF);
  const int outerSizePos = chunk.Size();
  chunk.Put(&zero);
  chunk.Put(&version);
  PutId(chunk, kChunkForm);
  PutId(chunk, kChunkSub);
  const int innerSizePos = chunk.Size();
  chunk.Put(&zero);
  chunk.Put(&version);
  const bool ok = values ? BuildPresetXmlChunk(*this, values, chunk, presetName, false)
                         : WritePresetXmlChunk(*this, chunk, false);
  CloseSizeField(chunk, innerSizePos);
  CloseSizeField(chunk, outerSizePos);
  return ok;
}

bool Drovik::WriteStateChunk(IStateChunk& chunk) const
{
  return AppendStateChunk(nullptr, nullptr, chunk);
}

int Drovik::ReadStateChunk(const IStateChunk& chunk, int pos)
{
  const int64_t size = chunk.Size();
  const int64_t p = pos;
  if (size == 0 || p < 0 || p + 4 > size || !IdAt(chunk, p, kChunkRIFF))
    return pos;
  if (p + 12 > size)
    return -1;
  // A header with a wrong version, id or an empty inner chunk is refused whole: nothing of it can be read.
  if (U32At(chunk, p + 8) != kChunkVersion || p + 16 > size || !IdAt(chunk, p + 12, kChunkForm) || p + 20 > size ||
      !IdAt(chunk, p + 16, kChunkSub) || p + 28 > size || U32At(chunk, p + 20) == 0 ||
      U32At(chunk, p + 24) != kChunkVersion)
    return -1;

  // The document is read and checked before the lock the audio thread takes is held; a refused document
  // changes nothing and fails the whole read.
  ParsedPreset parsed;
  if (ParsePresetXmlChunk(*this, chunk, pos + 28, parsed) == 0)
    return -1;
  // So are the resamplers and meter buffers a new oversampling or meter mode needs.
  PreparedChange prepared;
  const bool own = PrepareChange(SettingAfter(parsed, kOversampling), SettingAfter(parsed, kMeterMode), prepared);
  {
    plug::LibMutexLock lock(mMutex);
    if (own) mPrepared = &prepared;
    ApplyParsedPreset(*this, parsed, mStateSubsetOn, mStateSubsetTable);
    if (own) mPrepared = nullptr;
  }
  const int64_t outer = U32At(chunk, p + 4);
  const int64_t end = p + 8 + outer + (outer & 1);
  return static_cast<int>(end < size ? end : size); // never past the bytes there are
}
