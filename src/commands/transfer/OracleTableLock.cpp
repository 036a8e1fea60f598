#include "commands/transfer/OracleTableLock.h"

#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/OracleValues.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Value.h"

namespace transfer {
namespace {

constexpr std::uint32_t kUserLockIds = 1u << 30;  // Oracle keeps the ids above for its own products

// A failure that says the block cannot run here at all: the package is not granted (PLS-00201
// inside ORA-06550), or the server does not take PL/SQL (a syntax or access error, SQLSTATE
// class 42, as from a server that only speaks SQL).
bool LockPackageMissing(const std::string& description) {
  return description.find("PLS-00201") != std::string::npos || description.find("ORA-06550") != std::string::npos ||
         description.find("(SQLSTATE 42") != std::string::npos;
}

}  // namespace

std::int64_t OracleTableLock::IdOf(const std::string& user, const std::string& table) {
  // FNV-1a: stable across runs, platforms and builds, as every run must compute the same id.
  std::uint32_t hash = 2166136261u;
  for (const char c : LowerCase(user) + "." + LowerCase(table)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return static_cast<std::int64_t>(hash % kUserLockIds);
}

bool OracleTableLock::Take(ado::Connection& oracle, const std::string& user, const std::string& table) {
  if (!m_available) return true;
  m_id = IdOf(user, table);
  try {
    ExecuteSql(oracle, "DECLARE r INTEGER; BEGIN r := DBMS_LOCK.REQUEST(" + std::to_string(m_id) +
                           ", DBMS_LOCK.X_MODE, 0, FALSE); IF r NOT IN (0, 4) THEN "
                           "RAISE_APPLICATION_ERROR(-20100, 'held by another session'); END IF; END;");
  } catch (const ado::ConnectionLost&) {
    throw;
  } catch (const ado::Failure& failure) {
    const std::string description = failure.what();
    if (description.find("ORA-20100") != std::string::npos) return false;
    if (!LockPackageMissing(description)) throw;
    m_available = false;
    return true;
  }
  m_held = true;
  return true;
}

std::string OracleTableLock::HeldElsewhereText(const std::string& table) {
  return "The Oracle table " + table +
         " is being written by another run at this moment, so this run left it as it is and sent none of its rows.";
}

void OracleTableLock::Release(ado::Connection& oracle) {
  if (!m_held) return;
  m_held = false;
  ExecuteSql(oracle, "DECLARE r INTEGER; BEGIN r := DBMS_LOCK.RELEASE(" + std::to_string(m_id) + "); END;");
}

std::vector<std::string> OracleTablesNamedLike(ado::Connection& oracle, const std::string& table) {
  std::string sql = "SELECT TABLE_NAME FROM USER_TABLES WHERE UPPER(TABLE_NAME) = UPPER('";
  AppendDoubledApostrophes(sql, table);
  sql += "')";
  ado::Recordset rows;
  rows.Open(sql, oracle, ado::adOpenStatic);
  std::vector<std::string> names;
  for (; !rows.Eof(); rows.MoveNext()) names.push_back(ado::ValueToText(rows.Fields(0).Value));
  rows.Close();
  return names;
}

void AddListedSpellings(ado::Connection& oracle, connections::ListBox& list, const std::string& table) {
  for (const std::string& name : OracleTablesNamedLike(oracle, table)) {
    bool listed = false;
    for (int i = 0; i < list.ListCount() && !listed; ++i) listed = list.List(i) == name;
    if (!listed) list.AddItem(name);
  }
}

}  // namespace transfer
