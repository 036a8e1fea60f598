#include "platform/os/DoEvents.h"

namespace os {

// The Windows build has no windows yet, so no events wait while a command runs.
void DoEvents() {}

}  // namespace os
