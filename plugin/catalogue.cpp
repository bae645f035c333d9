#include "plugin/catalogue.h"

#include "base/unit.h"
#include "namefold.h"

namespace namefold {

int GetSupportedField(int field_index, char* field_name, char* units, int maxlen) {
  if (field_index < 0 || field_index >= kFieldCount) return NAMEFOLD_FT_NO_MORE_FIELDS;
  if (field_name == nullptr || units == nullptr || maxlen < 1) return NAMEFOLD_FT_NO_MORE_FIELDS;
  const FieldRow& row = FieldCatalogue[field_index];
  (void)CopyBounded(std::span(field_name, static_cast<std::size_t>(maxlen)), row.name);
  units[0] = 0;  // no field has units
  return row.type;
}

int GetDefaultSortOrder(int field_index) {
  return field_index >= 0 && field_index < kFieldCount ? FieldCatalogue[field_index].sort_order : 1;
}

}  // namespace namefold
