// XML preset files: save and load, the preset subset, refusals that change nothing, the rescan, the default.
#include "engine_support.h"
#include "temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using enginetest::Make;
using enginetest::Set;

class PresetFiles : public ::testing::Test
{
protected:
  void SetUp() override
  {
    char tmpl[] = "/tmp/drovik-presets-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    mDir = tmpl;
  }
  void TearDown() override { fs::remove_all(mDir); }
  std::string Path(const char* name) const { return mDir + "/" + name; }
  void Write(const char* name, const std::string& text) const { std::ofstream(Path(name), std::ios::binary) << text; }

  std::string mDir;
};

std::string Document(const char* vendor, const char* product, const std::string& params, const char* preset = "P")
{
  return std::string("<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n<PluginVendor>") + vendor +
         "</PluginVendor>\n<PluginName>" + product +
         "</PluginName>\n<PluginVersion>v1.0.1</PluginVersion>\n<Preset name=\"" + preset + "\">\n<Parameter>\n" +
         params + "</Parameter>\n</Preset>\n</PresetXMLTree>\n";
}

const std::vector<std::pair<int, double>> kNonDefaults = {
  {kGUIScale, 1.25},      {kTooltips, 0},          {kOversampling, 1},   {kBypass, 1},          {kClipoffon, 1},
  {kClipCeiling, -7.3},   {kMeterDisplayMode, 0},  {kMeterMode, 1},      {kVURef, -3},          {kEBUSLRef, -4},
  {kEBUMLRef, -5},        {kRMSRef, -6},           {kPEAKRef, -7},       {kMonitorMode0, 2},    {kMonitorMode1, 1},
  {kSat_offon, 1},        {kSat_ProcMode, 3},      {kSat_mode, 2},       {kSat_stages, 4},      {kSat_driveeven, 12},
  {kSat_driveodd, 34},    {kSat_fluctuation, 56},  {kHideKnobText, 1},   {kInputTrim, -1.5},    {kOutputTrim, 2.5},
};

std::vector<double> Values(const Drovik& d)
{
  std::vector<double> v;
  for (int i = 0; i < kNumParams; ++i) v.push_back(d.GetParam(i)->Value());
  return v;
}

TEST_F(PresetFiles, SavingWithoutAPathFails)
{
  auto a = Make();
  EXPECT_FALSE(a->SavePresetFile(""));
  EXPECT_FALSE(a->SavePresetFile(nullptr));
}

TEST_F(PresetFiles, SaveThenLoadRestoresAll25ValuesAndNamesThePreset)
{
  auto a = Make();
  Set(*a, kNonDefaults);
  ASSERT_TRUE(a->SavePresetFile(Path("My Sound.vqp").c_str()));
  auto b = Make();
  ASSERT_TRUE(b->LoadPresetFile(Path("My Sound.vqp").c_str()));
  for (int i = 0; i < kNumParams; ++i)
  {
    const plug::IParam* saved = a->GetParam(i);
    const plug::IParam* loaded = b->GetParam(i);
    ASSERT_TRUE(saved && loaded) << i;
    EXPECT_NEAR(loaded->Value(), saved->Value(), 1e-6) << i;
    EXPECT_NEAR(b->GetMirror(i), saved->Value(), 1e-6) << i; // every parameter was notified
  }
  EXPECT_STREQ(b->GetPresetName(0), "My Sound");
}

// Loading a file announces each parameter to the effect once, as a recall.
TEST_F(PresetFiles, LoadingAFileAnnouncesEachParameterOnce)
{
  struct CountingDrovik : enginetest::TestDrovik
  {
    std::vector<int> recalls = std::vector<int>(kNumParams, 0);
    void OnParamChange(int idx, plug::EParamChangeSource source, int sampleOffset) override
    {
      if (source == plug::kPresetRecall && idx >= 0 && idx < kNumParams) ++recalls[size_t(idx)];
      TestDrovik::OnParamChange(idx, source, sampleOffset);
    }
  };
  auto a = Make();
  Set(*a, kNonDefaults);
  ASSERT_TRUE(a->SavePresetFile(Path("Once.vqp").c_str()));
  CountingDrovik b;
  ASSERT_TRUE(b.LoadPresetFile(Path("Once.vqp").c_str()));
  EXPECT_EQ(b.recalls, std::vector<int>(kNumParams, 1));
}

TEST_F(PresetFiles, MissingSubsetParametersGoToDefaultsOthersKeepTheirs)
{
  auto d = Make();
  Set(*d, kNonDefaults);
  Write("part.vqp", Document("Vesquin", "Drovik",
                             "<Param name=\"Saturation Odd Harmonics\" val=\"77.000000\"/>\n"
                             "<Param name=\"Input Trim\" val=\"3.000000\"/>\n"
                             "<Param name=\"No Such Parameter\" val=\"1\"/>\n"));
  ASSERT_TRUE(d->LoadPresetFile(Path("part.vqp").c_str()));
  EXPECT_EQ(d->GetParam(kSat_driveodd)->Value(), 77.0);
  EXPECT_EQ(d->GetParam(kInputTrim)->Value(), 3.0);
  for (int idx : {kClipoffon, kClipCeiling, kSat_offon, kSat_ProcMode, kSat_mode, kSat_stages, kSat_driveeven,
                  kSat_fluctuation})
    EXPECT_EQ(d->GetParam(idx)->Value(), d->GetParam(idx)->GetDefault()) << idx;
  for (int idx : {kMeterMode, kOutputTrim, kMonitorMode0, kVURef})
    EXPECT_NE(d->GetParam(idx)->Value(), d->GetParam(idx)->GetDefault()) << idx;
  EXPECT_EQ(d->GetMirror(kSat_driveodd), 77.0);
  EXPECT_EQ(d->GetMirror(kSat_offon), 0.0);
  // A file that leaves the odd harmonics out sends them back to their default as well.
  Write("trim.vqp", Document("Vesquin", "Drovik", "<Param name=\"Input Trim\" val=\"2.000000\"/>\n"));
  ASSERT_TRUE(d->LoadPresetFile(Path("trim.vqp").c_str()));
  EXPECT_EQ(d->GetParam(kSat_driveodd)->Value(), d->GetParam(kSat_driveodd)->GetDefault());
  EXPECT_EQ(d->GetMirror(kSat_driveodd), d->GetParam(kSat_driveodd)->GetDefault());
}

// A refused file changes nothing at all: not even the preset subset is reset.
TEST_F(PresetFiles, RefusedFilesChangeNothing)
{
  const std::string ok = "<Param name=\"Saturation Odd Harmonics\" val=\"1.000000\"/>\n";
  const std::pair<const char*, std::string> cases[] = {
    {"foreign-product.vqp", Document("Vesquin", "Other", ok)},
    {"foreign-vendor.vqp", Document("Someone", "Drovik", ok)},
    {"malformed.vqp", Document("Vesquin", "Drovik", ok).substr(0, 150)},
    {"stray-element.vqp", Document("Vesquin", "Drovik", ok + "<Stray/>\n" + ok)},
    {"empty-parameter.vqp", Document("Vesquin", "Drovik", "")},
    {"no-version.vqp", "<PresetXMLTree><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik</PluginName>"
                       "<Preset name=\"x\"><Parameter>" + ok + "</Parameter></Preset></PresetXMLTree>"},
    {"binary.vqp", std::string("\0\x01\x02garbage", 10)},
    {"other-root.vqp", "<PresetTree><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik</PluginName>"
                       "<PluginVersion>v1</PluginVersion><Preset name=\"x\"><Parameter>" + ok +
                       "</Parameter></Preset></PresetTree>"},
    {"unnamed-preset.vqp", "<PresetXMLTree><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik</PluginName>"
                           "<PluginVersion>v1</PluginVersion><Preset title=\"x\"><Parameter>" + ok +
                           "</Parameter></Preset></PresetXMLTree>"},
    {"unreadable-value.vqp", Document("Vesquin", "Drovik", ok + "<Param name=\"Input Trim\" val=\"2dB\"/>\n")},
  };
  for (const auto& c : cases)
  {
    Write(c.first, c.second);
    auto d = Make();
    Set(*d, kNonDefaults);
    const std::vector<double> before = Values(*d);
    EXPECT_FALSE(d->LoadPresetFile(Path(c.first).c_str())) << c.first;
    EXPECT_EQ(Values(*d), before) << c.first;
    EXPECT_EQ(d->GetMirror(kSat_driveodd), 34.0) << c.first;
  }
  auto d = Make();
  Set(*d, kNonDefaults);
  const std::vector<double> before = Values(*d);
  EXPECT_FALSE(d->LoadPresetFile(Path("missing.vqp").c_str()));
  EXPECT_FALSE(d->LoadPresetFile(mDir.c_str())); // a folder
  EXPECT_FALSE(d->LoadPresetFile(""));
  EXPECT_EQ(Values(*d), before);
}

TEST_F(PresetFiles, RescanListsOnlyValidVqpRegularFilesSorted)
{
  auto d = Make();
  const std::string good = Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"3\"/>\n", "%s");
  auto named = [&](const char* name) {
    std::string t = good;
    t.replace(t.find("%s"), 2, name);
    return t;
  };
  Write("b.vqp", named("Bee"));
  Write("a.vqp", named("Ay"));
  Write("C.vqp", named("Cee"));
  Write("notes.txt", named("Text"));
  Write("old.vqp.bak", named("Backup"));
  Write(".hidden.vqp", named("Hidden"));
  Write("foreign.vqp", Document("Vesquin", "Other", "<Param name=\"Saturation Stages\" val=\"3\"/>\n"));
  fs::create_directory(Path("folder.vqp"));
  d->RescanPresets(mDir.c_str());
  ASSERT_EQ(d->NUserPresets(), 3);
  EXPECT_STREQ(d->GetUserPreset(0)->mName, "Cee"); // alphabetical: upper case first
  EXPECT_STREQ(d->GetUserPreset(1)->mName, "Ay");
  EXPECT_STREQ(d->GetUserPreset(2)->mName, "Bee");
  EXPECT_TRUE(d->GetUserPreset(0)->mInitialized);
  // A user preset is a state chunk: restoring it gives the file's values, defaults elsewhere.
  auto e = Make();
  Set(*e, kNonDefaults);
  e->UnserializeState(d->GetUserPreset(1)->mChunk, 0);
  EXPECT_EQ(e->GetParam(kSat_stages)->Value(), 3.0);
  EXPECT_EQ(e->GetParam(kInputTrim)->Value(), 0.0);
  d->RescanPresets((mDir + "/nowhere").c_str());
  EXPECT_EQ(d->NUserPresets(), 0);
}

// A preset slot filled from a file holds its values as the parameters take them (held to their ranges); a
// refused file leaves the slot unnamed and at the defaults.
TEST_F(PresetFiles, ASlotFilledFromAFileHoldsItsValuesInRangeOrTheDefaults)
{
  Write("wide.vqp", Document("Vesquin", "Drovik", "<Param name=\"Saturation Even Harmonics\" val=\"150\"/>\n"
                                                  "<Param name=\"Input Trim\" val=\"-99\"/>\n", "Wide"));
  Write("foreign.vqp", Document("Vesquin", "Other", "<Param name=\"Input Trim\" val=\"3\"/>\n", "Foreign"));
  auto d = Make();
  plug::IPresetSlot wide, foreign;
  EXPECT_TRUE(d->LoadXMLPreset(wide, plug::LibString(Path("wide.vqp").c_str()), false));
  EXPECT_FALSE(d->LoadXMLPreset(foreign, plug::LibString(Path("foreign.vqp").c_str()), false));
  EXPECT_STREQ(wide.mName, "Wide");
  EXPECT_STREQ(foreign.mName, "");
  const std::string text(reinterpret_cast<const char*>(wide.mChunk.GetData()), size_t(wide.mChunk.Size()));
  EXPECT_NE(text.find("name=\"Saturation Even Harmonics\" val=\"100.000000\""), std::string::npos);
  EXPECT_NE(text.find("name=\"Input Trim\" val=\"-24.000000\""), std::string::npos);
  auto e = Make();
  Set(*e, kNonDefaults);
  ASSERT_EQ(e->UnserializeState(foreign.mChunk, 0), foreign.mChunk.Size());
  for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(e->GetParam(i)->Value(), e->GetParam(i)->GetDefault()) << i;
}

// The folder is read again when its modification time moved or a file it held was written over in place (its
// folder's time set back, as a copy over an existing file leaves it).
TEST_F(PresetFiles, RescanReadsTheFolderAgainOnlyWhenItChanged)
{
  auto d = Make();
  auto named = [](const char* name) {
    return Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"3\"/>\n", name);
  };
  Write("a.vqp", named("Ay"));
  d->RescanPresets(mDir.c_str());
  ASSERT_EQ(d->NUserPresets(), 1);
  struct stat before;
  ASSERT_EQ(stat(mDir.c_str(), &before), 0);
  Write("a.vqp", named("Changed"));
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, mDir.c_str(), times, 0), 0);
  d->RescanPresets(mDir.c_str());
  EXPECT_STREQ(d->GetUserPreset(0)->mName, "Changed");
  Write("b.vqp", named("Bee"));
  d->RescanPresets(mDir.c_str());
  ASSERT_EQ(d->NUserPresets(), 2);
  EXPECT_FALSE(d->UserPresetsCut());
}

// A file added to a folder whose other files are old and unchanged is listed at the next rescan: the folder's
// own time tells. (The old file is a link to one the system has: a change time cannot be set back.)
TEST_F(PresetFiles, RescanListsAFileAddedBesideOldUnchangedOnes)
{
  auto d = Make();
  ASSERT_EQ(symlink("/etc/passwd", Path("old.vqp").c_str()), 0);
  const struct timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, mDir.c_str(), longAgo, 0), 0);
  d->RescanPresets(mDir.c_str());
  EXPECT_EQ(d->NUserPresets(), 0);
  Write("b.vqp", Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"3\"/>\n", "Bee"));
  d->RescanPresets(mDir.c_str());
  ASSERT_EQ(d->NUserPresets(), 1);
  EXPECT_STREQ(d->GetUserPreset(0)->mName, "Bee");
}

// Another folder is read even when its time is the same as the last folder's.
TEST_F(PresetFiles, RescanOfAnotherFolderWithTheSameTimeReadsThatFolder)
{
  auto d = Make();
  const struct timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
  for (const char* name : {"empty", "full"})
    ASSERT_EQ(mkdir(Path(name).c_str(), 0700), 0);
  Write("full/b.vqp", Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"3\"/>\n", "Bee"));
  for (const char* name : {"empty", "full"})
    ASSERT_EQ(utimensat(AT_FDCWD, Path(name).c_str(), longAgo, 0), 0);
  d->RescanPresets(Path("empty").c_str());
  EXPECT_EQ(d->NUserPresets(), 0);
  d->RescanPresets(Path("full").c_str());
  ASSERT_EQ(d->NUserPresets(), 1);
  EXPECT_STREQ(d->GetUserPreset(0)->mName, "Bee");
}

// A copy that keeps the times of its source (cp -p, rsync -t) over a listed file of the same size leaves the
// folder's time and the file's own modification time as they were: the file's change time still tells.
TEST_F(PresetFiles, RescanReadsAFileCopiedOverWithItsOldTimesAgain)
{
  auto d = Make();
  auto named = [](const char* name) {
    return Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"3\"/>\n", name);
  };
  Write("a.vqp", named("Ay"));
  const struct timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, mDir.c_str(), longAgo, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, Path("a.vqp").c_str(), longAgo, 0), 0);
  struct stat listed;
  ASSERT_EQ(stat(Path("a.vqp").c_str(), &listed), 0);
  d->RescanPresets(mDir.c_str());
  ASSERT_EQ(d->NUserPresets(), 1);
  ASSERT_STREQ(d->GetUserPreset(0)->mName, "Ay");
  Write("a.vqp", named("Be"));
  // The change time is the clock's at each write: written again until its tick has moved on.
  struct stat copied = listed;
  for (int i = 0; i < 1000000 && copied.st_ctim.tv_sec == listed.st_ctim.tv_sec &&
                  copied.st_ctim.tv_nsec == listed.st_ctim.tv_nsec; ++i)
  {
    ASSERT_EQ(utimensat(AT_FDCWD, Path("a.vqp").c_str(), longAgo, 0), 0);
    ASSERT_EQ(stat(Path("a.vqp").c_str(), &copied), 0);
  }
  ASSERT_EQ(utimensat(AT_FDCWD, Path("a.vqp").c_str(), longAgo, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, mDir.c_str(), longAgo, 0), 0);
  ASSERT_EQ(stat(Path("a.vqp").c_str(), &copied), 0);
  ASSERT_EQ(copied.st_size, listed.st_size);
  ASSERT_EQ(copied.st_ino, listed.st_ino);
  d->RescanPresets(mDir.c_str());
  ASSERT_EQ(d->NUserPresets(), 1);
  EXPECT_STREQ(d->GetUserPreset(0)->mName, "Be");
}

// Folder times advance in clock ticks: a file added within the tick of the folder's last change leaves the
// folder's time as it was, and is still listed at the next rescan.
TEST_F(PresetFiles, AFileAddedWithinTheTickOfTheFoldersLastChangeIsListedAtTheNextRescan)
{
  auto d = Make();
  struct stat folder;
  ASSERT_EQ(stat(mDir.c_str(), &folder), 0);
  d->RescanPresets(mDir.c_str());
  EXPECT_EQ(d->NUserPresets(), 0);
  Write("b.vqp", Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"3\"/>\n", "Bee"));
  const struct timespec sameTick[2] = {folder.st_atim, folder.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, mDir.c_str(), sameTick, 0), 0);
  d->RescanPresets(mDir.c_str());
  EXPECT_EQ(d->NUserPresets(), 1);
}

/// A folder of its own in memory where the system has one (twenty thousand files on a disk take a second or more),
/// else the fixture's; removed with it.
struct ScratchFolder
{
  explicit ScratchFolder(const std::string& fallback)
  {
    char inMemory[] = "/dev/shm/drovik-presets-XXXXXX";
    path = mkdtemp(inMemory) ? inMemory : fallback;
  }
  ~ScratchFolder() { fs::remove_all(path); }
  std::string path;
};

// A folder of exactly as many entries as a scan looks at (its own "." and ".." among them) is read whole; one
// entry more and the list says it was cut.
TEST_F(PresetFiles, RescanReadsAFolderOfTheMostEntriesWholeAndCutsOneOfMore)
{
  const ScratchFolder scratch(mDir);
  const std::string& dir = scratch.path;
  auto d = Make();
  std::ofstream(dir + "/a.vqp", std::ios::binary)
    << Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"3\"/>\n", "Ay");
  const int fillers = Drovik::kMaxFolderEntries - 3; // ".", ".." and the preset
  for (int i = 0; i <= fillers; ++i)
  {
    if (i == fillers)
    {
      d->RescanPresets(dir.c_str());
      EXPECT_EQ(d->NUserPresets(), 1);
      EXPECT_FALSE(d->UserPresetsCut());
    }
    const int fd = open((dir + "/f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
  }
  auto fresh = Make(); // a scan of its own, whatever the folder's time reads
  fresh->RescanPresets(dir.c_str());
  EXPECT_TRUE(fresh->UserPresetsCut());
}

// A folder of one preset file more than a rescan reads lists exactly as many as it reads, and says it was cut.
TEST_F(PresetFiles, RescanListsTheMostPresetFilesAndCutsTheRest)
{
  const ScratchFolder scratch(mDir);
  const std::string& dir = scratch.path;
  const std::string text = Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"2\"/>\n");
  for (int i = 0; i <= Drovik::kMaxUserPresetFiles; ++i)
    std::ofstream(dir + "/" + std::to_string(10000 + i) + ".vqp", std::ios::binary) << text;
  auto d = Make();
  d->RescanPresets(dir.c_str());
  EXPECT_EQ(d->NUserPresets(), Drovik::kMaxUserPresetFiles);
  EXPECT_TRUE(d->UserPresetsCut());
}

// The rescan stops once its time is up, wherever it is: on a clock that moves a tenth of a second each time it is
// read (once as the scan starts, once before each file), the half second is up before the sixth file.
TEST_F(PresetFiles, RescanStopsWhenItsTimeIsUpAndSaysSo)
{
  struct SlowDrovik : enginetest::TestDrovik
  {
    mutable int mReads = 0;
    std::chrono::steady_clock::time_point PresetScanClock() const override
    {
      return std::chrono::steady_clock::time_point(std::chrono::milliseconds(100 * mReads++));
    }
  };
  for (int i = 0; i < 8; ++i)
    Write((std::to_string(i) + ".vqp").c_str(), Document("Vesquin", "Drovik", "<Param name=\"Saturation Stages\" val=\"2\"/>\n"));
  SlowDrovik d;
  d.RescanPresets(mDir.c_str());
  EXPECT_EQ(d.NUserPresets(), 5);
  EXPECT_TRUE(d.UserPresetsCut());
}

TEST(PresetNames, FileNameWithoutExtension)
{
  const std::pair<const char*, const char*> cases[] = {
    {"/a/b/Warm Pad.vqp", "Warm Pad"}, {"plain", "plain"}, {"/x.y/noext", "noext"}, {"/dir/.hidden", ".hidden"},
    {"/dir/a.b.vqp", "a.b"}};
  for (const auto& c : cases)
  {
    plug::LibString name;
    Drovik::PresetNameFromPath(c.first, name);
    EXPECT_STREQ(name.Get(), c.second) << c.first;
  }
}

} // namespace

namespace {

// In a fresh home: the instance makes its data folders there; presets saved into the product folder come back
// from a rescan, and the default preset saved into "VST2" is loaded by the next instance.
TEST(PresetFilesInTheDataFolders, SaveRescanAndDefaultPresetInATemporaryHome)
{
  testsupport::TemporaryHome home;
  auto a = Make();
  ASSERT_EQ(std::string(a->DataFolder().Get()), home.Path() + "/.local/share/Drovik");
  ASSERT_TRUE(fs::is_directory(a->VST2DataFolder().Get()));
  Set(*a, {{kSat_offon, 1}, {kSat_mode, kSatWarm}, {kSat_driveodd, 61}});
  ASSERT_TRUE(a->SavePresetFile((std::string(a->DataFolder().Get()) + "/Zeta.vqp").c_str()));
  ASSERT_TRUE(a->SavePresetFile((std::string(a->DataFolder().Get()) + "/Alpha.vqp").c_str()));
  ASSERT_TRUE(a->SavePresetFile((std::string(a->DataFolder().Get()) + "/Typed").c_str())); // chooser left no ".vqp"
  a->ModifyCurrentPreset("House Default");
  ASSERT_TRUE(a->SaveDefaultPresetFile(a->VST2DataFolder().Get()));

  a->RescanPresets(a->DataFolder().Get());
  ASSERT_EQ(a->NUserPresets(), 3);
  EXPECT_STREQ(a->GetUserPreset(0)->mName, "Alpha");
  EXPECT_STREQ(a->GetUserPreset(1)->mName, "Typed");
  EXPECT_STREQ(a->GetUserPreset(2)->mName, "Zeta");

  auto b = Make();
  EXPECT_STREQ(b->GetPresetName(0), "House Default");
  EXPECT_EQ(b->GetParam(kSat_driveodd)->Value(), 61.0);
  EXPECT_EQ(b->GetMirror(kSat_mode), kSatWarm);
}

// Another local user who plants default.vqp as a link must not get the link's target written: the link is
// replaced by our file. A failed save leaves the old file and no stray temporary file.
TEST(PresetFilesInTheDataFolders, SavingOverALinkReplacesTheLinkNotItsTarget)
{
  testsupport::TemporaryHome home;
  auto a = Make();
  const std::string folder = a->VST2DataFolder().Get(), target = home.Path() + "/victim.txt";
  std::ofstream(target) << "keep me";
  fs::create_symlink(target, folder + "/default.vqp");
  ASSERT_TRUE(a->SaveDefaultPresetFile(folder.c_str()));
  EXPECT_FALSE(fs::is_symlink(folder + "/default.vqp"));
  EXPECT_TRUE(fs::is_regular_file(folder + "/default.vqp"));
  std::ifstream in(target);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");

  fs::create_directory(folder + "/taken.vqp"); // a rename cannot put a file over a folder
  EXPECT_FALSE(a->SavePresetFile((folder + "/taken.vqp").c_str()));
  EXPECT_TRUE(fs::is_directory(folder + "/taken.vqp"));
  const auto entries = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
  EXPECT_EQ(entries, 2); // default.vqp and the folder, no temporary file left behind
}

} // namespace
