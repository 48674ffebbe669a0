// Parameter prompts (a menu of display texts or a text entry), popup and context menus, and their answers. A
// menu opens inside the editor when the popup control exists, else on the platform; the answer goes back to the
// control that asked, which is forgotten before it is told so that it may ask again from its handler.
#include <cstring>
#include <vector>

#include "core/IEditorDelegate.h"
#include "core/IParam.h"
#include "graphics/context/IGraphics.h"
#include "graphics/overlay/OverlayControls.h"

namespace plug {
namespace igraphics {

namespace {

/// Empties the shared prompt menu for a new prompt; its title and chosen index stay.
void ResetPromptMenu(IPopupMenu& menu)
{
  menu.SetPrefix(0);
  menu.SetMultiCheck(false);
  menu.Clear();
}

/// The parameters of a control's values, in value order.
std::vector<int> ParamsOf(const IControl& control)
{
  std::vector<int> params;
  for (int v = 0; v < control.NValues(); ++v)
    if (control.GetParamIdx(v) >= 0)
      params.push_back(control.GetParamIdx(v));
  return params;
}

/// Whether the in-editor popup control shows a menu.
bool MenuIsOpen(const IPopupMenuControl* popup) { return popup && popup->IsOpen(); }

} // namespace

void IGraphics::PromptParamInput(IControl* control, const IRECT& bounds, int valIdx)
{
  const IParam* p = control ? control->GetParam(valIdx) : nullptr;
  // The open in-editor menu shows the shared prompt menu: rebuilding it would change the menu under the user.
  if (!p || MenuIsOpen(GetPopupMenuControl()))
    return;
  const bool menuPrompt =
    p->Type() == IParam::kTypeEnum || (p->Type() == IParam::kTypeBool && p->NDisplayTexts() > 0);
  LibString current;
  p->GetDisplay(current, menuPrompt);
  if (menuPrompt)
  {
    ResetPromptMenu(mPromptMenu);
    for (int i = 0; i < p->NDisplayTexts(); ++i)
    {
      const char* text = p->GetDisplayTextForValue(static_cast<double>(i));
      mPromptMenu.AddItem(text, std::strcmp(text, current.Get()) == 0 ? IPopupMenu::Item::kChecked : 0, -1);
      mPromptMenu.SetRootTitle(p->GetName());
    }
    OpenPopupMenuFor(control, mPromptMenu, bounds, valIdx, false);
    return;
  }
  if (control->GetParamLabelInEntry())
  {
    current.Append(" ");
    current.Append(p->GetLabel());
  }
  CreateTextEntry(*control, control->GetText(), bounds, current.Get(), valIdx);
}

void IGraphics::CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str,
                                int valIdx)
{
  if (MenuIsOpen(GetPopupMenuControl()))
    return;
  mTextEntryRequester = &control;
  mTextEntryValIdx = valIdx;
  const int paramIdx = valIdx >= 0 ? control.GetParamIdx(valIdx) : -1;
  if (mTextEntryControl)
    mTextEntryControl->CreateTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str);
  else
    CreatePlatformTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str);
  control.SetDirty(false, -1);
}

void IGraphics::OpenPopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx)
{
  OpenPopupMenuFor(&control, menu, bounds, valIdx, false);
}

void IGraphics::OpenPopupMenuFor(IControl* control, IPopupMenu& menu, const IRECT& bounds, int valIdx,
                                 bool isContext)
{
  // One in-editor menu at a time: its answer belongs to the control that opened it.
  if (MenuIsOpen(GetPopupMenuControl()))
    return;
  // The requester is set before the captures go, so the host gestures of its press stay open until the menu's
  // answer has been sent; the gestures of other pointers end with their captures.
  for (const auto& capture : mTouchCaptures)
    if (capture.second != control)
      EndParamGestures(*capture.second);
  mPopupRequester = control;
  mPopupValIdx = valIdx;
  mPopupIsContext = isContext;
  ReleaseMouseCapture();
  if (mPopupControl)
  {
    mPopupControl->CreatePopupMenu(menu, bounds);
    return;
  }
  bool isAsync = false;
  IPopupMenu* chosen = CreatePlatformPopupMenu(menu, bounds, isAsync);
  if (!isAsync && mPopupRequester)
    ApplyPopupMenuResult(chosen);
}

void IGraphics::PopupControlContextMenu(IControl* control, float x, float y)
{
  if (!control || MenuIsOpen(GetPopupMenuControl()))
    return;
  ResetPromptMenu(mPromptMenu);
  control->CreateContextMenu(mPromptMenu);
  if (mPromptMenu.NItems() > 0)
    OpenPopupMenuFor(control, mPromptMenu, IRECT(x, y, x, y), -1, true);
}

void IGraphics::PopupControlContextMenu(int controlIdx, float x, float y)
{
  PopupControlContextMenu(GetControl(controlIdx), x, y);
}

void IGraphics::ApplyPopupMenuResult(IPopupMenu* menu)
{
  IControl* requester = mPopupRequester;
  if (!requester)
    return;
  const int valIdx = mPopupValIdx;
  const bool isContext = mPopupIsContext;
  const std::vector<int> params = ParamsOf(*requester);
  mPopupRequester = nullptr;
  if (!isContext)
    requester->OnPopupMenuSelection(menu && menu->GetChosenItemIdx() != -1 ? menu : nullptr, valIdx);
  else
    requester->OnContextSelection(menu ? menu->GetChosenItemIdx() : -1);
  // The handler may have removed the requester, so its gestures are ended by parameter. Only gestures that
  // were begun are ended: a context menu follows a right click, which begins none.
  for (int p : params)
    EndParamGesture(p);
}

void IGraphics::EndParamGesture(int paramIdx)
{
  if (mOpenGestures.erase(paramIdx))
    mDelegate->EndInformHostOfParamChangeFromUI(paramIdx);
}

void IGraphics::ApplyTextEntryResult(const char* str)
{
  IControl* requester = mTextEntryRequester;
  if (!requester)
    return;
  const int valIdx = mTextEntryValIdx;
  mTextEntryRequester = nullptr;
  const IParam* p = valIdx >= 0 ? requester->GetParam(valIdx) : nullptr;
  if (p)
    requester->SetValueFromUserInput(p->ToNormalized(p->StringToValue(str)), valIdx);
  else
    requester->OnTextEntryCompletion(str, valIdx);
}

} // namespace igraphics
} // namespace plug
