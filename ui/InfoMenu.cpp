#include "ui/InfoMenu.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "core/IEditorDelegate.h"
#include "core/IParam.h"
#include "graphics/context/IGraphics.h"
#include "graphics/resources/BitmapFrames.h"
#include "ui/DisplayControls.h"

using namespace plug::igraphics;

namespace {
constexpr const char* kTitle = ">> Plugin menu <<";
constexpr const char* kProductName = "Drovik";
/// The product's folder among the documents shared by every user of the machine (the local domain's shared
/// data), filled with its name twice and the manual's suffix.
constexpr const char* kManualFormat = "/usr/local/share/%s/%s%s";
constexpr const char* kManualCaption = "Manual";
constexpr const char* kManualSuffix = " manual.pdf";
constexpr int kMaxManualPath = 4096;
} // namespace

IBInfoMenuVQ::IBInfoMenuVQ(float x, float y, const IBitmap& bitmap, const Entries& entries, const char* dataFolder,
                           const char* changelogAddress)
  : IControl(FrameRectAt(bitmap, x, y)),
    IBitmapBase(bitmap, this), mChangelog(changelogAddress ? changelogAddress : ""),
    mDataFolder(dataFolder ? dataFolder : ""), mEntries(entries)
{
}

IBInfoMenuVQ::~IBInfoMenuVQ() = default;

std::string IBInfoMenuVQ::ManualPath()
{
  char path[kMaxManualPath];
  std::snprintf(path, sizeof path, kManualFormat, kProductName, kProductName, kManualSuffix);
  return path;
}

void IBInfoMenuVQ::OpenManual(IGraphics& ui)
{
  const std::string path = ManualPath();
  if (::access(path.c_str(), R_OK) == 0 && ui.OpenURL(path.c_str())) return;
  const std::string text = "No manual is installed. It is looked for at:\n" + path;
  ui.ShowMessageBox(text.c_str(), kManualCaption, 0);
}

void IBInfoMenuVQ::SendId(int id)
{
  if (id >= 0 && GetDelegate()) GetDelegate()->OnParamChange(id, plug::kUI, -1);
}

const plug::IParam* IBInfoMenuVQ::Param(int p) const
{
  return p >= 0 && GetDelegate() ? GetDelegate()->GetParam(p) : nullptr;
}

void IBInfoMenuVQ::OnMouseDown(float, float, const IMouseMod&)
{
  SetValue(1.0, 0);
  SetDirty(true, -1);
  BuildInfoMenu();
}

void IBInfoMenuVQ::OnMouseUp(float, float, const IMouseMod&)
{
  SetValue(0.0, 0);
  SetDirty(true, -1);
}

IPopupMenu* IBInfoMenuVQ::EnumSubmenu(int p)
{
  const plug::IParam* param = Param(p);
  auto* menu = new IPopupMenu("");
  for (int i = 0; param && i < param->NDisplayTexts(); ++i)
  {
    if (IPopupMenu::Item* item = menu->AddItem(param->GetDisplayTextForValue(i)))
      item->SetChecked((int)param->Value() == i);
  }
  // A submenu the menu has no room for is freed by it: nothing may keep pointing at it.
  if (!mMenu.AddSubmenuItem(param ? param->GetName() : "", menu)) return nullptr;
  return menu;
}

void IBInfoMenuVQ::BuildInfoMenu()
{
  // A menu on screen keeps its items: the positions recorded below must stay those of the rows the user sees.
  if (mMenu.IsShown()) return;
  mCheckItems.clear();
  mSubmenus.clear();
  mExtraItems.clear();
  mMenu.Clear();
  // The position of the new item, or -1 when the menu had no room for it (nothing can choose it then).
  auto recorded = [this](const char* text, int flags = IPopupMenu::Item::kNoFlags) {
    return mMenu.AddItem(text, flags) ? mMenu.NItems() - 1 : -1;
  };
  mMenu.AddItem(kTitle);
  mMenu.AddSeparator();
  mAboutPos = recorded("About ...");
  mVersionPos = recorded("Check version ...");
  mManualPos = recorded("Open manual ...");
  mChangelogPos = recorded("Changelog ...");
  mFolderPos = recorded("Open data folder ...");
  mTooltipPos = mSizePos = mScalePos = -1;
  mEnumMenu = nullptr;
  if (const plug::IParam* tips = Param(mEntries.tooltipParam))
  {
    mMenu.AddSeparator();
    mTooltipPos = recorded("Enable tooltips", (int)tips->Value() == 1 ? IPopupMenu::Item::kChecked : 0);
  }
  if (mEntries.enumParam >= 0)
  {
    mMenu.AddSeparator();
    mEnumMenu = EnumSubmenu(mEntries.enumParam);
  }
  if (mEntries.resetSize != -1)
  {
    mMenu.AddSeparator();
    mSizePos = recorded("Reset GUI size");
  }
  if (mEntries.resetScale != -1)
  {
    mMenu.AddSeparator();
    mScalePos = recorded("Reset GUI scale");
  }
  if (!mEntries.toggleParams.empty()) mMenu.AddSeparator();
  for (int p : mEntries.toggleParams)
  {
    const plug::IParam* param = Param(p);
    if (!param) continue;
    if (param->NDisplayTexts() == 2)
    {
      const int pos = recorded(param->GetName(), (int)param->Value() == 1 ? IPopupMenu::Item::kChecked : 0);
      if (pos >= 0) mCheckItems.push_back({pos, p});
    }
    else if (IPopupMenu* submenu = EnumSubmenu(p))
      mSubmenus.push_back({submenu, p});
  }
  if (!mEntries.extraTexts.empty()) mMenu.AddSeparator();
  for (size_t i = 0; i < mEntries.extraTexts.size() && i < mEntries.extraIds.size(); ++i)
  {
    const int pos = recorded(mEntries.extraTexts[i]);
    if (pos >= 0) mExtraItems.push_back({pos, mEntries.extraIds[i]});
  }
  if (GetUI()) GetUI()->OpenPopupMenu(*this, mMenu, GetRECT(), 0);
}

void IBInfoMenuVQ::OnPopupMenuSelection(IPopupMenu* menu, int)
{
  SetValue(0.0, 0);
  SetDirty(true, -1);
  if (!menu) return;
  const int chosen = menu->GetChosenItemIdx();
  if (menu != &mMenu)
  {
    if (menu == mEnumMenu && mEntries.enumParam >= 0) SetParamFromInt(mEntries.enumParam, chosen);
    for (const auto& [submenu, p] : mSubmenus)
      if (submenu == menu && p >= 0) SetParamFromInt(p, chosen);
    return;
  }
  if (chosen < 0) return; // nothing chosen; the positions of items left out are -1 too
  IGraphics* ui = GetUI();
  if (chosen == mAboutPos) SendId(mEntries.about);
  else if (chosen == mVersionPos) SendId(mEntries.versionCheck);
  else if (chosen == mManualPos)
  {
    if (mDataFolder.GetLength() > 0 && ui) OpenManual(*ui);
  }
  else if (chosen == mChangelogPos)
  {
    if (ui) ui->OpenURL(mChangelog.Get());
  }
  else if (chosen == mFolderPos)
  {
    if (mDataFolder.GetLength() > 0 && ui) ui->OpenURL(mDataFolder.Get());
  }
  else if (chosen == mTooltipPos && mTooltipPos >= 0)
  {
    const plug::IParam* tips = Param(mEntries.tooltipParam);
    if (tips) SetParamValue(mEntries.tooltipParam, (int)tips->Value() == 1 ? 0.0 : 1.0);
  }
  else if (chosen == mSizePos && mSizePos >= 0) SendId(mEntries.resetSize);
  else if (chosen == mScalePos && mScalePos >= 0) SendId(mEntries.resetScale);
  else
  {
    for (const auto& [pos, p] : mCheckItems)
      if (pos == chosen) SetParamValue(p, mMenu.GetItem(pos)->GetChecked() ? 0.0 : 1.0);
    for (const auto& [pos, id] : mExtraItems)
      if (pos == chosen) SendId(id);
  }
}

void IBInfoMenuVQ::SetParamValue(int p, double v)
{
  plug::IParam* param = GetDelegate() ? GetDelegate()->GetParam(p) : nullptr;
  if (!param || param->Value() == v) return;
  param->Set(v);
  GetDelegate()->SendParamValueToUI(p, v, false);
  GetDelegate()->SendParamValueFromUI(p, std::clamp(param->ToNormalized(param->Value()), 0.0, 1.0));
}

void IBInfoMenuVQ::SetParamFromInt(int p, int i)
{
  const plug::IParam* param = Param(p);
  if (!param || i < 0 || (int)param->Value() == i) return;
  SetParamValue(p, i);
}

void IBInfoMenuVQ::OnRescale() { SetBitmap(RescaledBitmap(GetUI(), mBitmap)); }
