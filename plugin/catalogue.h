// The fields the plugin offers, in the order of their indexes.
#pragma once

namespace namefold {

struct FieldRow {
  const char* name;
  int type;        // the declared host type code
  int sort_order;  // the default sort order
};

inline constexpr int kFieldCount = 5;

inline constexpr FieldRow FieldCatalogue[kFieldCount] = {
    {"HasUnicode", 6, 1},
    {"NameNoUnicode", 8, 1},
    {"NameReplaceNoEnglish", 8, 1},
    {"NameReplaceUserUnicode", 8, 1},
    {"NameReplaceUserAll", 8, 1},
};

// The host's questions about the catalogue; see include/namefold.h for the contracts.
int GetSupportedField(int field_index, char* field_name, char* units, int maxlen);
int GetDefaultSortOrder(int field_index);

}  // namespace namefold
