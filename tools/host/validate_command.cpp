#include "commands.h"

#include <iostream>

namespace host {
int CommandValidate(const Args&)
{
  std::cerr << "drovik-host: validate is not built yet\n";
  return 1;
}
} // namespace host
