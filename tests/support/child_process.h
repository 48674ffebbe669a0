// Runs part of a test in a child process of its own: for what a process settles only once (the screen scale its
// view system reads from the display, whether it has a drawing device), so that one test program can try several.
// The child's failures are printed by the child as they happen and fail the test in the parent.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

namespace testsupport {

/// Runs body in a forked child and waits for it. Call it before this process loads the plug-in: a process with
/// threads cannot be forked safely.
template <typename Body>
void ExpectInChildProcess(Body body)
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
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
    << "the child process failed (its failures are printed above), status " << status;
}

} // namespace testsupport
