#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "connections/ListBox.h"
#include "platform/ado/Connection.h"

namespace transfer {

// A named lock, through Oracle's DBMS_LOCK, that keeps two runs from writing one Oracle table
// at once: between one run's DROP TABLE and its last row, another run's DROP and CREATE would
// send the rest of the first run's rows into the second run's table. Names that differ only in
// letter case share a lock, since the program takes them for one table. The lock belongs to
// the session and goes with it, so a run that dies leaves none behind.
class OracleTableLock {
 public:
  /// The user lock id of a table (0..1073741823, the range Oracle leaves to applications).
  static std::int64_t IdOf(const std::string& user, const std::string& table);

  /// Takes the lock without waiting; false when another session holds it. A server without
  /// DBMS_LOCK for this user (EXECUTE not granted) leaves the table unlocked: Available() then
  /// turns false and the caller says so once. Other failures pass to the caller.
  bool Take(ado::Connection& oracle, const std::string& user, const std::string& table);
  /// What a run says of a table whose lock another session holds.
  static std::string HeldElsewhereText(const std::string& table);
  /// Lets it go (the session's end does too).
  void Release(ado::Connection& oracle);

  /// The session that held it is gone, and the lock with it.
  void Forget() { m_held = false; }

  bool Held() const { return m_held; }
  bool Available() const { return m_available; }

 private:
  std::int64_t m_id = 0;
  bool m_held = false;
  bool m_available = true;
};

/// The names of the Oracle tables that the program takes for table (equal but for letter
/// case), as the dictionary has them now: the tables list was read when the window opened, and
/// another run may have made or dropped one since.
std::vector<std::string> OracleTablesNamedLike(ado::Connection& oracle, const std::string& table);

/// Adds to the list the spellings of table that the dictionary has and the list lacks, so that
/// the overwrite question is asked about a table another run made since the list was read.
void AddListedSpellings(ado::Connection& oracle, connections::ListBox& list, const std::string& table);

}  // namespace transfer
