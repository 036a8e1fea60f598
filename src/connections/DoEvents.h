#pragma once

#include "platform/os/DoEvents.h"

namespace connections {

// The yield the connections hand their providers, and the commands call between rows.
using os::DoEvents;

}  // namespace connections
