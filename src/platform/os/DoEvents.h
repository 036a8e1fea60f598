#pragma once

namespace os {

// Lets the window system process pending events. Returns at once when the last real
// yield was less than about 10 ms ago, so yielding once per value costs nothing. Once it
// has run, a connection's login and a recordset that reads a whole table at Open yield
// through it while they wait.
//
// With TESSELBY_EVENT_GAPS set in the environment, the program writes to stderr at exit
// how long events waited between two turns of the event loop while a command ran (the
// longest wait and the 99th percentile), to check that long transfers keep the window live.
void DoEvents();

}  // namespace os
