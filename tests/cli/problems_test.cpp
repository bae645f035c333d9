#include "cli/problems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace namefold::cli {
namespace {

// The hashed grouping against the plain comparison of every pair, on random keys from a small
// alphabet, so that most runs hold groups of two, three and more, and some none.
TEST(Problems, EqualKeysGroupsAsEveryPairCompared) {
  std::mt19937 random(26);
  // A lone surrogate is a unit like any other here.
  const std::u16string alphabet{u'a', u'A', u'\u00e9', char16_t(0xD800)};
  for (int run = 0; run < 2000; ++run) {
    std::vector<std::u16string> keys(random() % 40);
    for (std::u16string& key : keys) {
      for (std::size_t length = random() % 3; length-- > 0;) key += alphabet[random() % 4];
    }
    std::vector<std::vector<std::size_t>> expected;
    std::vector<bool> grouped(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (grouped[i]) continue;
      std::vector<std::size_t> group{i};
      for (std::size_t j = i + 1; j < keys.size(); ++j) {
        if (keys[j] == keys[i]) group.push_back(j);
      }
      for (std::size_t j : group) grouped[j] = true;
      if (group.size() > 1) expected.push_back(group);
    }
    std::vector<std::vector<std::size_t>> found = EqualKeys(keys);
    std::sort(found.begin(), found.end());  // the groups come in no promised order
    ASSERT_EQ(found, expected) << "run " << run;
  }
}

}  // namespace
}  // namespace namefold::cli
