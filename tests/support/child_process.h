// Runs part of a test in a child process of its own: for what a process settles only once (the screen scale its
// view system reads from the display, whether it has a drawing device), so that one test program can try several.
// The child's failures are printed by the child as they happen and fail the test in the parent.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

namespace testsupport {

/// Runs body in a forked child and waits for it; a child still running after `limitSeconds` (when positive) is
/// killed and fails the test. Call it before this process loads the plug-in: a process with threads cannot be
/// forked safely.
template <typename Body>
void ExpectInChildProcess(Body body, int limitSeconds = 0)
{
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0) << "fork failed";
  if (pid == 0)
  {
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  pid_t reaped = 0;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  while (limitSeconds > 0 && (reaped = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (reaped == 0)
  {
    if (limitSeconds > 0)
    {
      kill(pid, SIGKILL);
      ADD_FAILURE() << "the child process was still running after " << limitSeconds << " s";
    }
    reaped = waitpid(pid, &status, 0);
  }
  ASSERT_EQ(reaped, pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
    << "the child process failed (its failures are printed above), status " << status;
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
