#include "program_files.h"

#include <algorithm>

namespace host {
namespace {

FxProgram CurrentValues(Plugin& plugin)
{
  FxProgram p;
  p.pluginId = plugin.UniqueId();
  p.pluginVersion = plugin.Version();
  p.name = plugin.ProgramName();
  p.params.resize(static_cast<size_t>(plugin.NumParams()));
  for (int i = 0; i < plugin.NumParams(); ++i) p.params[static_cast<size_t>(i)] = plugin.GetParam(i);
  p.numParams = plugin.NumParams();
  return p;
}

bool CheckId(Plugin& plugin, int32_t id, std::string& error)
{
  if (id == plugin.UniqueId()) return true;
  error = "the file belongs to plug-in '" + FourChars(id) + "', not '" + FourChars(plugin.UniqueId()) + "'";
  return false;
}

bool CheckValues(Plugin& plugin, const FxProgram& p, std::string& error)
{
  if (p.params.size() <= static_cast<size_t>(plugin.NumParams())) return true;
  error = "the file holds " + std::to_string(p.params.size()) + " values, the plug-in has " +
          std::to_string(plugin.NumParams()) + " parameters";
  return false;
}

void ApplyValues(Plugin& plugin, const FxProgram& p)
{
  for (size_t i = 0; i < p.params.size(); ++i) plugin.SetParam(static_cast<int>(i), p.params[i]);
  if (!p.name.empty()) plugin.SetProgramName(p.name);
}

void NoteAnswer(intptr_t answer, std::string* warning)
{
  if (answer == 0 && warning) *warning = "the plug-in answered 0 to the chunk";
}

} // namespace

bool SaveProgram(Plugin& plugin, std::vector<uint8_t>& bytes, std::string& error)
{
  FxProgram p = CurrentValues(plugin);
  if (plugin.HasChunks()) {
    if (!plugin.GetChunk(true, p.chunk)) {
      error = "the plug-in gave no program chunk";
      return false;
    }
    p.isChunk = true;
    p.params.clear();
  }
  bytes = EncodeProgram(p);
  return true;
}

bool SaveBank(Plugin& plugin, std::vector<uint8_t>& bytes, std::string& error)
{
  FxBank b;
  b.pluginId = plugin.UniqueId();
  b.pluginVersion = plugin.Version();
  b.currentProgram = plugin.CurrentProgram();
  b.numPrograms = plugin.NumPrograms();
  if (plugin.HasChunks()) {
    if (!plugin.GetChunk(false, b.chunk)) {
      error = "the plug-in gave no bank chunk";
      return false;
    }
    b.isChunk = true;
  } else {
    const int current = b.currentProgram;
    for (int i = 0; i < plugin.NumPrograms(); ++i) {
      if (plugin.NumPrograms() > 1) plugin.SetProgram(i);
      b.programs.push_back(CurrentValues(plugin));
    }
    if (plugin.NumPrograms() > 1) plugin.SetProgram(current);
  }
  bytes = EncodeBank(b);
  return true;
}

bool LoadProgram(Plugin& plugin, const std::vector<uint8_t>& bytes, std::string& error, std::string* warning)
{
  const uint32_t form = FormTag(bytes);
  if (form == kTagBank || form == kTagBankChunk) {
    error = "this is a bank file: use load-bank";
    return false;
  }
  FxProgram p;
  if (!DecodeProgram(bytes, p, error)) return false;
  if (!CheckId(plugin, p.pluginId, error)) return false;
  if (p.isChunk) {
    if (!plugin.HasChunks()) {
      error = "a chunk program cannot load into a plug-in without chunks";
      return false;
    }
    NoteAnswer(plugin.SetChunk(true, p.chunk), warning);
    return true;
  }
  if (!CheckValues(plugin, p, error)) return false;
  ApplyValues(plugin, p);
  return true;
}

bool LoadBank(Plugin& plugin, const std::vector<uint8_t>& bytes, std::string& error, std::string* warning)
{
  const uint32_t form = FormTag(bytes);
  if (form == kTagProgram || form == kTagProgramChunk) {
    error = "this is a program file: use load-program";
    return false;
  }
  FxBank b;
  if (!DecodeBank(bytes, b, error)) return false;
  if (!CheckId(plugin, b.pluginId, error)) return false;
  if (b.isChunk) {
    if (!plugin.HasChunks()) {
      error = "a chunk bank cannot load into a plug-in without chunks";
      return false;
    }
    NoteAnswer(plugin.SetChunk(false, b.chunk), warning);
    return true;
  }
  for (const auto& p : b.programs)
    if (!CheckValues(plugin, p, error)) return false;
  const size_t count = std::min(b.programs.size(), static_cast<size_t>(plugin.NumPrograms()));
  if (count < b.programs.size() && warning)
    *warning = "the bank holds " + std::to_string(b.programs.size()) + " programs, the plug-in " +
               std::to_string(plugin.NumPrograms()) + "; the rest were not loaded";
  for (size_t i = 0; i < count; ++i) {
    if (plugin.NumPrograms() > 1) plugin.SetProgram(static_cast<int>(i));
    ApplyValues(plugin, b.programs[i]);
  }
  if (plugin.NumPrograms() > 1 && b.currentProgram >= 0 && b.currentProgram < plugin.NumPrograms())
    plugin.SetProgram(b.currentProgram);
  return true;
}

} // namespace host
