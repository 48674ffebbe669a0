#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/bases/IDirBrowseControlBase.h"

using namespace plug::igraphics;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Texts(const IPopupMenu& menu)
{
  std::vector<std::string> texts;
  for (int i = 0; i < menu.NItems(); ++i)
    texts.push_back(menu.GetItem(i)->GetText());
  return texts;
}

IPopupMenu* SubmenuNamed(const IPopupMenu& menu, const std::string& text)
{
  for (int i = 0; i < menu.NItems(); ++i)
    if (text == menu.GetItem(i)->GetText())
      return menu.GetItem(i)->GetSubmenu();
  return nullptr;
}

struct Browser : IDirBrowseControlBase
{
  /// With the base's own defaults: file extensions hidden, empty folders left out.
  Browser() : IDirBrowseControlBase(IRECT(0, 0, 10, 10), ".dat") {}
  Browser(bool showExtensions, bool showEmpty)
    : IDirBrowseControlBase(IRECT(0, 0, 10, 10), ".dat", showExtensions, showEmpty)
  {
  }
  void Draw(IGraphics&) override {}
};

/// A temporary folder tree, removed afterwards.
struct FolderTree : ::testing::Test
{
  fs::path mRoot = fs::temp_directory_path() / ("dirbrowse-" + std::to_string(getpid()));

  void SetUp() override { fs::create_directories(mRoot); }
  void TearDown() override { fs::remove_all(mRoot); }
  void File(const std::string& relative)
  {
    fs::create_directories((mRoot / relative).parent_path());
    std::ofstream(mRoot / relative) << "x";
  }
  void Folder(const std::string& relative) { fs::create_directories(mRoot / relative); }
};

} // namespace

TEST(MenuInsertion, SortedIndexedAndClampedPlaces)
{
  IPopupMenu menu;
  for (const char* t : {"beta", "Alpha", "alpha"})
    menu.AddItem(new IPopupMenu::Item(t), IPopupMenu::kSorted);
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"alpha", "Alpha", "beta"})); // later equal text goes first
  menu.AddItem(new IPopupMenu::Item("end"), 99);
  menu.AddItem(new IPopupMenu::Item("first"), -7);
  menu.AddItem(new IPopupMenu::Item("second"), 1);
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"first", "second", "alpha", "Alpha", "beta", "end"}));
  EXPECT_EQ(menu.AddItem(static_cast<IPopupMenu::Item*>(nullptr), 0), nullptr);
  EXPECT_EQ(menu.NItems(), 6);
}

// What a menu and an item answer before anything is chosen or set, and for an index with no item.
TEST(MenuInsertion, FreshMenusAndItemsAnswerTheirDefaults)
{
  IPopupMenu plain, made("title", 2, true, {"a"});
  EXPECT_EQ(plain.GetChosenItemIdx(), -1);
  EXPECT_EQ(plain.GetChosenItem(), nullptr);
  EXPECT_STREQ(plain.GetRootTitle(), "");
  EXPECT_EQ(plain.GetPrefix(), 0);
  EXPECT_FALSE(plain.GetCanMultiCheck());
  EXPECT_FALSE(plain.IsShown());
  EXPECT_STREQ(made.GetRootTitle(), "title");
  EXPECT_EQ(made.GetPrefix(), 2);
  EXPECT_TRUE(made.GetCanMultiCheck());
  EXPECT_EQ(made.GetChosenItem(), nullptr);
  for (int i : {-1, 1})
    EXPECT_EQ(made.GetItem(i), nullptr) << i;
  const IPopupMenu::Item& item = *made.GetItem(0);
  EXPECT_EQ(item.GetFlags(), IPopupMenu::Item::kNoFlags);
  EXPECT_TRUE(item.GetEnabled());
  EXPECT_FALSE(item.GetChecked() || item.GetIsSeparator());
  EXPECT_EQ(item.GetSubmenu(), nullptr);
  EXPECT_TRUE(made.AddSeparator()->GetIsSeparator());
}

TEST(MenuInsertion, MenuItemsTakeTextFlagsAndPlace)
{
  IPopupMenu menu("", 0, false, {"a", "b"});
  const struct
  {
    const char* text;
    int index;
    int flags;
  } adds[] = {{"last", IPopupMenu::kAppend, IPopupMenu::Item::kChecked},
              {"front", 0, IPopupMenu::Item::kDisabled},
              {"middle", 2, IPopupMenu::Item::kNoFlags}};
  for (const auto& a : adds)
  {
    IPopupMenu::Item* item = menu.AddMenuItem(a.text, a.index, a.flags);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetFlags(), a.flags) << a.text;
  }
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"front", "a", "middle", "b", "last"}));
  EXPECT_TRUE(menu.GetItem(4)->GetChecked());
  EXPECT_FALSE(menu.GetItem(0)->GetEnabled());
  // Items carry no tag (-1) unless given one, however they were added.
  for (int i = 0; i < menu.NItems(); ++i)
    EXPECT_EQ(menu.GetItem(i)->GetTag(), -1) << i;
  EXPECT_EQ(menu.AddItem("untagged")->GetTag(), -1);
  EXPECT_EQ(menu.AddItem("tagged", IPopupMenu::Item::kNoFlags, 7)->GetTag(), 7);
}

TEST(MenuInsertion, SubmenusShareTheCompletionAndEmptyOnesAreRemoved)
{
  IPopupMenu menu;
  int calls = 0;
  menu.SetFunction([&](IPopupMenu*) { ++calls; });
  IPopupMenu* full = new IPopupMenu("", 0, false, {"item"});
  menu.AddSubmenuItem("full", full);
  menu.AddSubmenuItem("empty", new IPopupMenu());
  menu.AddItem("plain");
  full->ExecFunction();
  EXPECT_EQ(calls, 1);
  menu.RemoveEmptySubmenus();
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"full", "plain"})); // items without a submenu stay
  // Shown, neither the menu nor its submenus change; once off screen again, both do.
  menu.SetShown(true);
  EXPECT_EQ(full->AddItem("while shown"), nullptr);
  menu.SetShown(false);
  EXPECT_NE(full->AddItem("after"), nullptr);
  EXPECT_EQ(full->NItems(), 2);
}

TEST_F(FolderTree, FolderBecomesASortedPrunedMenu)
{
  for (const char* f : {"b.dat", "A.dat", "c.DAT", "x.dat.bak", "x.dat.dat", ".dat", ".hidden.dat",
                        "Sub folder/zeta.dat", "Sub folder/Alpha.dat", "Outer/Inner/deep.dat", ".secret/s.dat"})
    File(f);
  Folder("empty");
  Folder("nested/empty too");
  fs::create_directory_symlink(mRoot / "Sub folder", mRoot / "link.dat");

  Browser b;
  b.AddPath((mRoot.string() + "/").c_str(), "presets");
  b.SetupMenu();
  const IPopupMenu& menu = b.GetMenu();
  // A link counts as a file and is not followed; here it is kept because its name ends in the extension.
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"A", "b", "link", "Outer", "Sub folder"}));
  EXPECT_EQ(Texts(*SubmenuNamed(menu, "Sub folder")), (std::vector<std::string>{"Alpha", "zeta"}));
  EXPECT_EQ(Texts(*SubmenuNamed(*SubmenuNamed(menu, "Outer"), "Inner")), std::vector<std::string>{"deep"});
  EXPECT_EQ(SubmenuNamed(menu, "link"), nullptr);

  ASSERT_EQ(b.NItems(), 6);
  for (int i = 0; i < b.NItems(); ++i)
  {
    const IPopupMenu::Item* item = b.GetItem(i);
    const std::string path = b.GetFilePath(item->GetTag());
    EXPECT_EQ(fs::path(path).stem().string(), item->GetText()) << path;
    EXPECT_EQ(path.find("//"), std::string::npos);
  }
}

TEST_F(FolderTree, EmptyFoldersStayWhenAskedAndSeveralFoldersKeepTheirOrder)
{
  File("one/b.dat");
  Folder("one/nothing");
  File("two/a.dat");
  Browser shown(true, true);
  shown.AddPath((mRoot / "one").c_str(), "Zed");
  shown.AddPath((mRoot / "two").c_str(), "Ant");
  shown.SetupMenu();
  EXPECT_EQ(Texts(shown.GetMenu()), (std::vector<std::string>{"Zed", "Ant"}));
  EXPECT_EQ(Texts(*SubmenuNamed(shown.GetMenu(), "Zed")), (std::vector<std::string>{"b.dat", "nothing"}));

  shown.SetupMenu(); // rebuilt from scratch
  EXPECT_EQ(shown.NItems(), 2);
  EXPECT_EQ(shown.NFiles(), 2);
}

TEST_F(FolderTree, ScanStopsAtTheDepthLimit)
{
  std::string path;
  for (int depth = 0; depth <= IDirBrowseControlBase::kMaxScanDepth + 3; ++depth)
  {
    File(path + "f" + std::to_string(depth) + ".dat");
    path += "d/";
  }
  Browser b;
  b.AddPath(mRoot.c_str(), "");
  b.SetupMenu();
  EXPECT_EQ(b.NItems(), IDirBrowseControlBase::kMaxScanDepth + 1);
}

TEST_F(FolderTree, MissingOrEmptyPathGivesAnEmptyMenu)
{
  Browser b;
  b.AddPath((mRoot / "absent").c_str(), "");
  b.SetupMenu();
  EXPECT_EQ(b.GetMenu().NItems(), 0);
  Browser none;
  none.AddPath("", "");
  none.SetupMenu();
  EXPECT_EQ(none.NItems(), 0);
}
