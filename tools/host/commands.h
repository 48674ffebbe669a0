// The test host's commands, each taking its arguments after the command word and returning the exit status.
#pragma once

#include <string>
#include <vector>

namespace host {

using Args = std::vector<std::string>;

int CommandInfo(const Args& args);
int CommandProcess(const Args& args);
int CommandGenerate(const Args& args);
int CommandSaveProgram(const Args& args);
int CommandLoadProgram(const Args& args);
int CommandSaveBank(const Args& args);
int CommandLoadBank(const Args& args);
int CommandValidate(const Args& args);

/// Text for `drovik-host help`.
std::string Usage();
/// Text for `drovik-host COMMAND --help`.
std::string CommandUsage(const std::string& command);

} // namespace host
