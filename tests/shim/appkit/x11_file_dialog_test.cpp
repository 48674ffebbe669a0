// The X11 back end's file panels as a dialog program sees them: zenity (or, without it, kdialog) is asked to open,
// save or pick a folder, starting in the panel's folder with its file and filter, and the path it prints is the
// answer. A stand-in program in a folder put first on PATH records what it is asked. Skips without a display.

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "appkit/panels.h"
#include "temp_home.h"
#include "x11_host_window.h"

namespace appkit {
namespace {

/// A save panel in the folder, starting on the file, for files of the types.
FilePanel SavePanel(const std::string& directory, const std::string& file, std::vector<std::string> types)
{
  FilePanel save;
  save.kind = FilePanel::Kind::kSave;
  save.directory = directory;
  save.file = file;
  save.allowedFileTypes = std::move(types);
  return save;
}

class X11FileDialog : public X11HostWindow
{
protected:
  void TearDown() override
  {
    setenv("PATH", mOldPath.c_str(), 1);
    X11HostWindow::TearDown();
  }
  /// Puts a stand-in for the program first on PATH (alone on it with onlyIt): it records its arguments one a line
  /// and prints the answer.
  void StandIn(const std::string& program, const std::string& answer, bool onlyIt)
  {
    const std::string path = mFolder.Path() + "/" + program;
    ASSERT_TRUE(testsupport::WriteFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                               Recorded() + "'\necho '" + answer + "'\n"));
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
    setenv("PATH", (onlyIt ? mFolder.Path() : mFolder.Path() + ":" + mOldPath).c_str(), 1);
  }
  std::string Recorded() const { return mFolder.Path() + "/arguments"; }
  std::vector<std::string> Arguments() const
  {
    std::vector<std::string> lines;
    std::ifstream in(Recorded());
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }
  int Run(FilePanel& panel)
  {
    foundation::MainThreadScope main;
    return mApp->RunFilePanel(panel);
  }

  testsupport::TemporaryFolder mFolder;
  const std::string mOldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
};

TEST_F(X11FileDialog, ZenityIsAskedToOpenSaveOrPickAFolderInThePanelsFolderWithItsFilter)
{
  StandIn("zenity", "/home/someone/Warm", false);
  FilePanel save = SavePanel("/home/someone/presets", "Warm.fxp", {"fxp", "fxb"});
  save.allowsOtherFileTypes = false;
  ASSERT_EQ(Run(save), kPanelOKButton);
  EXPECT_EQ(save.filename, "/home/someone/Warm.fxp"); // the first type added to an answer that has none
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--file-selection", "--filename=/home/someone/presets/Warm.fxp",
                                                   "--save", "--file-filter=*.fxp *.fxb "}));

  FilePanel open;
  open.directory = "/data";
  ASSERT_EQ(Run(open), kPanelOKButton);
  EXPECT_EQ(open.filename, "/home/someone/Warm");
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--file-selection", "--filename=/data/"}));
  open.directory = "~/presets/";
  ASSERT_EQ(Run(open), kPanelOKButton);
  EXPECT_EQ(Arguments().at(1), "--filename=" + std::string(std::getenv("HOME")) + "/presets/");

  FilePanel folder;
  folder.canChooseFiles = false;
  folder.canChooseDirectories = true;
  folder.title = "Choose";
  ASSERT_EQ(Run(folder), kPanelOKButton);
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--file-selection", "--filename=", "--directory", "--title=Choose"}));
}

TEST_F(X11FileDialog, WithoutZenityKdialogIsAskedForTheSameThings)
{
  StandIn("kdialog", "/tmp/x.fxb", true);
  FilePanel save = SavePanel("/data", "x.fxb", {"fxb"});
  ASSERT_EQ(Run(save), kPanelOKButton);
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--getsavefilename", "/data/x.fxb", "*.fxb "}));
  FilePanel open;
  ASSERT_EQ(Run(open), kPanelOKButton);
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--getopenfilename", ""}));
  EXPECT_EQ(open.filename, "/tmp/x.fxb");
  FilePanel folder = SavePanel("/data/", "", {"fxb"});
  folder.kind = FilePanel::Kind::kOpen;
  folder.canChooseFiles = false;
  folder.canChooseDirectories = true;
  ASSERT_EQ(Run(folder), kPanelOKButton);
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--getexistingdirectory", "/data/"}));
  // A program that prints nothing has been cancelled: the panel keeps its file.
  StandIn("kdialog", "", true);
  ASSERT_EQ(Run(open), kPanelCancelButton);
  EXPECT_EQ(open.filename, "/tmp/x.fxb");
}

// The colour chooser's answer in either form it prints: each channel lands in its own place.
TEST_F(X11FileDialog, TheColourChoosersAnswerGivesEachChannelItsOwnValue)
{
  for (const char* answer : {"#102030", "rgba(16,32,48,0.5)"})
  {
    StandIn("zenity", answer, true);
    DeviceColor picked{};
    bool called = false;
    {
      foundation::MainThreadScope main;
      ASSERT_TRUE(mApp->ShowColorPanel({1.0, 1.0, 1.0, 1.0}, [&](const DeviceColor& c) { picked = c, called = true; }));
    }
    ASSERT_TRUE(called) << answer;
    EXPECT_DOUBLE_EQ(picked.red, 16 / 255.0) << answer;
    EXPECT_DOUBLE_EQ(picked.green, 32 / 255.0) << answer;
    EXPECT_DOUBLE_EQ(picked.blue, 48 / 255.0) << answer;
  }
  // Closed without a colour: nothing is picked.
  StandIn("zenity", "", true);
  bool called = false;
  {
    foundation::MainThreadScope main;
    EXPECT_TRUE(mApp->ShowColorPanel({1.0, 1.0, 1.0, 1.0}, [&](const DeviceColor&) { called = true; }));
  }
  EXPECT_FALSE(called);
}

} // namespace
} // namespace appkit
