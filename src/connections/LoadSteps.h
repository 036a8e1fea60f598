#pragma once

namespace connections {

// The tables window's load steps in the order they are written and run (numbered 100, 102,
// ... as every command's steps are). The window runs them all; the command line runs the three
// that fill the lists, under the same numbers, so its reports name the steps the window's would.
enum class TablesWindowLoadStep {
  SystemColours,
  Icon,
  TestHandCursor,
  LoadHandCursor,
  Title,
  FoxProConnectionString,
  LoadFoxProTables,
  LoadOracleTables,
  Height
};

}  // namespace connections
