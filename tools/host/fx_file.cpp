#include "fx_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace host {
namespace {

constexpr int32_t kProgramFormatVersion = 1;
constexpr int32_t kBankFormatVersion = 2;
constexpr size_t kBankReserved = 124;

class Writer
{
public:
  void U32(uint32_t v)
  {
    for (int shift = 24; shift >= 0; shift -= 8) mBytes.push_back(static_cast<uint8_t>(v >> shift));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v)
  {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
  }
  void Name(const std::string& name)
  {
    const size_t n = std::min(name.size(), kProgramNameSize - 1);
    mBytes.insert(mBytes.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n));
    mBytes.insert(mBytes.end(), kProgramNameSize - n, 0);
  }
  void Zeros(size_t n) { mBytes.insert(mBytes.end(), n, 0); }
  void Bytes(const std::vector<uint8_t>& b) { mBytes.insert(mBytes.end(), b.begin(), b.end()); }
  /// Fills the byte-size field at offset 4: everything after the first eight bytes.
  std::vector<uint8_t> Finish()
  {
    const uint32_t size = static_cast<uint32_t>(mBytes.size() - 8);
    for (int i = 0; i < 4; ++i) mBytes[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
    return std::move(mBytes);
  }

private:
  std::vector<uint8_t> mBytes;
};

class Reader
{
public:
  Reader(const std::vector<uint8_t>& bytes, size_t pos) : mBytes(bytes), mPos(pos) {}
  bool Has(size_t n) const { return mPos <= mBytes.size() && mBytes.size() - mPos >= n; }
  uint32_t U32()
  {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | mBytes[mPos++];
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  float F32()
  {
    uint32_t bits = U32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }
  std::string Name()
  {
    const char* start = reinterpret_cast<const char*>(mBytes.data() + mPos);
    mPos += kProgramNameSize;
    return std::string(start, strnlen(start, kProgramNameSize - 1)); // at most 27: room for the terminator
  }
  std::vector<uint8_t> Take(size_t n)
  {
    std::vector<uint8_t> out(mBytes.begin() + static_cast<std::ptrdiff_t>(mPos),
                             mBytes.begin() + static_cast<std::ptrdiff_t>(mPos + n));
    mPos += n;
    return out;
  }
  void Skip(size_t n) { mPos += n; }

private:
  const std::vector<uint8_t>& mBytes;
  size_t mPos;
};

void ProgramHeader(Writer& w, const FxProgram& p, uint32_t tag, int32_t numParams)
{
  w.U32(kTagFile);
  w.U32(0); // byte size, filled by Finish
  w.U32(tag);
  w.I32(kProgramFormatVersion);
  w.I32(p.pluginId);
  w.I32(p.pluginVersion);
  w.I32(numParams);
  w.Name(p.name);
}

/// A chunk form's payload: a byte count, then that many bytes, all inside the file.
bool ReadChunk(Reader& r, std::vector<uint8_t>& chunk, std::string& error)
{
  if (!r.Has(4)) {
    error = "chunk size missing";
    return false;
  }
  const int32_t size = r.I32();
  if (size < 0 || !r.Has(static_cast<size_t>(size))) {
    error = "chunk size " + std::to_string(size) + " does not fit the file";
    return false;
  }
  chunk = r.Take(static_cast<size_t>(size));
  return true;
}

/// One program record starting at the reader's position (a whole program file or a bank's record).
bool ReadProgram(Reader& r, FxProgram& p, bool chunkAllowed, std::string& error)
{
  if (!r.Has(kProgramHeaderSize)) {
    error = "program header truncated";
    return false;
  }
  if (r.U32() != kTagFile) {
    error = "not a CcnK file";
    return false;
  }
  r.Skip(4); // byte size: writers disagree on it
  const uint32_t tag = r.U32();
  const int32_t version = r.I32();
  p.pluginId = r.I32();
  p.pluginVersion = r.I32();
  p.numParams = r.I32();
  p.name = r.Name();
  if (version < 1 || version > 2) {
    error = "unknown program format version " + std::to_string(version);
    return false;
  }
  if (tag == kTagProgram) {
    if (p.numParams < 0 || p.numParams > kMaxFileParams) {
      error = "bad parameter count " + std::to_string(p.numParams);
      return false;
    }
    if (!r.Has(4 * static_cast<size_t>(p.numParams))) {
      error = "parameter values truncated";
      return false;
    }
    p.isChunk = false;
    p.params.resize(static_cast<size_t>(p.numParams));
    for (auto& v : p.params) v = r.F32();
    return true;
  }
  if (tag == kTagProgramChunk && chunkAllowed) {
    p.isChunk = true;
    return ReadChunk(r, p.chunk, error);
  }
  error = "unknown program form";
  return false;
}

} // namespace

std::vector<uint8_t> EncodeProgram(const FxProgram& p)
{
  Writer w;
  if (p.isChunk) {
    ProgramHeader(w, p, kTagProgramChunk, p.numParams);
    w.I32(static_cast<int32_t>(p.chunk.size()));
    w.Bytes(p.chunk);
  } else {
    ProgramHeader(w, p, kTagProgram, static_cast<int32_t>(p.params.size()));
    for (float v : p.params) w.F32(v);
  }
  return w.Finish();
}

std::vector<uint8_t> EncodeBank(const FxBank& b)
{
  Writer w;
  w.U32(kTagFile);
  w.U32(0);
  w.U32(b.isChunk ? kTagBankChunk : kTagBank);
  w.I32(kBankFormatVersion);
  w.I32(b.pluginId);
  w.I32(b.pluginVersion);
  w.I32(b.isChunk ? b.numPrograms : static_cast<int32_t>(b.programs.size()));
  w.I32(b.currentProgram);
  w.Zeros(kBankReserved);
  if (b.isChunk) {
    w.I32(static_cast<int32_t>(b.chunk.size()));
    w.Bytes(b.chunk);
  } else {
    for (const auto& p : b.programs) {
      Writer record;
      ProgramHeader(record, p, kTagProgram, static_cast<int32_t>(p.params.size()));
      for (float v : p.params) record.F32(v);
      w.Bytes(record.Finish());
    }
  }
  return w.Finish();
}

bool DecodeProgram(const std::vector<uint8_t>& bytes, FxProgram& program, std::string& error)
{
  FxProgram p;
  Reader r(bytes, 0);
  if (!ReadProgram(r, p, true, error)) return false;
  program = std::move(p);
  return true;
}

bool DecodeBank(const std::vector<uint8_t>& bytes, FxBank& bank, std::string& error)
{
  FxBank b;
  Reader r(bytes, 0);
  if (!r.Has(kBankHeaderSize)) {
    error = "bank header truncated";
    return false;
  }
  if (r.U32() != kTagFile) {
    error = "not a CcnK file";
    return false;
  }
  r.Skip(4);
  const uint32_t tag = r.U32();
  b.formatVersion = r.I32();
  b.pluginId = r.I32();
  b.pluginVersion = r.I32();
  b.numPrograms = r.I32();
  b.currentProgram = b.formatVersion >= 2 ? r.I32() : (r.Skip(4), 0);
  r.Skip(kBankReserved);
  if (b.formatVersion < 1 || b.formatVersion > 2) {
    error = "unknown bank format version " + std::to_string(b.formatVersion);
    return false;
  }
  if (b.numPrograms < 0 || b.numPrograms > kMaxFilePrograms) {
    error = "bad program count " + std::to_string(b.numPrograms);
    return false;
  }
  if (tag == kTagBankChunk) {
    b.isChunk = true;
    if (!ReadChunk(r, b.chunk, error)) return false;
  } else if (tag == kTagBank) {
    b.isChunk = false;
    for (int32_t i = 0; i < b.numPrograms; ++i) {
      FxProgram p;
      if (!ReadProgram(r, p, false, error)) {
        error = "program " + std::to_string(i) + ": " + error;
        return false;
      }
      b.programs.push_back(std::move(p));
    }
  } else {
    error = "unknown bank form";
    return false;
  }
  bank = std::move(b);
  return true;
}

std::string FourChars(int32_t id)
{
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xff);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

uint32_t FormTag(const std::vector<uint8_t>& bytes)
{
  if (bytes.size() < 12) return 0;
  return (uint32_t(bytes[8]) << 24) | (uint32_t(bytes[9]) << 16) | (uint32_t(bytes[10]) << 8) | uint32_t(bytes[11]);
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

} // namespace host
