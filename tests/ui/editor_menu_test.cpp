// The in-editor menus as a user meets them: presses while a menu or a submenu fades in, a press on the preset name
// while the preset menu is shown, and a preset name wider than the editor.
#include <algorithm>
#include <string>

#include "editor_fixture.h"
#include "graphics/bases/ITextControl.h"
#include "graphics/overlay/IPopupMenuControl.h"
#include "ui/InfoMenu.h"
#include "ui/PresetMenu.h"
#include "user_preset_file.h"

namespace {

using namespace plug::igraphics;
using appkit::EventType;

struct EditorMenu : editortest::Editor
{
  void SetUp() override
  {
    Editor::SetUp();
    ASSERT_EQ(Open(), 1);
    Frame();
  }
  IPopupMenuControl& Popup() { return *G().GetPopupMenuControl(); }
  IBPresetMenuVQ& PresetMenu() { return *static_cast<IBPresetMenuVQ*>(G().GetControlByTag(3)); }
  /// The cell of the panel that shows the item with the text; none when no such item is shown.
  const IRECT* CellOf(int panel, const char* text)
  {
    if (Popup().NPanels() <= panel) return nullptr;
    const auto& p = Popup().GetPanel(panel);
    for (int i = 0; i < p.NCells(); ++i)
      if (std::string(p.mMenu->GetItem(p.mFirstShownItem + i)->GetText()) == text) return p.Cell(i);
    return nullptr;
  }
  std::string MeterText()
  {
    return static_cast<ITextControl*>(G().GetControl(mPlugin->mLeftMeterIdx.leftText))->GetStr();
  }
  void MoveTo(const IRECT& r) { Send(EventType::kMouseMoved, r.CentreX(), r.CentreY()); }
  /// Opens the preset menu with a click on the name (which rescans the user folder) and rests on a submenu
  /// until its panel shows beside the menu.
  void OpenPresetSubmenu(const char* submenu)
  {
    Click(kPresetName[0], kPresetName[1]);
    Tick(10);
    ASSERT_NE(CellOf(0, submenu), nullptr);
    MoveTo(*CellOf(0, submenu));
    Tick(20);
    ASSERT_EQ(Popup().NPanels(), 2);
  }
  static constexpr double kPresetName[2] = {240, 16};
  static constexpr double kInfoButton[2] = {18, 15};
};

// While a menu fades in, whether the whole menu (100 ms) or a submenu (200 ms), a press on one of its rows
// reaches nothing under the menu.
TEST_F(EditorMenu, PressesWhileAMenuFadesInReachNothingUnderIt)
{
  struct Case
  {
    const double* button;
    const char* submenu; // rested on first, when set
    const char* pressed;
    int ticks;     // 60 Hz frames between the last move and the press
    double pressX; // where on the row, or its centre when 0
  };
  // The first row lies over the input knob, the second over the left meter's reset area.
  const Case cases[] = {{kInfoButton, nullptr, "Reset GUI scale", 3, 53},
                        {kPresetName, "Factory", "Save preset ...", 2, 0}};
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.pressed);
    ProcessSine(0.5, 0.3); // the meters show a level
    Tick(2);
    const std::string level = MeterText();
    ASSERT_NE(level, "-INF");
    const int gestures = mHost.Count(vst2::audioMasterBeginEdit);
    Click(c.button[0], c.button[1]);
    if (c.submenu)
    {
      Tick(10);
      ASSERT_NE(CellOf(0, c.submenu), nullptr);
      MoveTo(*CellOf(0, c.submenu));
    }
    Tick(c.ticks);
    const IRECT* row = CellOf(0, c.pressed);
    ASSERT_NE(row, nullptr);
    const double x = c.pressX ? c.pressX : row->CentreX();
    Send(EventType::kMouseMoved, x, row->CentreY());
    Click(x, row->CentreY());
    Tick(2);
    EXPECT_EQ(mHost.Count(vst2::audioMasterBeginEdit), gestures) << "no control under the menu took the press";
    EXPECT_EQ(MeterText(), level) << "the meters under the menu were not reset";
    Tick(40);
    Click(2, 440); // closes the menu, if still open
    Tick(40);
  }
}

// A press on the preset name while a submenu fades in leaves the menu on screen as it is: choosing from the
// Factory panel then loads the preset shown there. Asked again from elsewhere, the preset control does not rebuild
// the menu being shown either.
TEST_F(EditorMenu, APressOnThePresetNameLeavesTheShownMenuWhole)
{
  Click(kPresetName[0], kPresetName[1]);
  Tick(10);
  ASSERT_NE(CellOf(0, "Factory"), nullptr);
  MoveTo(*CellOf(0, "Factory"));
  Tick(2);
  Click(kPresetName[0], kPresetName[1]);
  PresetMenu().BuildPresetMenu();
  Frame();
  Tick(20);
  Frame();
  ASSERT_EQ(Popup().NPanels(), 2);
  EXPECT_EQ(Popup().GetPanel(1).mMenu, PresetMenu().GetFactoryMenu());
  const IRECT third = *Popup().GetPanel(1).Cell(2);
  MoveTo(third);
  Click(third.CentreX(), third.CentreY());
  Tick(30);
  EXPECT_STREQ(mPlugin->GetPresetName(mPlugin->GetCurrentPresetIdx()), mPlugin->GetFactoryPreset(2)->mName);
}

// Asked to rebuild while its menu is shown, the plug-in menu keeps the rows the user sees and what each does.
TEST_F(EditorMenu, APlugInMenuOnScreenIsNotRebuiltUnderTheUser)
{
  Click(kInfoButton[0], kInfoButton[1]);
  Tick(10);
  static_cast<IBInfoMenuVQ*>(G().GetControlByTag(1))->BuildInfoMenu();
  const IRECT* row = CellOf(0, "Enable tooltips");
  ASSERT_NE(row, nullptr);
  MoveTo(*row);
  Click(row->CentreX(), row->CentreY());
  Tick(30);
  EXPECT_EQ(HostValue(kTooltips), 0.f) << "the row still switches the tooltips";
}

// A user preset whose name is wider than the editor: the User panel stays inside the editor and the other
// entries are drawn in it.
TEST_F(EditorMenu, AUserPresetNameWiderThanTheEditorKeepsItsPanelInside)
{
  const std::string folder = mPlugin->DataFolder().Get();
  testsupport::MakeFolders(folder);
  for (const std::string& name : {std::string(60, 'W'), std::string("Fine")})
    testsupport::WriteFile(folder + "/" + name.substr(0, 8) + ".vqp", testsupport::UserPresetText(name));
  ASSERT_NO_FATAL_FAILURE(OpenPresetSubmenu("User"));
  const auto& user = Popup().GetPanel(1);
  EXPECT_GE(user.mRECT.mLeft, 0.f);
  EXPECT_LE(user.mRECT.mRight, 468.f);
  const IRECT* fine = CellOf(1, "Fine");
  ASSERT_NE(fine, nullptr);
  Frame();
  int dark = 0; // the label's black text on the white panel
  for (int y = int(fine->mTop); y < int(fine->mBottom); ++y)
    for (int x = std::max(0, int(fine->mLeft)); x < int(fine->mLeft) + 60; ++x)
      dark += (Pixel(x, y) & 0xff) < 100;
  EXPECT_GT(dark, 20);
}

// Each of the ten factory presets, the first and the last too, is chosen by its place in the editor's Factory
// menu and sets the saturation and the clipper as that preset has them, as the host and the audio thread see
// them. They are chosen from the last to the first, so that every choice changes something.
TEST_F(EditorMenu, EveryFactoryPresetLoadsFromItsPlaceInTheMenu)
{
  struct Row
  {
    const char* name;
    int satOn, mode, stages;
    double even, odd, fluctuation;
    int clipOn;
    double ceiling;
  };
  const Row rows[] = {
    {"Init", 0, kSatClean, 1, 0.0, 0.0, 0.0, 0, -0.1},
    {"Light", 1, kSatClean, 1, 25.0, 25.0, 0.0, 0, -0.1},
    {"Medium", 1, kSatClean, 2, 51.4, 51.4, 0.0, 0, -0.1},
    {"Warm", 1, kSatWarm, 2, 61.1, 34.3, 3.0, 0, -0.1},
    {"Crazy", 1, kSatCrisp, 3, 82.4, 68.3, 29.0, 0, -0.1},
    {"Fuzzy", 1, kSatCrisp, 5, 0.1, 100.0, 34.2, 1, -27.4},
    {"Hit the ceiling", 1, kSatCrisp, 5, 43.3, 78.8, 0.0, 1, -19.8},
    {"Transformey", 1, kSatCrisp, 5, 0.0, 79.7, 0.0, 0, -0.1},
    {"Tubey", 1, kSatWarm, 5, 100.0, 0.0, 0.0, 0, -0.1},
    {"Unstable Drive", 1, kSatWarm, 5, 75.1, 74.9, 100.0, 0, -0.1},
  };
  constexpr int kRows = int(sizeof(rows) / sizeof(rows[0]));
  for (int i = kRows - 1; i >= 0; --i)
  {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    ASSERT_NO_FATAL_FAILURE(OpenPresetSubmenu("Factory"));
    const auto& factory = Popup().GetPanel(1);
    ASSERT_EQ(factory.mFirstShownItem, 0);
    ASSERT_EQ(factory.NCells(), kRows);
    const IRECT cell = *factory.Cell(i);
    EXPECT_STREQ(factory.mMenu->GetItem(i)->GetText(), row.name);
    MoveTo(cell);
    Click(cell.CentreX(), cell.CentreY());
    Tick(30);
    EXPECT_STREQ(mPlugin->GetPresetName(mPlugin->GetCurrentPresetIdx()), row.name);
    const std::pair<int, double> expected[] = {
      {kSat_offon, row.satOn},         {kSat_mode, row.mode},       {kSat_stages, row.stages},
      {kSat_driveeven, row.even},      {kSat_driveodd, row.odd},    {kSat_fluctuation, row.fluctuation},
      {kClipoffon, row.clipOn},        {kClipCeiling, row.ceiling}, {kSat_ProcMode, kChStereo}};
    for (const auto& [idx, value] : expected)
    {
      EXPECT_NEAR(mPlugin->GetParam(idx)->Value(), value, 1e-9) << mPlugin->GetParam(idx)->GetName();
      EXPECT_NEAR(mPlugin->GetMirror(idx), value, 1e-9) << mPlugin->GetParam(idx)->GetName();
      EXPECT_NEAR(HostValue(idx), mPlugin->GetParam(idx)->ToNormalized(value), 1e-6)
        << mPlugin->GetParam(idx)->GetName();
    }
  }
}

} // namespace
