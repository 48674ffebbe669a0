#include "appkit/x11_application.h"

namespace appkit {

std::unique_ptr<Application> MakeX11Application() { return nullptr; }

} // namespace appkit
