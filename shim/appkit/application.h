// The view system of this process: views, the screen and the pointer, modal menus, alerts and panels, the colour
// panel, the pasteboard and the workspace. Two back ends exist: a headless one for tests, driven and answered by
// the test, and one over X11 that embeds the editor in the host's window. The back end is chosen when first
// asked for: DROVIK_APPKIT=headless or =x11 choose; otherwise X11 when a display can be opened. Without a display
// (and without headless asked for) a headless stand-in answers the calls, but no editor is shown in a host's window.
// When the X server goes away, the stand-in takes over until a display answers again.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "appkit/cursor.h"
#include "appkit/geometry.h"
#include "appkit/menu.h"
#include "appkit/panels.h"
#include "appkit/text_field.h"
#include "appkit/view.h"

namespace appkit {

/// The version of the view system this stand-in offers: every call the editor makes exists in it.
constexpr double kAppKitVersionNumber = 2022.0;

class Application
{
public:
  using ColorCallback = std::function<void(const DeviceColor&)>;

  virtual ~Application() = default;

  /// The back end of the process. [main thread]
  static Application& Shared();
  /// Tests: makes app the back end (not owned); null returns to the chosen one.
  static void Install(Application* app);
  /// Whether an editor can be shown in a host's window: with a back end installed or asked for, or over X11. While
  /// no display has answered (or since the one there was went away), the display is tried again (for up to half a
  /// second, and a second for a server that takes the connection to answer) and X11 taken once it answers.
  /// [main thread]
  static bool CanShowInHostWindows();

  virtual const char* Name() const = 0;
  /// Whether the back end can serve no more: its display went away. Another one serves the calls from then on.
  /// [any thread]
  virtual bool Lost() const { return false; }
  /// Whether a lost back end can be destroyed now: nothing made with it is left and none of its work is under way.
  /// [main thread]
  virtual bool Idle() const { return true; }

  /// A view of frame (points) served by responder; not yet in a window.
  virtual std::unique_ptr<View> CreateView(ViewResponder& responder, Rect frame) = 0;

  // Screen and pointer. Screen positions are points with the origin at the bottom left of the main screen.
  virtual double MainScreenBackingScaleFactor() = 0;
  /// Units of a host's window in one point: 1 where windows are measured in points, the screen scale where they
  /// are measured in pixels (X11). Sizes asked of a host and the editor rectangle are in these units.
  virtual double HostWindowScale() { return 1.0; }
  virtual double MainScreenHeight() = 0;
  virtual Point MouseLocation() = 0;
  virtual void HideCursor() = 0;
  virtual void ShowCursor() = 0;
  /// Moves the pointer to a screen position given with the origin at the top left.
  virtual void WarpCursor(Point topLeftOrigin) = 0;
  virtual bool HasCursor(Cursor cursor) const = 0;

  // Modal work: each call returns when the user has answered, running the frame and framework timers meanwhile.
  /// Shows the menu at a view position and returns the chosen item after running its action; null for none.
  virtual MenuItem* PopUpMenu(Menu& menu, Point locationInView, View& view) = 0;
  /// kAlertDefaultReturn, kAlertAlternateReturn or kAlertOtherReturn; kAlertNotShownReturn when the alert cannot be
  /// shown now (a menu or another alert is open).
  virtual int RunAlertPanel(const AlertPanel& alert) = 0;
  /// kPanelOKButton with panel.filename set, or kPanelCancelButton.
  virtual int RunFilePanel(FilePanel& panel) = 0;

  /// Shows the shared colour panel (not modal); picked colours go to the callback. False when there is none.
  virtual bool ShowColorPanel(const DeviceColor& color, ColorCallback onPicked) = 0;
  virtual void CloseColorPanel() = 0;

  // Pasteboard.
  /// False, and text empty, when the pasteboard holds no text.
  virtual bool StringFromPasteboard(std::string& text) = 0;
  virtual bool SetPasteboardString(const std::string& text) = 0;

  // Keys.
  /// Runs handle for a key the host handed on (a host that keeps the keyboard focus forwards its keys) and returns
  /// its answer. A back end whose pastes wait for another program lets the keys the host queued during such a
  /// wait, handed on one after another once it is over, take that wait's answer. [main thread]
  virtual bool HandleHostKey(const std::function<bool()>& handle) { return handle(); }

  // Workspace. Each answers whether something was opened.
  virtual bool OpenURL(const std::string& url) = 0;
  virtual bool OpenFile(const std::string& path) = 0;
  virtual bool SelectFile(const std::string& path, const std::string& rootFolder) = 0;
};

/// Whether a file or folder exists at path.
bool FileExistsAtPath(const std::string& path);

} // namespace appkit
