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

std::unique_ptr<Application> ChooseBackEnd()
{
  const char* wanted = std::getenv("DROVIK_APPKIT");
  if (!wanted || std::strcmp(wanted, "headless") != 0)
  {
    if (std::unique_ptr<Application> x11 = MakeX11Application())
      return x11;
  }
  return std::make_unique<HeadlessApplication>();
}

} // namespace

Application& Application::Shared()
{
  if (gInstalled)
    return *gInstalled;
  static std::unique_ptr<Application> chosen = ChooseBackEnd();
  return *chosen;
}

void Application::Install(Application* app) { gInstalled = app; }

bool FileExistsAtPath(const std::string& path)
{
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

} // namespace appkit
