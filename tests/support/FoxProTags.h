#pragma once

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Value.h"

namespace test_support {

/// Each tag of the table as "name expression primary candidate", in lower case and sorted: what
/// a round trip compares.
inline std::vector<std::string> TagLines(ado::Connection& foxPro, const std::string& table) {
  const std::unique_ptr<ado::Recordset> rows = foxPro.OpenIndexesSchema(table);
  std::vector<std::string> tags;
  for (; !rows->Eof(); rows->MoveNext()) {
    std::string tag = ado::ValueToText(rows->Fields("INDEX_NAME").Value) + " " +
                      ado::ValueToText(rows->Fields("EXPRESSION").Value) + " " +
                      ado::ValueToText(rows->Fields("PRIMARY_KEY").Value) + " " +
                      ado::ValueToText(rows->Fields("CANDIDATE").Value);
    std::transform(tag.begin(), tag.end(), tag.begin(), [](unsigned char c) { return std::tolower(c); });
    tags.push_back(std::move(tag));
  }
  std::sort(tags.begin(), tags.end());
  return tags;
}

}  // namespace test_support
