#include "transfer/OracleTableLock.h"

#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Value.h"
#include "transfer/ListHelpers.h"
#include "transfer/OracleValues.h"
#include "transfer/SqlHelpers.h"

namespace transfer {
namespace {

constexpr std::uint32_t kUserLockIds = 1u << 30;  // Oracle keeps the ids above for its own products

// A failure that says the package cannot be called at all (not granted, or absent).
bool LockPackageMissing(const std::string& description) {
  return description.find("PLS-00201") != std::string::npos || description.find("DBMS_LOCK") != std::string::npos;
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

void OracleTableLock::Take(ado::Connection& oracle, const std::string& user, const std::string& table) {
  if (!m_available) return;
  m_id = IdOf(user, table);
  try {
    ExecuteSql(oracle, "DECLARE r INTEGER; BEGIN r := DBMS_LOCK.REQUEST(" + std::to_string(m_id) +
                           ", DBMS_LOCK.X_MODE, 0, FALSE); IF r NOT IN (0, 4) THEN "
                           "RAISE_APPLICATION_ERROR(-20100, 'held by another session'); END IF; END;");
    m_held = true;
  } catch (const ado::ConnectionLost&) {
    throw;
  } catch (const ado::Failure& failure) {
    const std::string description = failure.what();
    if (description.find("ORA-20100") != std::string::npos) {
      throw ado::Failure("The Oracle table " + table +
                         " is being written by another run at this moment; it was left as it is.\n" + description);
    }
    if (!LockPackageMissing(description)) throw;
    m_available = false;
  }
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

void RefreshListedSpellings(ado::Connection& oracle, connections::ListBox& list, const std::string& table) {
  const std::vector<std::string> present = OracleTablesNamedLike(oracle, table);
  const std::string wanted = LowerCase(table);
  for (int i = list.ListCount() - 1; i >= 0; --i) {
    if (LowerCase(list.List(i)) == wanted) list.RemoveItem(i);
  }
  for (const std::string& name : present) list.AddItem(name);
}

}  // namespace transfer
