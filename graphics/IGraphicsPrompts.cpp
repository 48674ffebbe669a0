// Parameter prompts (a menu of display texts or a text entry), popup and context menus, and their answers.
#include "graphics/IGraphics.h"
#include "graphics/SpecialControls.h"

namespace plug {
namespace igraphics {

// Opens a menu or a text entry for the parameter of the value; nothing until prompts are complete.
void IGraphics::PromptParamInput(IControl* control, const IRECT& bounds, int valIdx) {}

// Opens a text entry for the control; nothing until prompts are complete.
void IGraphics::CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str,
                                int valIdx)
{
}

void IGraphics::OpenPopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx)
{
  OpenPopupMenuFor(&control, menu, bounds, valIdx, false);
}

// Shows a menu for the control; nothing until prompts are complete.
void IGraphics::OpenPopupMenuFor(IControl* control, IPopupMenu& menu, const IRECT& bounds, int valIdx,
                                 bool isContext)
{
}

// Offers the control's context menu; nothing until prompts are complete.
void IGraphics::PopupControlContextMenu(IControl* control, float x, float y) {}

void IGraphics::PopupControlContextMenu(int controlIdx, float x, float y)
{
  PopupControlContextMenu(GetControl(controlIdx), x, y);
}

// Applies a menu's answer to its requester; only forgets the requester until prompts are complete.
void IGraphics::ApplyPopupMenuResult(IPopupMenu* menu) { mPopupRequester = nullptr; }

// Applies a text entry's answer to its requester; only forgets the requester until prompts are complete.
void IGraphics::ApplyTextEntryResult(const char* str) { mTextEntryRequester = nullptr; }

} // namespace igraphics
} // namespace plug
