// The native popup menu built from a menu model: one native menu per model (submenus nest), item titles numbered
// by the model's prefix style, and the item flags as disabled, indented, checked or separator items. A receiver
// remembers the item the user chose.
#pragma once

#include <memory>

#include "appkit/menu.h"
#include "graphics/bases/IPopupMenu.h"

namespace plug {
namespace igraphics {

/// Takes the choice of a native menu tree.
class IGraphicsMenuRcvr_vDrovik_vst
{
public:
  void onMenuSelection(appkit::MenuItem& sender) { nsMenuItem = &sender; }
  appkit::MenuItem* menuItem() const { return nsMenuItem; }

private:
  appkit::MenuItem* nsMenuItem = nullptr;
};

class IGraphicsMenu_vDrovik_vst final : public appkit::Menu
{
public:
  /// Builds the native tree of menu; the receiver and the model must outlive it.
  IGraphicsMenu_vDrovik_vst(IPopupMenu& menu, IGraphicsMenuRcvr_vDrovik_vst& receiver);
  IPopupMenu* iPopupMenu() const { return mIPopupMenu; }

  /// The title of item i of a model with this prefix style: "%1d: ", "%02d: " or "%03d: " with i + 1 before the
  /// text for styles 1 to 3, the bare text otherwise.
  static std::string ItemTitle(const char* text, int prefix, int i);

private:
  IPopupMenu* mIPopupMenu;
};

} // namespace igraphics
} // namespace plug
