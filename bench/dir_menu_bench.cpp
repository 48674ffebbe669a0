// Building a directory menu over 5,000 files in nested folders (10 folders x 10 subfolders x 50 files, with
// names in no particular order), and sorted insertion of 5,000 items into one menu.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "graphics/bases/IDirBrowseControlBase.h"

namespace fs = std::filesystem;
using namespace plug::igraphics;

namespace {

struct Browser : IDirBrowseControlBase
{
  Browser() : IDirBrowseControlBase(IRECT(0, 0, 10, 10), ".vqp") {}
  void Draw(IGraphics&) override {}
};

/// A scrambled but repeatable name for file i.
std::string Name(int i) { return "Preset " + std::to_string((i * 7919) % 100003); }

struct Tree
{
  fs::path mRoot = fs::temp_directory_path() / ("dir-menu-bench-" + std::to_string(getpid()));
  Tree()
  {
    int n = 0;
    for (int a = 0; a < 10; ++a)
      for (int b = 0; b < 10; ++b)
      {
        const fs::path folder = mRoot / Name(a) / Name(b + 100);
        fs::create_directories(folder);
        for (int f = 0; f < 50; ++f)
          std::ofstream(folder / (Name(n++) + ".vqp")) << "x";
      }
  }
  ~Tree() { fs::remove_all(mRoot); }
};

void BM_DirectoryMenu5000Files(benchmark::State& state)
{
  static Tree tree;
  Browser browser;
  browser.AddPath(tree.mRoot.c_str(), "presets");
  for (auto _ : state)
  {
    browser.SetupMenu();
    benchmark::DoNotOptimize(browser.NItems());
  }
  state.counters["files"] = browser.NItems();
}
BENCHMARK(BM_DirectoryMenu5000Files)->Unit(benchmark::kMillisecond);

void BM_SortedInsert5000Items(benchmark::State& state)
{
  for (auto _ : state)
  {
    IPopupMenu menu;
    for (int i = 0; i < 5000; ++i)
      menu.AddItem(new IPopupMenu::Item(Name(i).c_str()), IPopupMenu::kSorted);
    benchmark::DoNotOptimize(menu.NItems());
  }
}
BENCHMARK(BM_SortedInsert5000Items)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
