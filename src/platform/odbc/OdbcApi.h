#pragma once

// ODBC's headers; on Windows they need the system's types declared first. Only the wide (W)
// functions are called: the narrow ones take the ANSI code page, and some driver managers
// (wine's) do not implement them.
#ifdef _WIN32
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
