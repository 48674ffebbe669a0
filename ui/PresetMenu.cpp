#include "ui/PresetMenu.h"

#include "core/IEditorDelegate.h"
#include "effect/Drovik.h"
#include "graphics/context/IGraphics.h"
#include "ui/DisplayControls.h"
#include "ui/PresetNames.h"

using namespace plug::igraphics;

namespace {

constexpr const char* kTitle = ">> Preset menu <<";
constexpr const char* kListCut = "(more presets than listed)";

/// One frame of a two-frame bitmap at (x, y); empty for a bitmap not loaded.
IRECT ButtonArea(float x, float y, const IBitmap& b)
{
  if (!b.IsValid() || b.N() < 1) return IRECT(x, y, x, y);
  const float w = b.GetFramesAreHorizontal() ? (float)b.W() / b.N() : (float)b.W();
  const float h = b.GetFramesAreHorizontal() ? (float)b.H() : (float)b.H() / b.N();
  return IRECT(x, y, x + w, y + h);
}

IPopupMenu* ListMenu(const Drovik& plugin, bool factory)
{
  const int n = factory ? plugin.NFactoryPresets() : plugin.NUserPresets();
  if (n == 0) return nullptr;
  auto* menu = new IPopupMenu("");
  for (int i = 0; i < n; ++i)
  {
    const plug::IPresetSlot* slot = factory ? plugin.GetFactoryPreset(i) : plugin.GetUserPreset(i);
    menu->AddItem(MenuName(slot ? slot->mName : "").c_str());
  }
  if (!factory && plugin.UserPresetsCut()) menu->AddItem(kListCut, IPopupMenu::Item::kDisabled);
  return menu;
}

} // namespace

IBPresetMenuVQ::IBPresetMenuVQ(Drovik& plugin, const Places& places, const IText& text, const IBitmap& previous,
                               const IBitmap& next, const Ids& ids, const char* presetFolder, const char* extension,
                               int nameLimit, bool buttonsEnabled, bool userPresetsAsFiles)
  : IControl(places.bounds), mPresetFolder(presetFolder ? presetFolder : ""), mExtension(extension ? extension : ""),
    mIds(ids), mPlugin(plugin), mNameLimit(nameLimit), mNameArea(places.nameArea), mTextArea(places.textArea),
    mPrevArea(ButtonArea(places.prevX, places.prevY, previous)), mNextArea(ButtonArea(places.nextX, places.nextY, next)),
    mPrevBitmap(previous), mNextBitmap(next), mButtonsEnabled(buttonsEnabled), mUserPresetsAsFiles(userPresetsAsFiles),
    mUserFolder(presetFolder ? presetFolder : "")
{
  SetText(text);
  SetDblClickAsClick(true);
}

IBPresetMenuVQ::~IBPresetMenuVQ() = default;

void IBPresetMenuVQ::SendId(int id)
{
  if (id >= 0 && GetDelegate()) GetDelegate()->OnParamChange(id, plug::kUI, -1);
}

void IBPresetMenuVQ::Apply(const plug::IPresetSlot* entry)
{
  if (!entry) return;
  mPlugin.CopyPresetToSlot(*entry, 0);
  mPlugin.RestorePreset(0);
  mPlugin.UpdateHostDisplay();
}

void IBPresetMenuVQ::OnMouseDown(float x, float y, const IMouseMod&)
{
  if (mNameArea.Contains(x, y))
  {
    // The menu on screen is drawn from the lists as they are: no rescan and no rebuild under it.
    if (mMainMenu.IsShown()) return;
    SendId(mIds.rescan); // the user list is read again before the menu is built
    SetDirty(true, -1);
    BuildPresetMenu();
    SetDirty(true, -1);
    return;
  }
  if (!mButtonsEnabled) return;
  const int count = mPlugin.NFactoryPresets();
  if (mPrevArea.Contains(x, y))
  {
    mPrevPressed = true;
    if (mListIndex <= 0)
      mListIndex = 0;
    else
      Apply(mPlugin.GetFactoryPreset(--mListIndex));
  }
  else if (mNextArea.Contains(x, y))
  {
    mNextPressed = true;
    if (mListIndex + 1 < count)
      Apply(mPlugin.GetFactoryPreset(++mListIndex));
    else
      mListIndex = count > 0 ? count - 1 : 0;
  }
  else
    return;
  SetDirty(true, -1);
}

void IBPresetMenuVQ::OnMouseUp(float, float, const IMouseMod&)
{
  mPrevPressed = mNextPressed = false;
  SetDirty(true, -1);
}

void IBPresetMenuVQ::OnResize() { SetDirty(false, -1); }

void IBPresetMenuVQ::BuildPresetMenu()
{
  if (mMainMenu.IsShown()) return;
  mMainMenu.Clear();
  auto recorded = [this](const char* text) {
    mMainMenu.AddItem(text);
    return mMainMenu.NItems() - 1;
  };
  mMainMenu.AddItem(kTitle);
  mMainMenu.AddSeparator();
  mLoadPos = recorded("Load preset ...");
  mResetPos = recorded("Reset to default");
  mMainMenu.AddSeparator();
  mSavePos = recorded("Save preset ...");
  mSaveDefaultPos = recorded("Save as default");
  mFactoryMenu = ListMenu(mPlugin, true);
  mUserMenu = ListMenu(mPlugin, false);
  for (IPopupMenu* list : {mFactoryMenu, mUserMenu})
  {
    if (!list) continue;
    mMainMenu.AddSeparator();
    mMainMenu.AddItem(new IPopupMenu::Item(list == mFactoryMenu ? "Factory" : "User", list));
  }
  if (GetUI()) GetUI()->OpenPopupMenu(*this, mMainMenu, GetRECT(), 0);
}

void IBPresetMenuVQ::PromptAndSend(int action, int id)
{
  mChosenPath.Set("");
  if (GetUI()) GetUI()->PromptForFile(mChosenPath, mPresetFolder, action, mExtension.Get());
  SendId(id); // a cancelled dialog leaves the path empty: the plug-in ignores it
}

void IBPresetMenuVQ::OnPopupMenuSelection(IPopupMenu* menu, int)
{
  if (!menu) return;
  const int chosen = menu->GetChosenItemIdx();
  if (menu == &mMainMenu)
  {
    if (chosen == mLoadPos)
      PromptAndSend(0, mIds.load);
    else if (chosen == mResetPos)
    {
      Apply(&mPlugin.GetInitialPreset());
      SendId(mIds.reset);
    }
    else if (chosen == mSavePos)
      PromptAndSend(1, mIds.save);
    else if (chosen == mSaveDefaultPos)
      SendId(mIds.saveDefault);
  }
  else if (menu == mFactoryMenu && chosen >= 0)
  {
    mListIndex = chosen;
    Apply(mPlugin.GetFactoryPreset(chosen));
  }
  else if (menu == mUserMenu && chosen >= 0)
  {
    mListIndex = 0;
    const plug::IPresetSlot* entry = mPlugin.GetUserPreset(chosen);
    if (mUserPresetsAsFiles && entry && !UsableAsFileName(entry->mName))
      entry = nullptr; // a name that would lead out of the folder, or to nothing sensible, loads nothing
    if (mUserPresetsAsFiles && entry)
    {
      mChosenPath.Set(mUserFolder.Get());
      mChosenPath.Append("/");
      mChosenPath.Append(entry->mName);
      mChosenPath.Append(".");
      mChosenPath.Append(mExtension.Get());
      SendId(mIds.load);
    }
    else
      Apply(entry);
  }
  SetDirty(true, -1);
}

std::string IBPresetMenuVQ::DrawnName() const
{
  return ShortenPresetName(MenuName(mPlugin.GetPresetName(mPlugin.GetCurrentPresetIdx())), mNameLimit);
}

void IBPresetMenuVQ::Draw(IGraphics& g)
{
  if (mButtonsEnabled)
  {
    g.DrawBitmapFrame(mPrevBitmap, mPrevArea, mPrevPressed ? 2 : 1, &GetBlend());
    g.DrawBitmapFrame(mNextBitmap, mNextArea, mNextPressed ? 2 : 1, &GetBlend());
  }
  g.DrawText(GetText(), DrawnName().c_str(), mTextArea);
  SetTooltip(("Preset menu: " + MenuName(mPlugin.GetPresetName(mPlugin.GetCurrentPresetIdx()))).c_str());
}

void IBPresetMenuVQ::OnRescale()
{
  mPrevBitmap = RescaledBitmap(GetUI(), mPrevBitmap);
  mNextBitmap = RescaledBitmap(GetUI(), mNextBitmap);
}
