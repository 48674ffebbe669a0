// The preset control of the title strip: shows the current preset's name, opens the preset menu (load, reset,
// save, save as default, the factory and user lists) and can step through the factory list with two buttons.
// Commands on files reach the plug-in as action ids; list entries are applied by the control itself.
#pragma once

#include <string>

#include "core/LibString.h"
#include "graphics/resources/IBitmap.h"
#include "graphics/bases/IControl.h"
#include "graphics/bases/IPopupMenu.h"

class Drovik;
namespace plug {
struct IPresetSlot;
}

class IBPresetMenuVQ : public plug::igraphics::IControl
{
public:
  /// Action ids sent for the menu's commands; -1 sends nothing.
  struct Ids
  {
    int load = -1, save = -1, saveDefault = -1, rescan = -1, reset = -1;
  };
  /// Where the parts sit: the control, the click area of the name, the drawn name, and the two buttons.
  struct Places
  {
    plug::igraphics::IRECT bounds, nameArea, textArea;
    float prevX = 0, prevY = 0, nextX = 0, nextY = 0;
  };

  IBPresetMenuVQ(Drovik& plugin, const Places& places, const plug::igraphics::IText& text,
                 const plug::igraphics::IBitmap& previous, const plug::igraphics::IBitmap& next, const Ids& ids,
                 const char* presetFolder, const char* extension, int nameLimit, bool buttonsEnabled,
                 bool userPresetsAsFiles);
  ~IBPresetMenuVQ() override;

  // [main thread, editor open]
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  void OnResize() override;
  void OnRescale() override;
  void OnPopupMenuSelection(plug::igraphics::IPopupMenu* menu, int valIdx) override;
  void Draw(plug::igraphics::IGraphics& g) override;

  /// Rebuilds the main menu from the current lists and opens it; nothing while the menu is shown.
  void BuildPresetMenu();
  /// The menu as last built (for the platform that shows it, and for tests).
  plug::igraphics::IPopupMenu& GetMainMenu() { return mMainMenu; }
  plug::igraphics::IPopupMenu* GetFactoryMenu() const { return mFactoryMenu; }
  plug::igraphics::IPopupMenu* GetUserMenu() const { return mUserMenu; }
  /// The file the load and save commands act on; "" after a cancelled dialog.
  const char* GetChosenPath() const { return mChosenPath.Get(); }
  int GetListIndex() const { return mListIndex; }
  bool IsPreviousPressed() const { return mPrevPressed; }
  bool IsNextPressed() const { return mNextPressed; }
  /// The name as drawn: the current preset's name shortened to the limit.
  std::string DrawnName() const;

private:
  void SendId(int id);
  void Apply(const plug::IPresetSlot* entry);
  void PromptAndSend(int action, int id);

  plug::LibString mPresetFolder;
  plug::LibString mChosenPath;
  plug::LibString mExtension;
  plug::igraphics::IPopupMenu mMainMenu;
  plug::igraphics::IPopupMenu* mFactoryMenu = nullptr;
  plug::igraphics::IPopupMenu* mUserMenu = nullptr;
  Ids mIds;
  int mSavePos = -1, mLoadPos = -1, mResetPos = -1, mSaveDefaultPos = -1;
  Drovik& mPlugin;
  int mNameLimit;
  int mListIndex = 0;
  bool mPrevPressed = false, mNextPressed = false;
  plug::igraphics::IRECT mNameArea, mTextArea, mPrevArea, mNextArea;
  plug::igraphics::IBitmap mPrevBitmap, mNextBitmap;
  bool mButtonsEnabled;
  bool mUserPresetsAsFiles;
  plug::LibString mUserFolder;
};
