// The load state of a replacement table. It only moves forward: NotTried -> Unavailable at the
// start of the one load attempt, then Unavailable -> Loaded when the table is complete.
#pragma once

namespace namefold {

enum TableLoadState : int {
  NotTried = -1,
  Unavailable = 0,
  Loaded = 1,
};

}  // namespace namefold
