#include "tables/single_char_table.h"

namespace namefold {

void ParseSingleCharTable(Unit* text, SingleCharTable& table) {
  ScanSingleCharTable(text,
                      [&](const Unit* key, const Unit* value) { table.entries[*key] = value; });
}

}  // namespace namefold
