#include "appkit/desktop.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

extern char** environ;

namespace appkit {

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args)
{
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

} // namespace

bool ProgramExists(const std::string& name)
{
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');)
  {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return true;
  }
  return false;
}

bool SpawnDetached(const std::vector<std::string>& args, double timeoutSeconds)
{
  if (args.empty())
    return false;
  std::vector<char*> argv = Argv(args);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    return false;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (std::chrono::steady_clock::now() < limit)
  {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid)
      return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (r < 0)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

int RunCapturingOutput(const std::vector<std::string>& args, std::string& output,
                       const std::function<void(int fd, const std::function<bool()>& done)>& wait)
{
  output.clear();
  if (args.empty())
    return -1;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  // Dialog programs chatter on stderr on every run (a desktop-bus warning on a plain desktop); that would land in
  // the host's log. Their answer is the exit status and the output read here.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv = Argv(args);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0)
  {
    close(fds[0]);
    return -1;
  }
  bool eof = false;
  wait(fds[0], [&] {
    char buf[4096];
    for (;;)
    {
      const ssize_t n = read(fds[0], buf, sizeof(buf));
      if (n > 0)
      {
        output.append(buf, static_cast<size_t>(n));
        // Only one read per wake-up: the rest comes with the next.
        return false;
      }
      eof = n == 0 || errno != EINTR;
      return eof;
    }
  });
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace appkit
