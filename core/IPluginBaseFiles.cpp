// Program (.fxp) and bank (.fxb) files in the VST 2.x layout. Every numeric field of the files is big-endian; the
// chunk forms carry the framework chunk header (in the machine's order) in front of the state, as the state
// chunks handed to a host do. Readers check the whole file before they change anything.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/IPluginBase.h"
#include "core/RegularFile.h"

namespace plug {
namespace {

constexpr uint32_t Tag(const char (&s)[5])
{
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

constexpr uint32_t kChunkTag = Tag("CcnK");
constexpr uint32_t kProgramParamsTag = Tag("FxCk");
constexpr uint32_t kProgramChunkTag = Tag("FPCh");
constexpr uint32_t kBankParamsTag = Tag("FxBk");
constexpr uint32_t kBankChunkTag = Tag("FBCh");
constexpr uint32_t kProgramFormatVersion = 1;
constexpr uint32_t kBankFormatVersion = 2;

constexpr int kNameFieldSize = 28;
constexpr int kProgramHeaderSize = 56;   // tags, fields and name, up to the values or the chunk size
constexpr int kProgramChunkStart = 60;   // behind the chunk size
constexpr int kBankReservedSize = 124;
constexpr int kBankHeaderSize = 156;     // up to the program records or the chunk size
constexpr int kBankChunkStart = 160;

// Offsets of the fields, shared by both files and by the program records inside a bank.
constexpr int kAtChunkTag = 0;
constexpr int kAtFormTag = 8;
constexpr int kAtFormatVersion = 12;
constexpr int kAtPluginID = 16;
constexpr int kAtCount = 24; // parameter count of a program, program count of a bank
constexpr int kAtName = 28;
constexpr int kAtCurrentProgram = 28;

// The framework chunk header in front of the chunk forms' state.
constexpr int32_t kChunkMagic = 0x70666674;
constexpr int32_t kChunkHeaderVersion = 0x00010000;

void PutBigEndian(IStateChunk& chunk, uint32_t value)
{
  const uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
  chunk.PutBytes(bytes, 4);
}

void PutBigEndianFloat(IStateChunk& chunk, float value)
{
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  PutBigEndian(chunk, bits);
}

/// The name field: at most 27 characters and a terminator, zero-filled.
void PutName(IStateChunk& chunk, const char* name)
{
  char field[kNameFieldSize] = {};
  if (name)
    std::memcpy(field, name, strnlen(name, kNameFieldSize - 1));
  chunk.PutBytes(field, kNameFieldSize);
}

void PutZeros(IStateChunk& chunk, int count)
{
  const uint8_t zeros[kBankReservedSize] = {};
  chunk.PutBytes(zeros, count);
}

/// The framework header followed by what `write` appends; false when writing failed.
template <class Write>
bool MakeStateChunk(IStateChunk& state, Write write)
{
  state.Put(&kChunkMagic);
  state.Put(&kChunkHeaderVersion);
  return write(state) && state.Size() > 8;
}

/// The file fields read back from a whole file in memory.
class FileBytes
{
public:
  explicit FileBytes(const IStateChunk& chunk) : mChunk(chunk) {}

  bool Has(int64_t pos, int64_t count) const { return pos >= 0 && pos + count <= mChunk.Size(); }

  uint32_t BigEndianAt(int pos) const
  {
    const uint8_t* b = mChunk.GetData() + pos;
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
  }

  float BigEndianFloatAt(int pos) const
  {
    const uint32_t bits = BigEndianAt(pos);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
  }

  /// The name field at `pos`: up to its first zero byte, at most its 28 bytes; "" when the file ends first.
  void Name(int pos, char (&name)[kNameFieldSize + 1]) const
  {
    name[0] = 0;
    if (!Has(pos, kNameFieldSize))
      return;
    const char* field = reinterpret_cast<const char*>(mChunk.GetData() + pos);
    const size_t length = strnlen(field, kNameFieldSize);
    std::memcpy(name, field, length);
    name[length] = 0;
  }

  /// Where the state of a chunk form starts: behind the framework header when there is one.
  int StateStart(int chunkStart) const
  {
    int32_t magic = 0;
    return (mChunk.Get(&magic, chunkStart) > 0 && magic == kChunkMagic) ? chunkStart + 8 : chunkStart;
  }

  /// True when `count` values from `pos` are present and all finite.
  bool ValuesUsable(int pos, int count) const
  {
    if (!Has(pos, int64_t(count) * 4))
      return false;
    for (int i = 0; i < count; ++i)
      if (!std::isfinite(BigEndianFloatAt(pos + 4 * i)))
        return false;
    return true;
  }

private:
  const IStateChunk& mChunk;
};

bool WriteFile(const char* path, const IStateChunk& chunk)
{
  const size_t size = static_cast<size_t>(chunk.Size());
  return ReplaceFile(path, [&](FILE* file) { return std::fwrite(chunk.GetData(), 1, size, file) == size; });
}

bool ReadFile(const char* path, IStateChunk& chunk)
{
  FILE* file = std::fopen(path, "rb");
  if (!file)
    return false;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(file) : -1;
  ok = ok && length >= 0 && length < INT_MAX && std::fseek(file, 0, SEEK_SET) == 0;
  ok = ok && chunk.Resize(static_cast<int>(length)) == static_cast<int>(length);
  ok = ok && (length == 0 ||
              std::fread(chunk.GetData(), 1, static_cast<size_t>(length), file) == static_cast<size_t>(length));
  std::fclose(file);
  return ok;
}

bool UsablePath(const char* path)
{
  return path && path[0];
}

} // namespace

bool IPluginBase::SaveProgramAsFXP(const char* path) const
{
  if (!UsablePath(path))
    return false;
  IStateChunk state;
  if (mStateChunks && !MakeStateChunk(state, [this](IStateChunk& c) { return SerializeState(c); }))
    return false;
  const IPresetSlot* current = mPresets.Get(mCurrentPresetIdx);
  IStateChunk file;
  PutBigEndian(file, kChunkTag);
  PutBigEndian(file, mStateChunks ? uint32_t(state.Size() + kProgramChunkStart) : 0);
  PutBigEndian(file, mStateChunks ? kProgramChunkTag : kProgramParamsTag);
  PutBigEndian(file, kProgramFormatVersion);
  PutBigEndian(file, uint32_t(mUniqueID));
  PutBigEndian(file, uint32_t(GetPluginVersion(true)));
  PutBigEndian(file, uint32_t(NParams()));
  PutName(file, current ? current->mName : "");
  if (mStateChunks)
  {
    PutBigEndian(file, uint32_t(state.Size()));
    file.PutChunk(state);
  }
  else
  {
    for (int i = 0; i < NParams(); ++i)
      PutBigEndianFloat(file, float(GetParam(i)->GetNormalized()));
  }
  return WriteFile(path, file);
}

bool IPluginBase::SaveBankAsFXB(const char* path) const
{
  if (!UsablePath(path))
    return false;
  IStateChunk state;
  if (mStateChunks && !MakeStateChunk(state, [this](IStateChunk& c) { return SerializePresets(c); }))
    return false;
  IStateChunk file;
  PutBigEndian(file, kChunkTag);
  PutBigEndian(file, mStateChunks ? uint32_t(state.Size() + kBankChunkStart) : 0);
  PutBigEndian(file, mStateChunks ? kBankChunkTag : kBankParamsTag);
  PutBigEndian(file, kBankFormatVersion);
  PutBigEndian(file, uint32_t(mUniqueID));
  PutBigEndian(file, uint32_t(GetPluginVersion(true)));
  PutBigEndian(file, uint32_t(NPresets()));
  PutBigEndian(file, uint32_t(mCurrentPresetIdx));
  PutZeros(file, kBankReservedSize);
  if (mStateChunks)
  {
    PutBigEndian(file, uint32_t(state.Size()));
    file.PutChunk(state);
    return WriteFile(path, file);
  }
  for (int p = 0; p < NPresets(); ++p)
  {
    const IPresetSlot* slot = mPresets.Get(p);
    PutBigEndian(file, kChunkTag);
    PutBigEndian(file, 0);
    PutBigEndian(file, kProgramParamsTag);
    PutBigEndian(file, kProgramFormatVersion);
    PutBigEndian(file, uint32_t(mUniqueID));
    PutBigEndian(file, uint32_t(GetPluginVersion(true)));
    PutBigEndian(file, uint32_t(NParams()));
    PutName(file, slot->mName);
    // The preset's values in the default state format; a value that cannot be read counts as 0.
    int pos = 0;
    for (int i = 0; i < NParams(); ++i)
    {
      double value = 0.0;
      pos = slot->mChunk.Get(&value, pos);
      if (pos < 0)
        value = 0.0;
      PutBigEndianFloat(file, float(GetParam(i)->ToNormalized(value)));
    }
  }
  return WriteFile(path, file);
}

bool IPluginBase::LoadProgramFromFXP(const char* path)
{
  IStateChunk chunk;
  if (!UsablePath(path) || !ReadFile(path, chunk))
    return false;
  const FileBytes file(chunk);
  if (!file.Has(0, kAtPluginID + 4) || file.BigEndianAt(kAtChunkTag) != kChunkTag ||
      file.BigEndianAt(kAtFormatVersion) != kProgramFormatVersion || file.BigEndianAt(kAtPluginID) != uint32_t(mUniqueID))
    return false;
  char name[kNameFieldSize + 1];
  file.Name(kAtName, name);
  const uint32_t form = file.BigEndianAt(kAtFormTag);
  if (form == kProgramChunkTag && mStateChunks)
  {
    // A state that fails to read leaves the plug-in as it was.
    IStateChunk before;
    SerializeState(before);
    if (UnserializeState(chunk, file.StateStart(kProgramChunkStart)) < 0)
    {
      UnserializeState(before, 0);
      return false;
    }
  }
  else if (form == kProgramParamsTag)
  {
    if (!file.ValuesUsable(kProgramHeaderSize, NParams()))
      return false;
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->SetNormalized(file.BigEndianFloatAt(kProgramHeaderSize + 4 * i));
  }
  else
    return false;
  ModifyCurrentPreset(name);
  RestorePreset(mCurrentPresetIdx);
  UpdateHostDisplay();
  return true;
}

bool IPluginBase::LoadBankFromFXB(const char* path)
{
  IStateChunk chunk;
  if (!UsablePath(path) || !ReadFile(path, chunk))
    return false;
  const FileBytes file(chunk);
  if (!file.Has(0, kAtCurrentProgram + 4) || file.BigEndianAt(kAtChunkTag) != kChunkTag ||
      file.BigEndianAt(kAtPluginID) != uint32_t(mUniqueID))
    return false;
  const uint32_t form = file.BigEndianAt(kAtFormTag);
  const int programs = static_cast<int>(file.BigEndianAt(kAtCount));
  const int current = static_cast<int>(file.BigEndianAt(kAtCurrentProgram));

  if (form == kBankChunkTag && mStateChunks)
  {
    // A preset list that fails to read leaves the presets and the present state as they were.
    if (UnserializePresets(chunk, file.StateStart(kBankChunkStart)) < 0)
      return false;
    UpdateHostDisplay();
    return true;
  }
  if (form != kBankParamsTag)
    return false;

  // Check every program record before applying any.
  const int recordSize = kProgramHeaderSize + 4 * NParams();
  int64_t pos = kBankHeaderSize;
  for (int p = 0; p < programs; ++p, pos += recordSize)
  {
    if (!file.Has(pos, recordSize))
      return false;
    const int at = static_cast<int>(pos);
    if (file.BigEndianAt(at + kAtChunkTag) != kChunkTag || file.BigEndianAt(at + kAtFormTag) != kProgramParamsTag ||
        file.BigEndianAt(at + kAtFormatVersion) != kProgramFormatVersion ||
        file.BigEndianAt(at + kAtCount) != uint32_t(NParams()) || !file.ValuesUsable(at + kProgramHeaderSize, NParams()))
      return false;
  }
  // Programs beyond this plug-in's presets have no slot to go to; they are left out rather than written over
  // the current preset.
  const int applied = programs < NPresets() ? programs : NPresets();
  for (int p = 0; p < applied; ++p)
  {
    const int at = kBankHeaderSize + p * recordSize;
    if (!RestorePreset(p))
      continue;
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->SetNormalized(file.BigEndianFloatAt(at + kProgramHeaderSize + 4 * i));
    char name[kNameFieldSize + 1];
    file.Name(at + kAtName, name);
    ModifyCurrentPreset(name);
  }
  RestorePreset(current);
  UpdateHostDisplay();
  return true;
}

} // namespace plug
