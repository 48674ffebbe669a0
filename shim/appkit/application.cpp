#include "appkit/application.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "appkit/headless.h"
#include "appkit/x11_application.h"
#include "foundation/main_thread.h"

namespace appkit {

namespace {

std::atomic<Application*> gInstalled{nullptr};
std::atomic<bool> gBackEndsMade{false};
/// The X11 back end was closed when no instance was left: the next use opens the display again, as the first did.
std::atomic<bool> gReopenAtNextUse{false};

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

  BackEnds() = default;
  BackEnds(BackEnds&&) = default;
  ~BackEnds()
  {
    if (chosen || standIn || !lost.empty()) // the one made for the process, not a moved-from one
      NoteX11ModuleEnding();
  }

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
    gBackEndsMade = true;
    return b;
  }();
  return backEnds;
}

/// Before a host's call that may need the display takes the main-thread lock: opens the display the back end would
/// open under it (at its first use, or when an editor may open while no display serves), so that the opening's
/// wait holds up no other instance's calls.
/// Whether an editor that may open needs a display opened: none serves.
bool EditorNeedsDisplay() { return !X11DisplayServing(); }

/// Whether a question about the editor needs a display opened: the back end's first use (its screen scale).
bool FirstUseNeedsDisplay()
{
  return (!gBackEndsMade.load() || gReopenAtNextUse.load()) && !X11DisplayServing();
}

void OpenDisplayBeforeLock(bool mayOpenEditor)
{
  if (gInstalled.load() || AskedForHeadless())
    return;
  OpenX11DisplayAhead(mayOpenEditor ? EditorNeedsDisplay : FirstUseNeedsDisplay);
}

/// When no instance is left: the X11 back end, idle, and a display opened ahead and never taken are closed.
void CloseUnusedDisplay()
{
  if (gInstalled.load() || AskedForHeadless())
    return;
  if (gBackEndsMade.load())
  {
    BackEnds& b = TheBackEnds();
    b.SettleLost();
    if (b.chosen && b.chosen->Idle())
    {
      b.chosen.reset();
      gReopenAtNextUse = true;
    }
  }
  CloseX11DisplayOpenedAhead();
}

/// Hooks the opening into the hosts' calls, and the closing into the last instance's, when the module loads.
const bool gOpeningHooked = [] {
  foundation::SetUnlockedPreparation(OpenDisplayBeforeLock);
  foundation::SetReleaseWhenUnused(CloseUnusedDisplay);
  return true;
}();

} // namespace

Application& Application::Shared()
{
  if (Application* installed = gInstalled.load())
    return *installed;
  BackEnds& b = TheBackEnds();
  b.SettleLost();
  if (!b.chosen && gReopenAtNextUse.exchange(false))
    b.chosen = MakeX11Application();
  return b.chosen ? *b.chosen : *b.standIn;
}

bool Application::CanShowInHostWindows()
{
  if (gInstalled.load())
    return true;
  BackEnds& b = TheBackEnds();
  b.SettleLost();
  if (!b.chosen)
    b.chosen = MakeX11Application(); // a display may have come since it was last tried
  if (b.chosen)
    gReopenAtNextUse = false;
  return b.chosen != nullptr;
}

void Application::Install(Application* app) { gInstalled = app; }

bool FileExistsAtPath(const std::string& path)
{
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

} // namespace appkit
