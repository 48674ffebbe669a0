// Runs part of a test in a child process of its own: for what a process settles only once (the screen scale its
// view system reads from the display, whether it has a drawing device), so that one test program can try several.
// What the child writes (its failures as they happen among it) is passed on to the parent's output; a child that
// fails, crashes, ends through Xlib or must be killed fails the test in the parent with how it ended and the last
// lines it wrote. The child and what it starts (X servers, say) form a process group of their own, killed as a
// whole when the child runs past its limit or ends without stopping them; the display files they leave are removed.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "x11_display_numbers.h"

namespace testsupport {

/// How a child process ended, as a failure's message says it: "exited with status 1", "was killed by signal 11
/// (Segmentation fault)".
inline std::string DescribeEnd(int status)
{
  if (WIFEXITED(status))
    return "exited with status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status))
    return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  return "ended with status " + std::to_string(status);
}

/// The output of a child process read through a pipe as it comes, passed on to this process's standard output;
/// keeps the last lines for a failure's message.
class ChildOutput
{
public:
  /// How many of the last lines a failure shows.
  static constexpr size_t kLinesKept = 12;

  ChildOutput()
  {
    if (pipe2(mPipe, O_CLOEXEC) != 0)
      mPipe[0] = mPipe[1] = -1;
  }
  ~ChildOutput()
  {
    for (int fd : mPipe)
      if (fd >= 0)
        close(fd);
  }
  ChildOutput(const ChildOutput&) = delete;
  ChildOutput& operator=(const ChildOutput&) = delete;

  /// In the child: its standard output and error go into the pipe.
  void TakeInChild()
  {
    if (mPipe[1] < 0)
      return;
    dup2(mPipe[1], STDOUT_FILENO);
    dup2(mPipe[1], STDERR_FILENO);
    close(mPipe[0]);
    close(mPipe[1]);
    mPipe[0] = mPipe[1] = -1;
  }
  /// In the parent, after the fork: reads without waiting from now on.
  void ReadInParent()
  {
    if (mPipe[1] >= 0)
      close(mPipe[1]);
    mPipe[1] = -1;
    if (mPipe[0] >= 0)
      fcntl(mPipe[0], F_SETFL, O_NONBLOCK);
  }
  /// Reads what has come and passes it on. (What the child started may hold the pipe open after the child ends:
  /// its end is never waited for.)
  void ReadAvailable()
  {
    char bytes[4096];
    ssize_t n = 0;
    while (mPipe[0] >= 0 && (n = read(mPipe[0], bytes, sizeof(bytes))) > 0)
    {
      std::fwrite(bytes, 1, size_t(n), stdout);
      mTail.append(bytes, size_t(n));
      constexpr size_t kTailBytes = 4096;
      if (mTail.size() > 2 * kTailBytes)
        mTail.erase(0, mTail.size() - kTailBytes);
    }
    std::fflush(stdout);
  }
  /// The last lines written, each indented; "(nothing)" when there were none.
  std::string LastLines() const
  {
    std::vector<std::string> lines;
    for (size_t from = 0; from < mTail.size();)
    {
      const size_t end = std::min(mTail.find('\n', from), mTail.size());
      if (end > from)
        lines.push_back(mTail.substr(from, end - from));
      from = end + 1;
    }
    std::string out;
    for (size_t i = lines.size() > kLinesKept ? lines.size() - kLinesKept : 0; i < lines.size(); ++i)
      out += "    " + lines[i] + "\n";
    return out.empty() ? "    (nothing)\n" : out;
  }

private:
  int mPipe[2] = {-1, -1};
  std::string mTail;
};

/// Runs body in a forked child and waits for it; a child still running after `limitSeconds` (when positive) is
/// killed and fails the test. Call it before this process loads the plug-in: a process with threads cannot be
/// forked safely.
template <typename Body>
void ExpectInChildProcess(Body body, int limitSeconds = 0)
{
  std::fflush(stdout);
  std::fflush(stderr);
  ChildOutput output;
  const std::vector<bool> displaysHeld = DisplayNumbersHeld();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0) << "fork failed";
  if (pid == 0)
  {
    setpgid(0, 0);
    output.TakeInChild();
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  setpgid(pid, pid); // at once, whichever of the two runs first
  output.ReadInParent();
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  bool overLimit = false;
  siginfo_t ended{};
  // Seen ended, not yet reaped: its process group is still its own to kill.
  while (waitid(P_PID, id_t(pid), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0)
  {
    output.ReadAvailable();
    if ((overLimit = limitSeconds > 0 && std::chrono::steady_clock::now() >= limit))
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // What the child started and left running (a server it could not stop) ends with it.
  kill(-pid, SIGKILL);
  int status = 0;
  const pid_t reaped = waitpid(pid, &status, 0);
  output.ReadAvailable();
  RemoveDisplayFilesLeftBy(pid, displaysHeld);
  ASSERT_EQ(reaped, pid);
  if (overLimit)
    ADD_FAILURE() << "the child process was still running after " << limitSeconds
                  << " s and was killed; the last lines it wrote:\n"
                  << output.LastLines();
  else
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the child process " << DescribeEnd(status) << "; the last lines it wrote:\n"
      << output.LastLines();
}

/// Runs `check` in a fresh copy of this test program, started again for the running test alone: a process with
/// none of the threads or the once-made state of the tests before it, and whose helper threads are its own. Passes
/// when `check` returns true and the process ends normally; a fault that ends it (a signal, an abort) fails the test
/// here. For a test that runs where ExpectInChildProcess cannot fork safely, after threads have started. With a
/// limit, a check still running after that many seconds ends the process, which fails the test instead of hanging.
template <typename Check>
void ExpectInFreshProcess(Check check, int limitSeconds = 0)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto bounded = [&] {
    if (limitSeconds <= 0)
      return check();
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
      std::unique_lock<std::mutex> lock(mutex);
      if (!finished.wait_for(lock, std::chrono::seconds(limitSeconds), [&] { return done; }))
      {
        std::fprintf(stderr, "the check was still running after %d s\n", limitSeconds);
        std::_Exit(2);
      }
    });
    const bool passed = check();
    {
      std::lock_guard<std::mutex> lock(mutex);
      done = true;
    }
    finished.notify_one();
    watchdog.join();
    return passed;
  };
  EXPECT_EXIT(std::_Exit(bounded() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

/// Ends a child process the way a program that quits does, through exit (static destructors and exit handlers
/// run), with the status ExpectInChildProcess reads: 1 when the child saw a failure. For children that test how
/// the plug-in takes a host's normal exit.
[[noreturn]] inline void ExitNormally()
{
  std::fflush(stdout);
  std::exit(::testing::Test::HasFailure() ? 1 : 0);
}

} // namespace testsupport
