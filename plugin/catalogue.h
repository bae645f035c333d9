// The fields the plugin offers, in the order of their indexes.
#pragma once

#include "namefold.h"

namespace namefold {

struct FieldRow {
  int index;  // the field's NAMEFOLD_FIELD_* number, which is also its row
  const char* name;
  int type;        // the declared host type code
  int sort_order;  // the default sort order
};

inline constexpr int kFieldCount = NAMEFOLD_FIELD_COUNT;

// Fields 1 to 4 are declared as 8-bit strings; the UTF-16 entry answers them as UTF-16 strings,
// which the host accepts for such fields.
inline constexpr FieldRow FieldCatalogue[kFieldCount] = {
    {NAMEFOLD_FIELD_HAS_UNICODE, "HasUnicode", NAMEFOLD_FT_BOOLEAN, 1},
    {NAMEFOLD_FIELD_NAME_NO_UNICODE, "NameNoUnicode", NAMEFOLD_FT_STRING, 1},
    {NAMEFOLD_FIELD_NAME_REPLACE_NO_ENGLISH, "NameReplaceNoEnglish", NAMEFOLD_FT_STRING, 1},
    {NAMEFOLD_FIELD_NAME_REPLACE_USER_UNICODE, "NameReplaceUserUnicode", NAMEFOLD_FT_STRING, 1},
    {NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL, "NameReplaceUserAll", NAMEFOLD_FT_STRING, 1},
};

static_assert([] {
  for (int i = 0; i < kFieldCount; ++i) {
    if (FieldCatalogue[i].index != i) return false;
  }
  return true;
}());

// The host's questions about the catalogue; see include/namefold.h for the contracts.
int GetSupportedField(int field_index, char* field_name, char* units, int maxlen);
int GetDefaultSortOrder(int field_index);

}  // namespace namefold
