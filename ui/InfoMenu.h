// The plug-in menu button at the top left: a two-frame bitmap button that opens a menu with the about box, the
// version check, the manual, the changelog, the data folder, the tooltip switch, the scale resets and switches for
// chosen parameters. Commands reach the plug-in as action ids; pages and folders open through the system.
#pragma once

#include <string>
#include <vector>

#include "core/LibString.h"
#include "graphics/bases/IBitmapBase.h"
#include "graphics/bases/IControl.h"
#include "graphics/bases/IPopupMenu.h"

class IBInfoMenuVQ : public plug::igraphics::IControl, public plug::igraphics::IBitmapBase
{
public:
  /// Action ids and parameters of the menu's entries; -1 leaves an entry out or makes it send nothing.
  struct Entries
  {
    int about = -1, versionCheck = -1;
    int tooltipParam = -1, enumParam = -1;
    int resetSize = -1, resetScale = -1;
    std::vector<int> toggleParams;
    std::vector<int> extraIds;
    std::vector<const char*> extraTexts;
  };

  IBInfoMenuVQ(float x, float y, const plug::igraphics::IBitmap& bitmap, const Entries& entries,
               const char* dataFolder, const char* changelogAddress);
  ~IBInfoMenuVQ() override;

  // [main thread, editor open]
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  void OnPopupMenuSelection(plug::igraphics::IPopupMenu* menu, int valIdx) override;
  void OnRescale() override;
  void Draw(plug::igraphics::IGraphics& g) override { DrawBitmap(g); }

  /// Rebuilds the menu from the current parameter values and opens it.
  void BuildInfoMenu();
  plug::igraphics::IPopupMenu& GetMenu() { return mMenu; }
  /// Sets parameter p to v (rounded to its step, clamped) unless it holds v already; the editor and the host follow.
  void SetParamValue(int p, double v);
  /// The same with an integer, unless the value truncated to an integer is i already.
  void SetParamFromInt(int p, int i);
  /// Where the manual is looked for: the shared documents folder of the product.
  static std::string ManualPath();

private:
  /// Opens the manual, or says where it is looked for when it is not there.
  void OpenManual(plug::igraphics::IGraphics& ui);
  void SendId(int id);
  const plug::IParam* Param(int p) const;
  plug::igraphics::IPopupMenu* EnumSubmenu(int p);

  plug::LibString mChangelog;
  plug::LibString mDataFolder;
  plug::igraphics::IPopupMenu mMenu;
  Entries mEntries;
  int mAboutPos = -1, mVersionPos = -1, mManualPos = -1, mChangelogPos = -1, mFolderPos = -1, mTooltipPos = -1,
      mSizePos = -1, mScalePos = -1;
  plug::igraphics::IPopupMenu* mEnumMenu = nullptr; // owned by its item in mMenu
  std::vector<std::pair<int, int>> mCheckItems;                        // position, parameter
  std::vector<std::pair<plug::igraphics::IPopupMenu*, int>> mSubmenus; // submenu, parameter
  std::vector<std::pair<int, int>> mExtraItems;                        // position, id
};
