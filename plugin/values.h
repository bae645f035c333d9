// Field values for a path; see include/namefold.h for the contracts of the two value entries.
#pragma once

#include "base/unit.h"

namespace namefold {

// The 8-bit entry: fields 0 and 1 only; reads no table.
int GetValue(const char* file_name, int field_index, void* field_value, int maxlen);

// The UTF-16 entry: all five fields. The first request for a name field loads the tables.
int GetValueW(const Unit* file_name, int field_index, void* field_value, int maxlen);

}  // namespace namefold
