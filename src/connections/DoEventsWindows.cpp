#include "connections/DoEvents.h"

namespace connections {

// The Windows build has no windows yet, so no events wait while a command runs.
void DoEvents() {}

}  // namespace connections
