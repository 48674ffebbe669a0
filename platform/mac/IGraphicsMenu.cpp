#include "platform/mac/IGraphicsMenu.h"

#include <cstdio>

namespace plug {
namespace igraphics {

std::string IGraphicsMenu_vDrovik_vst::ItemTitle(const char* text, int prefix, int i)
{
  static const char* const kPrefixFormats[] = {"%1d: ", "%02d: ", "%03d: "};
  std::string title = text ? text : "";
  if (prefix >= 1 && prefix <= 3)
  {
    char number[32];
    std::snprintf(number, sizeof(number), kPrefixFormats[prefix - 1], i + 1);
    title.insert(0, number);
  }
  return title;
}

IGraphicsMenu_vDrovik_vst::IGraphicsMenu_vDrovik_vst(IPopupMenu& menu, IGraphicsMenuRcvr_vDrovik_vst& receiver)
  : mIPopupMenu(&menu)
{
  title = "";
  autoenablesItems = false;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IPopupMenu::Item& item = *menu.GetItem(i);
    const int flags = item.GetFlags();
    if (flags & IPopupMenu::Item::kSeparator)
    {
      AddSeparatorItem();
      continue;
    }
    const std::string itemTitle = ItemTitle(item.GetText(), menu.GetPrefix(), i);
    appkit::MenuItem* added;
    if (IPopupMenu* sub = item.GetSubmenu())
    {
      added = &AddItem(itemTitle, nullptr);
      SetSubmenu(std::make_unique<IGraphicsMenu_vDrovik_vst>(*sub, receiver), *added);
    }
    else
      added = &AddItem(itemTitle, [&receiver](appkit::MenuItem& sender) { receiver.onMenuSelection(sender); });
    added->indentationLevel = (flags & IPopupMenu::Item::kTitle) ? 1 : 0;
    added->enabled = !(flags & IPopupMenu::Item::kDisabled);
    added->state = (flags & IPopupMenu::Item::kChecked) ? 1 : 0;
  }
}

} // namespace igraphics
} // namespace plug
