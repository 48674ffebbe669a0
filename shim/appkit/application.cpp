#include "appkit/application.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "appkit/headless.h"
#include "appkit/x11_application.h"

namespace appkit {

namespace {

Application* gInstalled = nullptr;

bool AskedForHeadless()
{
  const char* wanted = std::getenv("DROVIK_APPKIT");
  return wanted && std::strcmp(wanted, "headless") == 0;
}

/// The back end asked for, or X11 once a display answered; while neither, a headless stand-in serves the calls
/// (kept for the process once made: what was made with it may still refer to it).
struct BackEnds
{
  std::unique_ptr<Application> chosen;
  std::unique_ptr<Application> standIn;
};

BackEnds& TheBackEnds()
{
  static BackEnds backEnds = [] {
    BackEnds b;
    if (AskedForHeadless())
      b.chosen = std::make_unique<HeadlessApplication>();
    else if (!(b.chosen = MakeX11Application()))
      b.standIn = std::make_unique<HeadlessApplication>();
    return b;
  }();
  return backEnds;
}

} // namespace

Application& Application::Shared()
{
  if (gInstalled)
    return *gInstalled;
  BackEnds& b = TheBackEnds();
  return b.chosen ? *b.chosen : *b.standIn;
}

bool Application::CanShowInHostWindows()
{
  if (gInstalled)
    return true;
  BackEnds& b = TheBackEnds();
  if (!b.chosen)
    b.chosen = MakeX11Application(); // a display may have come since it was last tried
  return b.chosen != nullptr;
}

void Application::Install(Application* app) { gInstalled = app; }

bool FileExistsAtPath(const std::string& path)
{
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

} // namespace appkit
