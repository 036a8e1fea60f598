#pragma once

namespace connections {

// Lets the window system process pending events. Returns at once when the last real
// yield was less than about 10 ms ago, so yielding once per value costs nothing.
void DoEvents();

}  // namespace connections
