#pragma once

#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "connections/WindowParts.h"
#include "platform/ado/Connection.h"

namespace maintenance {

// Opens the side whose list a delete or rename works on: the FoxPro data (with the code page
// of tables that mark none) or Oracle.
inline void OpenSide(ado::Connection& connection, bool foxPro, const connections::ConnectionFields& fields) {
  if (foxPro) {
    connections::OpenFoxPro(connection, fields);
  } else {
    connection.Open(connections::OracleConnectionString(fields));
  }
}

}  // namespace maintenance
