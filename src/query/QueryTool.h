#pragma once

#include <iosfwd>

namespace query {

/// tesselby-query: prints the rows of one SQL statement (or the tables schema) as TSV.
/// Returns the exit status: 0 done, 1 failure (description on err), 2 bad usage.
int RunQueryTool(int argc, char** argv);
int RunQueryTool(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace query
