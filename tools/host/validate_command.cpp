#include "commands.h"
#include "validator/validator.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>

namespace host {

int CommandValidate(const Args& args)
{
  validator::Options options;
  bool list = false;
  if (std::find(args.begin(), args.end(), "--help") != args.end() ||
      std::find(args.begin(), args.end(), "-h") != args.end()) {
    std::cout << CommandUsage("validate");
    return 0;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--list") {
      list = true;
    } else if (a == "--in-process") {
      options.isolate = false;
    } else if (a == "--level" && hasValue) {
      options.level = std::atoi(args[++i].c_str());
      if (options.level < validator::kMinLevel || options.level > validator::kMaxLevel) {
        std::cerr << "drovik-host: --level takes " << validator::kMinLevel << ".." << validator::kMaxLevel << "\n";
        return 2;
      }
    } else if (a == "--seed" && hasValue) {
      options.seed = static_cast<uint32_t>(std::strtoul(args[++i].c_str(), nullptr, 10));
    } else if ((a == "--only" || a == "--skip") && hasValue) {
      std::istringstream names(args[++i]);
      std::string name;
      while (std::getline(names, name, ',')) (a == "--only" ? options.only : options.skip).push_back(name);
    } else if (a.compare(0, 2, "--") != 0 && options.pluginPath.empty()) {
      options.pluginPath = a;
    } else {
      std::cerr << "drovik-host: validate: " << (a.compare(0, 1, "-") == 0 ? "unknown option or missing value: " : "unexpected ")
                << a << " (see validate --help)\n";
      return 2;
    }
  }
  if (list) {
    for (const auto& check : validator::CheckNames()) std::cout << "level " << check.second << ": " << check.first << "\n";
    return 0;
  }
  if (options.pluginPath.empty()) {
    std::cerr << "drovik-host: validate needs a plug-in\n";
    return 2;
  }
  std::vector<std::string> named = options.only;
  named.insert(named.end(), options.skip.begin(), options.skip.end());
  for (const auto& name : named) {
    bool known = false;
    for (const auto& check : validator::CheckNames()) known = known || check.first == name;
    if (!known) {
      std::cerr << "drovik-host: no check named \"" << name << "\" (see validate --list)\n";
      return 2;
    }
  }
  const validator::Summary summary = validator::Run(options, std::cout);
  return summary.failed == 0 ? 0 : 1;
}

} // namespace host
