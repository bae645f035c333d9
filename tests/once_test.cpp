#include "tables/once.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace namefold {
namespace {

// While the one build is under way every other caller is told so at once, and a caller that is
// told kReady sees everything the build wrote: the build is held until another caller has asked,
// so a state published too early is always seen.
TEST(BuildOnce, PublishesReadyOnlyAfterTheBuild) {
  for (const bool succeeds : {true, false}) {
    SCOPED_TRACE(succeeds ? "build succeeds" : "build fails");
    const OnceState outcome = succeeds ? OnceState::kReady : OnceState::kFailed;
    Once once;
    std::atomic<bool> asked{false};
    int filled = 0;  // written by the build without any synchronisation of its own
    std::thread builder([&] {
      EXPECT_EQ(BuildOnce(once,
                          [&] {
                            while (!asked.load()) std::this_thread::yield();
                            filled = 1;
                            return succeeds;
                          }),
                outcome);
    });
    while (StateOf(once) == OnceState::kFree) std::this_thread::yield();
    const OnceState during = BuildOnce(once, [] { return true; });
    asked = true;
    EXPECT_EQ(during, OnceState::kBuilding) << "another caller's build is under way";
    EXPECT_FALSE(IsSettled(during));
    OnceState after;
    while (!IsSettled(after = BuildOnce(once, [] { return true; }))) std::this_thread::yield();
    if (after == OnceState::kReady) {
      EXPECT_EQ(filled, 1) << "kReady seen before the build was complete";
    }
    builder.join();
    EXPECT_EQ(BuildOnce(once, [] { return true; }), outcome) << "a build is tried once only";
  }
}

// The keyed slots: each key built once, in its own slot, and nothing once every slot is taken.
TEST(BuildOnceFor, BuildsEachKeyOnceInASlotOfItsOwn) {
  static OnceSlots<int, 2> slots;
  int builds = 0;
  auto build = [&](int value) {
    return [&builds, value](int& data) {
      ++builds;
      data = value;
      return value >= 0;  // a negative value stands for a failed build
    };
  };
  EXPECT_EQ(FindBuilt(slots, 7), nullptr);
  const int* seven = BuildOnceFor(slots, 7, build(70));
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(*seven, 70);
  EXPECT_EQ(BuildOnceFor(slots, 7, build(71)), seven) << "built again";
  EXPECT_EQ(FindBuilt(slots, 7), seven);
  EXPECT_EQ(BuildOnceFor(slots, 8, build(-1)), nullptr);
  EXPECT_EQ(BuildOnceFor(slots, 8, build(80)), nullptr) << "a failed build tried again";
  EXPECT_EQ(BuildOnceFor(slots, 9, build(90)), nullptr) << "a third key in two slots";
  EXPECT_EQ(builds, 2);
}

}  // namespace
}  // namespace namefold
