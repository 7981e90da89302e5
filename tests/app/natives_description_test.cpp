// The page author's description of the native functions (app/natives.json, made into rows at
// build time by tools/natives-doc) names exactly the functions the host binds, in binding order, with the same
// argument counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/native_table.h"
#include "app/described_natives.h"

namespace {

TEST(NativesDescription, HasOneEntryPerBoundRow) {
  EXPECT_EQ(std::size(kDescribedNatives), natives::Table().size());
}

TEST(NativesDescription, NamesOrderAndArgumentCountsMatchTheBindingTable) {
  const auto table = natives::Table();
  const size_t n = std::min(std::size(kDescribedNatives), table.size());
  for (size_t i = 0; i < n; ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    EXPECT_EQ(std::string(kDescribedNatives[i].name), std::string(table[i].name));
    EXPECT_EQ(kDescribedNatives[i].argCount, table[i].argCount) << table[i].name;
  }
}

}  // namespace
