#include "platform/foxpro/tables/TableFields.h"

#include <string>

#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {

std::vector<NewField> DbfFieldsFor(const std::vector<ColumnDefinition>& columns) {
  std::vector<std::string> names;
  names.reserve(columns.size());
  for (const ColumnDefinition& column : columns) names.push_back(column.name);
  const std::vector<std::string> shortNames = ShortFieldNames(names);

  std::vector<NewField> fields;
  fields.reserve(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    NewField field;
    field.name = shortNames[i];
    field.type = columns[i].type;
    field.length = columns[i].width;
    field.decimals = columns[i].decimals;
    field.nullable = columns[i].nullable;
    field.binary = columns[i].binary;
    field.autoIncrement = columns[i].autoIncrement;
    field.autoIncrementNext = columns[i].nextValue;
    field.autoIncrementStep = columns[i].step;
    fields.push_back(std::move(field));
  }
  return fields;
}

}  // namespace foxpro
