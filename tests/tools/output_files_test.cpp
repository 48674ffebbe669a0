// Where the tools write, run as child processes: an existing output keeps its permissions and a symbolic link its
// target, and what cannot or must not be written is refused at once with nothing written: a read-only file, a named
// pipe, a folder, a saved chunk that is the output, a picture that is its own input.
#include "host/audio_file.h"
#include "run_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hosttest;

namespace {

/// What is at a path: the kind of its own entry, the permissions of the file it leads to, and a file's bytes.
struct Entry
{
  mode_t kind = 0;
  mode_t permissions = 0;
  std::vector<uint8_t> bytes;
  bool operator==(const Entry& o) const
  {
    return kind == o.kind && permissions == o.permissions && bytes == o.bytes;
  }
};

Entry EntryAt(const std::string& path)
{
  Entry e;
  struct stat own, led;
  if (lstat(path.c_str(), &own) == 0) e.kind = own.st_mode & S_IFMT;
  if (stat(path.c_str(), &led) == 0) {
    e.permissions = led.st_mode & 07777;
    if (S_ISREG(led.st_mode)) e.bytes = ReadBytes(path);
  }
  return e;
}

std::vector<std::string> Names(const std::string& dir)
{
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void MakeFile(const std::string& path, mode_t mode)
{
  WriteBytes(path, {'o', 'l', 'd'});
  ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

/// A bound on a child that would wait for ever on a pipe, so that such a fault fails the test instead of hanging it.
constexpr const char* kBounded = "timeout 60 ";

} // namespace

TEST(OutputFiles, ProcessKeepsWhatIsThereOrRefusesAtOnce)
{
  const struct
  {
    const char* what;
    std::function<void(const std::string& dir, const std::string& out)> prepare;
    std::vector<std::string> options;
    std::string refusal; // "" when the render is written
  } cases[] = {
      {"a file of mode 0600", [](auto&, auto& out) { MakeFile(out, 0600); }, {}, ""},
      {"a symbolic link", [](auto& dir, auto& out) { MakeFile(dir + "/target.wav", 0640);
                                                     ASSERT_EQ(symlink("target.wav", out.c_str()), 0); }, {}, ""},
      {"a read-only file", [](auto&, auto& out) { MakeFile(out, 0444); }, {}, "it is read-only and is left as it is"},
      {"a named pipe", [](auto&, auto& out) { ASSERT_EQ(mkfifo(out.c_str(), 0644), 0); }, {}, "it is a named pipe"},
      {"a folder", [](auto&, auto& out) { ASSERT_EQ(mkdir(out.c_str(), 0755), 0); }, {}, "it is a folder"},
      {"nothing, with the chunk saved as the output", [](auto&, auto&) {}, {"--save-chunk", "./out.wav"},
       "--save-chunk ./out.wav is the output out.wav (the same file under this name)"},
  };
  for (const auto& c : cases) {
    const std::string dir = TempDir(), out = dir + "/out.wav";
    ASSERT_EQ(RunHost({"generate", dir + "/in.wav", "--seconds", "0.25"}).status, 0);
    c.prepare(dir, out);
    const Entry before = EntryAt(out);
    const std::vector<std::string> names = Names(dir);
    std::vector<std::string> args = {"process", FixturePath(), "in.wav", "out.wav"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const HostRun r = RunHost(args, {}, "cd '" + dir + "' && " + kBounded);
    const Entry after = EntryAt(out);
    EXPECT_EQ(after.kind, before.kind) << c.what;
    EXPECT_EQ(after.permissions, before.permissions) << c.what;
    if (c.refusal.empty()) {
      EXPECT_EQ(r.status, 0) << c.what << ": " << r.err;
      host::Audio audio;
      std::string error;
      EXPECT_TRUE(host::ReadAudio(out, audio, error)) << c.what << ": " << error;
      EXPECT_EQ(audio.Frames(), 12000u) << c.what;
    } else {
      EXPECT_EQ(r.status, 1) << c.what;
      EXPECT_NE(r.err.find("drovik-host: "), std::string::npos) << c.what;
      EXPECT_NE(r.err.find(c.refusal), std::string::npos) << c.what << ": " << r.err;
      EXPECT_EQ(r.out, "") << c.what;
      EXPECT_TRUE(after == before) << c.what << ": changed";
      EXPECT_EQ(Names(dir), names) << c.what << ": a file was left";
    }
  }
}

// The picture tool draws nothing over its own input, under its name or through a link.
TEST(OutputFiles, ThePictureIsNotItsInput)
{
  const char* picture = std::getenv("DROVIK_EDITOR_PICTURE");
  ASSERT_NE(picture, nullptr) << "run the test through ctest";
  const std::string dir = TempDir();
  ASSERT_EQ(RunHost({"generate", dir + "/x.wav", "--seconds", "0.25"}).status, 0);
  ASSERT_EQ(symlink("x.wav", (dir + "/x.png").c_str()), 0);
  const std::vector<uint8_t> original = ReadBytes(dir + "/x.wav");
  for (const std::string out : {"x.wav", "x.png"}) {
    const HostRun r = RunProgram(picture, {out, "--input", "x.wav"}, {}, "cd '" + dir + "' && " + kBounded);
    EXPECT_EQ(r.status, 1) << out;
    EXPECT_NE(r.err.find("drovik-editor-picture: " + out + " is the input file x.wav"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(dir + "/x.wav"), original) << out;
  }
  const HostRun fifo = RunProgram(picture, {"x.wav"}, {}, "cd '" + dir + "' && rm x.wav && mkfifo x.wav && " +
                                  kBounded);
  EXPECT_EQ(fifo.status, 1);
  EXPECT_NE(fifo.err.find("cannot write x.wav: it is a named pipe"), std::string::npos) << fifo.err;
}

namespace {

/// A folder with every kind of file the host reads: a bundle folder B.vst holding a copy of the fixture plug-in, a
/// sound file, a chunk (c.wav), a program and a bank file, and links to some of them.
struct ReadFiles
{
  std::string dir = TempDir();
  const std::string module = "B.vst/Contents/x86_64-linux/B.so";

  ReadFiles()
  {
    EXPECT_EQ(std::system(("mkdir -p '" + dir + "/B.vst/Contents/x86_64-linux' && cp '" + FixturePath() + "' '" +
                           dir + "/" + module + "'").c_str()), 0);
    std::string error;
    EXPECT_TRUE(host::WriteAudio(dir + "/in.wav", host::MakeTestSignal(48000, 0.05, 2), host::SampleFormat::Float32,
                                 error)) << error;
    for (const char* name : {"c.wav", "p.fxp", "b.fxb"}) // read as a chunk, a program and a bank
      WriteBytes(dir + "/" + name, {'r', 'e', 'a', 'd', ' ', uint8_t(name[0])});
    EXPECT_EQ(symlink(module.c_str(), (dir + "/module.wav").c_str()), 0);
    EXPECT_EQ(link((dir + "/" + module).c_str(), (dir + "/hard.so").c_str()), 0);
    EXPECT_EQ(symlink("b.fxb", (dir + "/bank-link.fxb").c_str()), 0);
    EXPECT_EQ(link((dir + "/p.fxp").c_str(), (dir + "/p-hard.fxp").c_str()), 0);
  }
};

} // namespace

// No command writes over a file it reads, whatever name the output gives it: the plug-in's module (inside a bundle
// folder named as the plug-in, through a link, a hard link or another path), an input sound, program or bank file,
// a chunk. Each is refused with a message naming the file and what it is read as, before anything is written.
TEST(OutputFiles, NoCommandWritesOverAFileItReads)
{
  const ReadFiles files;
  const std::string& module = files.module;
  const struct
  {
    std::vector<std::string> args;
    std::string refusal;
    std::string read; // the file read, whose bytes must stay
  } cases[] = {
      {{"process", "B.vst", "in.wav", "o.wav", "--save-chunk", module},
       module + " is the plug-in's module " + module, module},
      {{"process", "B.vst", "in.wav", "module.wav"}, "module.wav is the plug-in's module " + module, module},
      {{"save-bank", "B.vst", "./" + module}, "./" + module + " is the plug-in's module " + module, module},
      {{"save-program", "B.vst/", "hard.so"}, "hard.so is the plug-in's module " + module, module},
      {{"info", "B.vst", "--save-chunk", "B.vst/../" + module}, "is the plug-in's module " + module, module},
      {{"load-program", "hard.so", "p.fxp", "--save-chunk", module}, module + " is the plug-in's module ./hard.so",
       module},
      {{"editor", "B.vst", "--screenshot", module},
       "drovik-host editor: " + module + " is the plug-in's module " + module, module},
      {{"process", "B.vst", "in.wav", "c.wav", "--chunk", "c.wav"}, "c.wav is the --chunk file c.wav", "c.wav"},
      {{"info", "B.vst", "--chunk", "c.wav", "--save-chunk", "./c.wav"}, "./c.wav is the --chunk file c.wav", "c.wav"},
      {{"info", "B.vst", "--load-bank", "b.fxb", "--save-chunk", "b.fxb"}, "b.fxb is the --load-bank file b.fxb",
       "b.fxb"},
      {{"save-bank", "B.vst", "bank-link.fxb", "--load-bank", "b.fxb"}, "bank-link.fxb is the --load-bank file b.fxb",
       "b.fxb"},
      {{"save-program", "B.vst", "p-hard.fxp", "--load-program", "p.fxp"},
       "p-hard.fxp is the --load-program file p.fxp", "p.fxp"},
      {{"process", "B.vst", "in.wav", "o.wav", "--load-program", "p.fxp", "--save-chunk", "p-hard.fxp"},
       "p-hard.fxp is the --load-program file p.fxp", "p.fxp"},
      {{"load-bank", "B.vst", "b.fxb", "--save-chunk", "bank-link.fxb"}, "bank-link.fxb is the input file b.fxb",
       "b.fxb"},
      {{"process", "B.vst", "in.wav", "o.wav", "--save-chunk", "in.wav"}, "in.wav is the input file in.wav", "in.wav"},
  };
  // One folder serves every case (copying the module is the slow part of the set-up); the bytes of every file read
  // are checked after each.
  std::map<std::string, std::vector<uint8_t>> originals;
  for (const auto& c : cases) originals[c.read] = ReadBytes(files.dir + "/" + c.read);
  const std::vector<std::string> names = Names(files.dir);
  for (const auto& c : cases) {
    const std::string what = c.args[0] + ": " + c.refusal;
    const HostRun r = RunHost(c.args, {}, "cd '" + files.dir + "' && ");
    EXPECT_EQ(r.status, 1) << what;
    EXPECT_NE(r.err.find(c.refusal + " (the same file under this name): writing it would destroy the input"),
              std::string::npos) << what << ": " << r.err;
    EXPECT_EQ(r.out, "") << what;
    EXPECT_EQ(ReadBytes(files.dir + "/" + c.read), originals[c.read]) << what;
    EXPECT_EQ(Names(files.dir), names) << what << ": a file was left";
  }
}

// A file written over an existing one takes its read, write and execute bits but never its set-user-id,
// set-group-id or sticky bit; a new file gets 0666 less the creation mask.
TEST(OutputFiles, AReplacedFileGivesNoSpecialBitsToItsSuccessor)
{
  const std::string dir = TempDir(), old = dir + "/old.fxp", fresh = dir + "/new.fxp";
  MakeFile(old, 07754);
  ASSERT_EQ(EntryAt(old).permissions, mode_t(07754)) << "the file system keeps the special bits";
  const HostRun replaced = RunHost({"save-program", FixturePath(), old});
  ASSERT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_EQ(EntryAt(old).permissions, mode_t(0754));
  EXPECT_NE(EntryAt(old).bytes, std::vector<uint8_t>({'o', 'l', 'd'}));
  const HostRun made = RunHost({"save-program", FixturePath(), fresh}, {}, "umask 027 && ");
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(EntryAt(fresh).permissions, mode_t(0640));
}
