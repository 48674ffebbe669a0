// A module that reports what it finds of its own bundle.
#include <cstring>

#include "foundation/bundle.h"

extern "C" __attribute__((visibility("default"))) int ProbeBundle(char* identifier, char* resource, int size)
{
  auto bundle = foundation::Bundle::Module();
  if (!bundle || size <= 0)
    return 0;
  std::strncpy(identifier, bundle->Identifier().c_str(), size - 1);
  identifier[size - 1] = 0;
  const std::string path = bundle->PathForResource("probe", "txt");
  std::strncpy(resource, path.c_str(), size - 1);
  resource[size - 1] = 0;
  return 1;
}
