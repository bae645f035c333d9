#include "tables/single_char_table.h"

namespace namefold {

void ParseSingleCharTable(Unit* text, SingleCharTable& table) {
  Unit* p = text;
  for (;;) {
    // The key is the unit right before the first "=" the scan meets, wherever it stands; the
    // scan crosses line breaks, so text before the key (or a line without "=") is passed over.
    while (*p != 0 && p[1] != u'=') ++p;  // p[1] is readable: *p is not the terminator
    if (*p == 0) return;
    table.entries[*p] = p + 2;

    // The line end is searched from the key itself, so a key that is a CR or LF (a line that
    // begins with "=") ends the search at once and its value runs on to a later terminator.
    // Most units lie above CR, the largest of the three that end a line: one test passes them.
    while (*p > u'\r' || (*p != 0 && *p != u'\r' && *p != u'\n')) ++p;
    if (*p == 0) return;
    *p++ = 0;  // terminates the value; the LF of a CR LF pair is the next unit scanned
  }
}

}  // namespace namefold
