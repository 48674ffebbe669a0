// The X11 back end's drag and drop: the view takes files dropped on it by the desktop's drag-and-drop protocol,
// reading the drop's list of URIs through the clipboard's selection wait and keeping the local paths.
#include "appkit/x11_backend.h"

#include <cctype>
#include <sstream>

namespace appkit {

namespace {

int HexDigit(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

bool SameHostName(std::string a, std::string b)
{
  auto lower = [](std::string& s) {
    for (char& c : s)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  lower(a);
  lower(b);
  return a == b;
}

} // namespace

bool LocalPathOfFileURI(const std::string& uri, std::string& path)
{
  path.clear();
  const std::string scheme = "file://";
  if (uri.compare(0, scheme.size(), scheme) != 0)
    return false;
  const size_t slash = uri.find('/', scheme.size());
  if (slash == std::string::npos)
    return false;
  const std::string host = uri.substr(scheme.size(), slash - scheme.size());
  char ours[256] = {};
  const bool named = gethostname(ours, sizeof(ours) - 1) == 0 && ours[0];
  if (!host.empty() && !SameHostName(host, "localhost") && !(named && SameHostName(host, ours)))
    return false; // a file on another machine
  std::string decoded;
  for (size_t i = slash; i < uri.size(); ++i)
  {
    const int high = uri[i] == '%' && i + 2 < uri.size() ? HexDigit(uri[i + 1]) : -1;
    const int low = high >= 0 ? HexDigit(uri[i + 2]) : -1;
    if (low < 0)
    {
      decoded.push_back(uri[i]);
      continue;
    }
    const char c = static_cast<char>(high * 16 + low);
    if (c == '\0')
      return false; // no file name holds a NUL
    decoded.push_back(c);
    i += 2;
  }
  path = std::move(decoded);
  return true;
}

namespace x11 {

void X11View::SendDndMessage(Window source, const char* type, long l1, long l2, long l4)
{
  XClientMessageEvent r{};
  r.type = ClientMessage;
  r.display = mApp.DisplayConnection();
  r.window = source;
  r.message_type = mApp.InternAtom(type);
  r.format = 32;
  r.data.l[0] = static_cast<long>(mWindow);
  r.data.l[1] = l1;
  r.data.l[2] = l2;
  r.data.l[4] = l4;
  XSendEvent(mApp.DisplayConnection(), source, False, NoEventMask, reinterpret_cast<XEvent*>(&r));
  mApp.Flush();
}

void X11View::HandleDragAndDrop(const XClientMessageEvent& m)
{
  Display* display = mApp.DisplayConnection();
  const Window source = static_cast<Window>(m.data.l[0]);
  const Atom uriList = mApp.InternAtom("text/uri-list"), copy = mApp.InternAtom("XdndActionCopy");
  if (m.message_type == mApp.InternAtom("XdndEnter"))
  {
    mDropSource = source;
    bool hasFiles = false;
    if (m.data.l[1] & 1)
    {
      Atom type;
      int format;
      unsigned long n, after;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(display, mDropSource, mApp.InternAtom("XdndTypeList"), 0, 1024, False, XA_ATOM, &type, &format, &n,
                             &after, &data) == Success && data)
      {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        hasFiles = std::find(atoms, atoms + n, uriList) != atoms + n;
        XFree(data);
      }
    }
    else
      for (int i = 2; i < 5; ++i)
        hasFiles = hasFiles || static_cast<Atom>(m.data.l[i]) == uriList;
    mDropAccepted = hasFiles && mResponder.DraggingEntered({kFilenamesPboardType});
  }
  else if (m.message_type == mApp.InternAtom("XdndPosition"))
  {
    const int rx = static_cast<int>((m.data.l[2] >> 16) & 0xFFFF), ry = static_cast<int>(m.data.l[2] & 0xFFFF);
    int x = 0, y = 0;
    Window child;
    const bool ours = source == mDropSource && mDropAccepted && !mDropping;
    if (ours)
    {
      XTranslateCoordinates(display, DefaultRootWindow(display), mWindow, rx, ry, &x, &y, &child);
      mDropPoint = {double(x) / mApp.Scale(), double(y) / mApp.Scale()};
    }
    SendDndMessage(source, "XdndStatus", ours ? 1 : 0, 0, ours ? static_cast<long>(copy) : 0);
  }
  else if (m.message_type == mApp.InternAtom("XdndLeave"))
  {
    if (source == mDropSource)
      mDropAccepted = false;
  }
  else if (m.message_type == mApp.InternAtom("XdndDrop"))
    Drop(source);
}

void X11View::Drop(Window source)
{
  // One drop at a time: a drop that comes while the last one's data is awaited is refused, as is a drop from a
  // source that did not enter or whose files were not accepted.
  if (mDropping || source != mDropSource || !mDropAccepted)
  {
    SendDndMessage(source, "XdndFinished", 0, 0, 0);
    return;
  }
  mDropping = true;
  const Point at = mDropPoint;
  const Atom uriList = mApp.InternAtom("text/uri-list");
  std::string uris;
  Atom type = None;
  std::vector<std::string> files;
  if (mApp.WaitForSelection(mApp.InternAtom("XdndSelection"), uriList, {uriList, mApp.InternAtom("UTF8_STRING"), XA_STRING}, uris,
                            type))
  {
    std::istringstream lines(uris);
    for (std::string line; std::getline(lines, line);)
    {
      while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
      std::string path;
      if (!line.empty() && line[0] != '#' && LocalPathOfFileURI(line, path))
        files.push_back(path);
    }
  }
  mDropping = false;
  mDropAccepted = false;
  if (!files.empty() && mWindow)
    mResponder.PerformDragOperation(files, at);
  if (mWindow)
    SendDndMessage(source, "XdndFinished", files.empty() ? 0 : 1,
                   files.empty() ? 0 : static_cast<long>(mApp.InternAtom("XdndActionCopy")), 0);
}

} // namespace x11
} // namespace appkit
