// The X11 back end's alerts and dialogs: the alert panel is a modal window of our own; files and colours are
// asked for through a dialog program (zenity or kdialog) run while the editor keeps being served.
#include "appkit/x11_backend.h"

#include <optional>

namespace appkit {
namespace x11 {

namespace {

/// The message shown when no dialog program can ask for a file or colour.
constexpr const char* kNoDialogProgram =
  "This needs a file or colour chooser: install zenity or kdialog (Debian packages \"zenity\", \"kdialog\").";

/// The width of an alert and of its buttons, in points.
constexpr int kAlertWidth = 360;
constexpr int kButtonWidth = 80;
const DeviceColor kButtonColor{0.8, 0.8, 0.8, 1.0};

/// A button of an alert: its title, the answer it gives and its left edge in pixels.
struct AlertButton
{
  std::string title;
  int answer;
  int x;
};

/// Where an alert shows its texts and buttons, in pixels: a row of kRowHeight points for each line, the title's
/// first, and the buttons side by side at the bottom right, the default one rightmost.
struct AlertLayout
{
  std::vector<std::string> lines;
  std::vector<AlertButton> buttons;
  int width = 0, height = 0;
  int buttonTop = 0;
};

/// The lines of the alert's title and then its message, broken to the width (points).
std::vector<std::string> AlertLines(Painter& painter, const AlertPanel& alert, double width)
{
  const TextStyle text = PanelText(kInkColor);
  std::vector<std::string> lines = BreakLines(painter, alert.title, text, width - 2 * kMenuMargin);
  const std::vector<std::string> message = BreakLines(painter, alert.message, text, width - 2 * kMenuMargin);
  lines.insert(lines.end(), message.begin(), message.end());
  return lines;
}

/// The alert's width stays kAlertWidth points unless its buttons need more, or its lines more than the work area's
/// height and a wider alert breaks them into fewer; its height grows with its lines. Neither goes past the work
/// area (pixels): the lines that still do not fit are left out, and the last one shown ends with an ellipsis.
AlertLayout LayOutAlert(Painter& painter, const AlertPanel& alert, Rect area, int scale)
{
  AlertLayout layout;
  for (const auto& [title, answer] : {std::pair<std::string, int>{alert.defaultButton, kAlertDefaultReturn},
                                      {alert.alternateButton, kAlertAlternateReturn},
                                      {alert.otherButton, kAlertOtherReturn}})
    if (!title.empty())
      layout.buttons.push_back({title, answer, 0});
  if (layout.buttons.empty())
    layout.buttons.push_back({"OK", kAlertDefaultReturn, 0});
  // The window's border takes a pixel on each side.
  const double widest = std::max(double(kAlertWidth), (area.size.width - 2) / scale);
  const int rowsShown = std::max(1, static_cast<int>((area.size.height - 2) / scale) / kRowHeight - 2);
  double width = std::max(kAlertWidth, int(layout.buttons.size()) * (kButtonWidth + kMenuMargin) + kMenuMargin);
  layout.lines = AlertLines(painter, alert, width);
  while (static_cast<int>(layout.lines.size()) > rowsShown && width < widest) // wider, while that saves lines
  {
    const double wider = std::min(width + kAlertWidth, widest);
    std::vector<std::string> fewer = AlertLines(painter, alert, wider);
    if (fewer.size() >= layout.lines.size())
      break;
    width = wider;
    layout.lines = std::move(fewer);
  }
  if (static_cast<int>(layout.lines.size()) > rowsShown)
  {
    layout.lines.resize(size_t(rowsShown));
    layout.lines.back() =
      EndWithEllipsis(painter, layout.lines.back(), PanelText(kInkColor), width - 2 * kMenuMargin);
  }
  layout.width = static_cast<int>(width) * scale;
  const int step = (kButtonWidth + kMenuMargin) * scale;
  for (size_t i = 0; i < layout.buttons.size(); ++i)
    layout.buttons[i].x = layout.width - int(i + 1) * step;
  const int row = kRowHeight * scale;
  layout.height = (static_cast<int>(layout.lines.size()) + 2) * row;
  layout.buttonTop = layout.height - row - kMenuMargin * scale;
  return layout;
}

void DrawAlert(Display* display, Window window, const AlertLayout& layout, int scale)
{
  Painter& painter = SharedPainter();
  const double row = kRowHeight;
  painter.Begin({double(layout.width) / scale, double(layout.height) / scale}, scale, kPanelColor);
  const TextStyle text = PanelText(kInkColor);
  for (size_t i = 0; i < layout.lines.size(); ++i)
    painter.DrawText(layout.lines[i], {kMenuMargin, CentredBaseline(painter, text, double(i) * row, row)}, text);
  for (const AlertButton& b : layout.buttons)
  {
    const bool isDefault = b.answer == kAlertDefaultReturn;
    const Rect frame(double(b.x) / scale, double(layout.buttonTop) / scale, kButtonWidth, row);
    painter.FillRect(frame, isDefault ? kHighlightColor : kButtonColor);
    const TextStyle label = PanelText(isDefault ? kLightInkColor : kInkColor);
    const double left = frame.origin.x + (kButtonWidth - painter.TextWidth(b.title, label)) / 2;
    painter.DrawText(b.title, {left, CentredBaseline(painter, label, frame.origin.y, row)}, label);
  }
  PutDrawing(display, window, painter.End());
}

/// The answer an event in the alert's window gives, if any: Return gives the default one; Escape and the window
/// manager's close button the alternate one (the only button's when there is one); a click its button's.
std::optional<int> AnswerOf(XEvent& e, const AlertLayout& layout, int scale, Atom deleteAtom)
{
  const std::vector<AlertButton>& buttons = layout.buttons;
  const int fallback = buttons.size() > 1 ? buttons[1].answer : buttons[0].answer;
  if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == deleteAtom)
    return fallback;
  if (e.type == KeyPress)
  {
    const KeySym sym = XLookupKeysym(&e.xkey, 0);
    if (sym == XK_Return || sym == XK_KP_Enter)
      return kAlertDefaultReturn;
    if (sym == XK_Escape)
      return fallback;
  }
  if (e.type == ButtonRelease)
    for (const AlertButton& b : buttons)
      if (e.xbutton.x >= b.x && e.xbutton.x < b.x + kButtonWidth * scale && e.xbutton.y >= layout.buttonTop &&
          e.xbutton.y < layout.buttonTop + kRowHeight * scale)
        return b.answer;
  return std::nullopt;
}

} // namespace

int X11Application::RunAlertPanel(const AlertPanel& alert)
{
  // One modal window at a time: an alert asked for while a menu or another alert is open is not shown, and says
  // so rather than answering with a button nobody pressed.
  if (mModalHandler)
    return kAlertNotShownReturn;
  ModalWindows windows(*this);
  const Rect area = WorkArea(mDisplay);
  const AlertLayout layout = LayOutAlert(SharedPainter(), alert, area, mScale);
  const int x = static_cast<int>(area.origin.x + (area.size.width - layout.width) / 2);
  const int y = static_cast<int>(area.origin.y + (area.size.height - layout.height) / 2);
  const Window win = windows.Make(x, y, layout.width, layout.height, false);
  XStoreName(mDisplay, win, alert.title.substr(0, alert.title.find('\n')).c_str()); // a window title has one line
  if (Window owner = HostTopLevel())
    XSetTransientForHint(mDisplay, win, owner);
  Atom deleteAtom = InternAtom("WM_DELETE_WINDOW");
  XSetWMProtocols(mDisplay, win, &deleteAtom, 1);
  XMapRaised(mDisplay, win);
  std::optional<int> answer;
  mModalHandler = [&](XEvent& e) {
    if (e.xany.window != win)
    {
      auto view = mViews.find(e.xany.window); // the editor keeps showing its frames under the alert
      if (e.type == Expose && view != mViews.end())
        view->second->HandleEvent(e);
    }
    else if (e.type == Expose)
    {
      if (e.xexpose.count == 0)
        DrawAlert(mDisplay, win, layout, mScale);
    }
    else if (const std::optional<int> given = AnswerOf(e, layout, mScale, deleteAtom); given && !answer)
      answer = given; // the first answer counts: a key or click queued behind it comes too late
  };
  RunModal([&] { return answer.has_value(); });
  mModalHandler = nullptr;
  return answer.value_or(kAlertNotShownReturn); // the display went away before an answer came
}

Window X11Application::HostTopLevel()
{
  for (const auto& entry : mViews)
  {
    Window w = entry.second->GetXWindow();
    if (!w)
      continue;
    for (;;)
    {
      Window root = 0, parent = 0, *children = nullptr;
      unsigned n = 0;
      if (!XQueryTree(mDisplay, w, &root, &parent, &children, &n))
        return 0;
      if (children)
        XFree(children);
      if (parent == root || parent == 0)
        return w;
      w = parent;
    }
  }
  return 0;
}

// ---- Dialog programs ----

std::string X11Application::DialogProgram() const
{
  if (ProgramExists("zenity"))
    return "zenity";
  if (ProgramExists("kdialog"))
    return "kdialog";
  return "";
}

bool X11Application::RunDialog(const std::vector<std::string>& argv, std::string& out)
{
  const int status = RunCapturingOutput(argv, out, [this](int fd, const std::function<bool()>& onReadable) {
    bool finished = false;
    const auto id = foundation::RunLoop::Main().AddSource(fd, [&] { finished = finished || onReadable(); });
    RunModal([&] { return finished; });
    foundation::RunLoop::Main().RemoveSource(id);
  });
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
    out.pop_back();
  return status == 0 && !out.empty();
}

int X11Application::RunFilePanel(FilePanel& panel)
{
  const std::string program = DialogProgram();
  if (program.empty())
  {
    RunAlertPanel({"No file chooser", kNoDialogProgram, "OK", "", ""});
    return kPanelCancelButton;
  }
  const bool save = panel.kind == FilePanel::Kind::kSave;
  const bool folder = panel.canChooseDirectories && !panel.canChooseFiles;
  std::string start = panel.directory;
  if (start.rfind("~/", 0) == 0 && std::getenv("HOME"))
    start = std::string(std::getenv("HOME")) + start.substr(1);
  if (!start.empty() && start.back() != '/')
    start += "/";
  start += panel.file;
  std::vector<std::string> argv;
  if (program == "zenity")
  {
    argv = {"zenity", "--file-selection", "--filename=" + start};
    if (save)
      argv.push_back("--save");
    if (folder)
      argv.push_back("--directory");
    if (!panel.title.empty())
      argv.push_back("--title=" + panel.title);
    if (!panel.allowedFileTypes.empty())
    {
      std::string filter = "--file-filter=";
      for (const std::string& t : panel.allowedFileTypes)
        filter += "*." + t + " ";
      argv.push_back(filter);
    }
  }
  else
  {
    std::string filter;
    for (const std::string& t : panel.allowedFileTypes)
      filter += "*." + t + " ";
    argv = {"kdialog", folder ? "--getexistingdirectory" : save ? "--getsavefilename" : "--getopenfilename", start};
    if (!folder && !filter.empty())
      argv.push_back(filter);
  }
  std::string out;
  if (!RunDialog(argv, out))
    return kPanelCancelButton;
  panel.filename = out;
  panel.CompleteSaveAnswer();
  return kPanelOKButton;
}

bool X11Application::ShowColorPanel(const DeviceColor& color, ColorCallback onPicked)
{
  const std::string program = DialogProgram();
  if (program.empty())
  {
    RunAlertPanel({"No colour chooser", kNoDialogProgram, "OK", "", ""});
    return false;
  }
  char start[64];
  std::snprintf(start, sizeof(start), "rgba(%d,%d,%d,%.3f)", int(color.red * 255), int(color.green * 255),
                int(color.blue * 255), color.alpha);
  std::vector<std::string> argv = program == "zenity"
                                    ? std::vector<std::string>{"zenity", "--color-selection", "--show-palette",
                                                               std::string("--color=") + start}
                                    : std::vector<std::string>{"kdialog", "--getcolor"};
  std::string out;
  if (!RunDialog(argv, out))
    return true;
  int r = 0, g = 0, b = 0;
  double a = 1.0;
  DeviceColor picked = color;
  if (std::sscanf(out.c_str(), "rgba(%d,%d,%d,%lf)", &r, &g, &b, &a) == 4 ||
      std::sscanf(out.c_str(), "rgb(%d,%d,%d)", &r, &g, &b) == 3)
    picked = {r / 255.0, g / 255.0, b / 255.0, a};
  else if (out.size() == 7 && out[0] == '#')
  {
    const unsigned long v = std::strtoul(out.c_str() + 1, nullptr, 16);
    picked = {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0, 1.0};
  }
  if (onPicked)
    onPicked(picked);
  return true;
}

} // namespace x11
} // namespace appkit
