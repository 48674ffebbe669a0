#include "run_host.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace hosttest {
namespace {

std::string Quote(const std::string& s)
{
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

std::string Slurp(const std::string& path)
{
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Env(const char* name)
{
  const char* v = std::getenv(name);
  return v ? v : "";
}

} // namespace

HostRun RunHost(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env,
                const std::string& shellBefore)
{
  return RunProgram(HostPath(), args, env, shellBefore);
}

HostRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& env, const std::string& shellBefore)
{
  const std::string dir = TempDir();
  std::string command = shellBefore;
  for (const auto& kv : env) command += kv.first + "=" + Quote(kv.second) + " ";
  command += Quote(program);
  for (const auto& a : args) command += " " + Quote(a);
  command += " >" + dir + "/out 2>" + dir + "/err";
  HostRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
  run.out = Slurp(dir + "/out");
  run.err = Slurp(dir + "/err");
  return run;
}

std::string HostPath()
{
  const std::string path = Env("DROVIK_HOST");
  if (path.empty()) throw std::runtime_error("DROVIK_HOST is not set: run the test through ctest");
  return path;
}
std::string FixturePath() { return Env("FIXTURE_PLUGIN"); }
std::string DrovikBundle() { return Env("DROVIK_BUNDLE"); }
std::string ZamPath() { return "/usr/lib/vst/ZamEQ2-vst.so"; }
std::string TempDir()
{
  std::string pattern = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
                        "/drovik-host-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  const char* made = mkdtemp(buffer.data());
  return made ? made : "/tmp";
}

std::string Line(const std::string& text, const std::string& prefix)
{
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, prefix.size(), prefix) == 0) return line;
  return "";
}

std::string Field(const std::string& text, const std::string& key)
{
  const std::string line = Line(text, key + ": ");
  return line.empty() ? "" : line.substr(key.size() + 2);
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace hosttest
