#pragma once

#include <string>
#include <vector>

#include "connections/WindowParts.h"

namespace transfer {

// What a typed copy would do, found by reading both sides and changing neither: per table
// the statements that would create the target, each column's mapping, each shortened name,
// and the kinds of values that would be refused, rounded or re-encoded.
struct ColumnPlan {
  std::string source;  // the column and its declared type, "qty N(20,4)"
  std::string target;  // the target column, "\"qty\" NUMBER(19,4)"
  std::string notes;   // what happens to its values on the way; empty when they arrive as they are
};

struct TablePlan {
  std::string source;
  std::string target;
  std::vector<std::string> statements;
  std::vector<ColumnPlan> columns;
  std::vector<std::string> keys;  // the statements that make its keys, then the keys not carried
  std::string failure;            // why the table cannot be planned (it cannot be read); empty when it can
};

/// The plan of sending these FoxPro tables to Oracle.
std::vector<TablePlan> PlanSendToOracle(const connections::ConnectionFields& fields,
                                        const std::vector<std::string>& tables);
/// The plan of sending these Oracle tables to FoxPro.
std::vector<TablePlan> PlanSendToFoxPro(const connections::ConnectionFields& fields,
                                        const std::vector<std::string>& tables);

/// The plan as text for people, one block per table.
std::string PlanText(const std::vector<TablePlan>& plan);

}  // namespace transfer
