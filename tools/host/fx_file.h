// Program (.fxp) and bank (.fxb) files in the public VST 2.x layout: a "CcnK" header with big-endian fields,
// then either one normalised float per parameter ("FxCk" programs, "FxBk" banks of such programs) or the
// plug-in's opaque state chunk ("FPCh" program, "FBCh" bank). Pure byte coding: no plug-in involved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

constexpr size_t kProgramNameSize = 28;   // name field, terminator included
constexpr size_t kProgramHeaderSize = 56; // up to the values or the chunk size
constexpr size_t kBankHeaderSize = 156;   // up to the program records or the chunk size
constexpr int32_t kMaxFileParams = 1 << 16;
constexpr int32_t kMaxFilePrograms = 1 << 16;

constexpr uint32_t FourCC(const char (&id)[5])
{
  return (uint32_t(uint8_t(id[0])) << 24) | (uint32_t(uint8_t(id[1])) << 16) | (uint32_t(uint8_t(id[2])) << 8) |
         uint32_t(uint8_t(id[3]));
}
constexpr uint32_t kTagFile = FourCC("CcnK");
constexpr uint32_t kTagProgram = FourCC("FxCk");
constexpr uint32_t kTagProgramChunk = FourCC("FPCh");
constexpr uint32_t kTagBank = FourCC("FxBk");
constexpr uint32_t kTagBankChunk = FourCC("FBCh");

/// A plug-in id as its four characters ('?' for a byte that is not printable ASCII).
std::string FourChars(int32_t id);
/// The form tag of a file's header ("FxCk", "FPCh", "FxBk", "FBCh"), 0 for bytes too short to hold one.
uint32_t FormTag(const std::vector<uint8_t>& bytes);

struct FxProgram
{
  int32_t pluginId = 0;
  int32_t pluginVersion = 0;
  int32_t numParams = 0; // as the header says; params.size() for the value form
  std::string name;      // at most 27 bytes are written
  bool isChunk = false;
  std::vector<float> params;
  std::vector<uint8_t> chunk;
};

struct FxBank
{
  int32_t pluginId = 0;
  int32_t pluginVersion = 0;
  int32_t formatVersion = 2;
  int32_t currentProgram = 0;
  bool isChunk = false;
  std::vector<FxProgram> programs; // value form
  std::vector<uint8_t> chunk;      // chunk form
  int32_t numPrograms = 0;         // as the header says
};

std::vector<uint8_t> EncodeProgram(const FxProgram& program);
std::vector<uint8_t> EncodeBank(const FxBank& bank);

/// Parses a whole file; false with a reason when any field is out of place or the data runs short.
bool DecodeProgram(const std::vector<uint8_t>& bytes, FxProgram& program, std::string& error);
bool DecodeBank(const std::vector<uint8_t>& bytes, FxBank& bank, std::string& error);

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

} // namespace host
