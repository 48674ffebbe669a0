// Our CPU stand-in for Metal, its QuartzCore layer and the libdispatch calls its callers make.
#pragma once

#include "dispatch.h"
#include "metal_command.h"
#include "metal_device.h"
#include "metal_resources.h"
#include "metal_types.h"
#include "quartz_core.h"
