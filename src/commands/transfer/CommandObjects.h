#pragma once

#include <memory>

#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"

namespace transfer {

// A recordset object variable: empty until created; using it while empty fails like the
// program's object variables do, so the later steps of a command still run and report.
class RecordsetObject {
 public:
  void Create() { m_recordset = std::make_unique<ado::Recordset>(); }
  bool IsOpen() const { return m_recordset && m_recordset->IsOpen(); }

  ado::Recordset& operator*() const { return Get(); }
  ado::Recordset* operator->() const { return &Get(); }

 private:
  ado::Recordset& Get() const {
    if (!m_recordset) throw ado::Failure("Object variable or With block variable not set");
    return *m_recordset;
  }

  std::unique_ptr<ado::Recordset> m_recordset;
};

}  // namespace transfer
