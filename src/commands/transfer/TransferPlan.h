#pragma once

#include <optional>
#include <string>
#include <vector>

#include "connections/WindowParts.h"

namespace transfer {

// What a copy would do, found by reading both sides and changing neither: per table whether
// its target exists and what becomes of it, the statements that would create the target, each
// column's mapping, each shortened name, the kinds of values that would be refused, rounded
// or re-encoded, the keys under the names the run gives them, and a table the target side
// would refuse whole.
struct ColumnPlan {
  std::string source;  // the column and its declared type, "qty N(20,4)"
  std::string target;  // the target column, "\"qty\" NUMBER(19,4)"
  std::string notes;   // what happens to its values on the way; empty when they arrive as they are
};

/// What the run does with a target table that exists already.
enum class ExistingTarget {
  Replace,      // dropped and made anew
  Keep,         // left as it is, by choice
  Ask,          // the question is asked on the terminal; the plan shows the answer yes
  KeepUnasked,  // no one can answer: left as it is, and the run fails
};

/// The run the plan describes.
struct PlanChoices {
  bool keepTypes = false;  // typed columns, comments and keys; else the text copy's columns
  ExistingTarget existing = ExistingTarget::KeepUnasked;
  std::vector<std::string> targetTables;  // the target side's list
};

struct TablePlan {
  std::string source;
  std::string target;
  std::optional<ExistingTarget> existing;  // what becomes of the target; none when it does not exist
  std::vector<std::string> statements;
  std::vector<ColumnPlan> columns;
  std::vector<std::string> keys;  // the statements that make its keys, then the keys not carried
  std::string refusal;            // why the target side would refuse the table; empty when it takes it
  std::string failure;            // why the table cannot be planned (it cannot be read); empty when it can
};

/// The plan of sending these FoxPro tables to Oracle, in this order.
std::vector<TablePlan> PlanSendToOracle(const connections::ConnectionFields& fields,
                                        const std::vector<std::string>& tables, const PlanChoices& choices);
/// The plan of sending these Oracle tables to FoxPro, in this order.
std::vector<TablePlan> PlanSendToFoxPro(const connections::ConnectionFields& fields,
                                        const std::vector<std::string>& tables, const PlanChoices& choices);

/// The plan as text for people, one block per table.
std::string PlanText(const std::vector<TablePlan>& plan);

/// True when the run would fail for some table: it cannot be read, the target side refuses
/// it, or it exists and is kept without an answer.
bool PlanFails(const std::vector<TablePlan>& plan);

}  // namespace transfer
