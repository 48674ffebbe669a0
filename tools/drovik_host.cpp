// drovik-host: a command-line VST 2.x host for testing plug-ins (ours and others) without a DAW.
#include "host/commands.h"
#include "host/editor_command.h"

#include <csignal>
#include <cstring>
#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
  // A file grown past the size limit fails its write (and the output is removed) instead of ending the host.
  std::signal(SIGXFSZ, SIG_IGN);
  if (argc < 2 || !std::strcmp(argv[1], "help") || !std::strcmp(argv[1], "--help")) {
    std::cout << host::Usage();
    return argc < 2 ? 2 : 0;
  }
  const std::string command = argv[1];
  const host::Args args(argv + 2, argv + argc);
  struct Entry
  {
    const char* name;
    int (*run)(const host::Args&);
  };
  static const Entry kCommands[] = {
      {"info", host::CommandInfo},
      {"process", host::CommandProcess},
      {"generate", host::CommandGenerate},
      {"save-program", host::CommandSaveProgram},
      {"load-program", host::CommandLoadProgram},
      {"save-bank", host::CommandSaveBank},
      {"load-bank", host::CommandLoadBank},
      {"validate", host::CommandValidate},
      {"editor", host::CommandEditor},
  };
  for (const auto& entry : kCommands) {
    if (command != entry.name) continue;
    try {
      return entry.run(args);
    } catch (const std::exception& e) {
      std::cerr << "drovik-host: " << e.what() << "\n";
      return 1;
    }
  }
  std::cerr << "drovik-host: unknown command " << command << "\n" << host::Usage();
  return 2;
}
