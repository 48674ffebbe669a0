#include "appkit/application.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

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
/// (kept for the process once made: what was made with it may still refer to it). An X11 back end whose display
/// went away is put aside until nothing made with it is left.
struct BackEnds
{
  std::unique_ptr<Application> chosen;
  std::unique_ptr<Application> standIn;
  std::vector<std::unique_ptr<Application>> lost;

  /// Puts a chosen back end that lost its display aside, and destroys those put aside that are idle.
  void SettleLost()
  {
    if (chosen && chosen->Lost())
      lost.push_back(std::move(chosen));
    for (size_t i = 0; i < lost.size();)
      if (lost[i]->Idle())
        lost.erase(lost.begin() + static_cast<long>(i));
      else
        ++i;
    if (!chosen && !standIn)
      standIn = std::make_unique<HeadlessApplication>();
  }
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
  b.SettleLost();
  return b.chosen ? *b.chosen : *b.standIn;
}

bool Application::CanShowInHostWindows()
{
  if (gInstalled)
    return true;
  BackEnds& b = TheBackEnds();
  b.SettleLost();
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
