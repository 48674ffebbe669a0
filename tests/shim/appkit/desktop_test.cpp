// The dialog programs the view system starts for file and colour prompts: their answer is read, and what they
// print on stderr (a desktop-bus warning on every run of zenity on a plain desktop) stays out of the host's log.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "appkit/desktop.h"
#include "temp_home.h"
#include "this_process.h"

namespace appkit {
namespace {

/// Sends this process's stderr to a file while it lives.
class CapturedStderr
{
public:
  explicit CapturedStderr(const std::string& path) : mPath(path), mSaved(dup(STDERR_FILENO))
  {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDERR_FILENO);
    close(file);
  }
  ~CapturedStderr() { Restore(); }
  std::string Text()
  {
    Restore();
    return testsupport::ReadFile(mPath);
  }

private:
  void Restore()
  {
    if (mSaved < 0)
      return;
    dup2(mSaved, STDERR_FILENO);
    close(mSaved);
    mSaved = -1;
  }
  std::string mPath;
  int mSaved;
};

TEST(DialogPrograms, TheAnswerIsReadAndTheProgramsStderrStaysOutOfTheHostsLog)
{
  const testsupport::TemporaryFolder folder;
  const std::string program = folder.Path() + "/zenity";
  ASSERT_TRUE(testsupport::WriteFile(program, "#!/bin/sh\n"
                                              "echo 'dbind-WARNING: Could not connect to the accessibility bus' >&2\n"
                                              "echo /home/someone/Warm.fxp\n"));
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  setenv("PATH", (folder.Path() + ":" + oldPath).c_str(), 1);

  std::string answer;
  CapturedStderr log(folder.Path() + "/host.log");
  const int status = RunCapturingOutput({"zenity", "--file-selection"}, answer, [](int, const auto& done) {
    while (!done()) {}
  });
  const std::string logged = log.Text();
  setenv("PATH", oldPath.c_str(), 1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(answer, "/home/someone/Warm.fxp\n");
  EXPECT_EQ(logged, "");
}

TEST(DialogPrograms, AnAnswerLongerThanOneReadComesWhole)
{
  const int descriptors = testsupport::OpenDescriptors();
  std::string answer;
  const int status = RunCapturingOutput({"head", "-c", "10000", "/dev/zero"}, answer, [](int, const auto& done) {
    while (!done()) {}
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(answer.size(), 10000u);
  // A program that cannot start, or none named, answers -1 and nothing, without waiting.
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"/nonexistent/program"}})
  {
    answer = "left over";
    EXPECT_EQ(RunCapturingOutput(args, answer, [](int, const auto&) { ADD_FAILURE() << "waited"; }), -1);
    EXPECT_EQ(answer, "");
  }
  EXPECT_EQ(testsupport::OpenDescriptors(), descriptors) << "each run closes both ends of its pipe";
}

TEST(DetachedPrograms, AProgramEndingWithinTheWaitTellsWhetherItFailedAndOneStillRunningCountsAsStarted)
{
  EXPECT_TRUE(SpawnDetached({"true"}, 10.0));
  EXPECT_FALSE(SpawnDetached({"false"}, 10.0));
  EXPECT_FALSE(SpawnDetached({"sh", "-c", "kill -TERM $$"}, 10.0)); // ended by a signal
  EXPECT_FALSE(SpawnDetached({"/nonexistent/program"}, 10.0));
  EXPECT_FALSE(SpawnDetached({}, 10.0));
  EXPECT_TRUE(SpawnDetached({"sleep", "0.2"}, 0.0)); // not waited for: reaped later
}

} // namespace
} // namespace appkit
