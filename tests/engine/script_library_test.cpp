// The registration table: every implemented function sits at its place in the fixed order,
// none repeats, and every name a group defines is one of the 73.
#include "script/functions/ScriptLibrary.h"

#include <gtest/gtest.h>

#include <set>

TEST(ScriptLibrary, OrderHasSeventyThreeDistinctNames) {
  const auto& order = registrationOrder();
  EXPECT_EQ(order.size(), 73u);
  EXPECT_EQ(std::set<std::string>(order.begin(), order.end()).size(), 73u);
  EXPECT_EQ(order.front(), "ShowText");
  EXPECT_EQ(order[4], "coreLoadLevel");
  EXPECT_EQ(order.back(), "HasKeyboardFocus");
}

TEST(ScriptLibrary, EveryGroupFunctionIsRegisteredOnceInOrder) {
  std::set<std::string> defined;
  size_t count = 0;
  for (const auto& slice : {coreFunctions(), worldFunctions(), serviceFunctions()})
    for (const ScriptFunction& f : slice) {
      EXPECT_TRUE(defined.insert(f.name).second) << "defined twice: " << f.name;
      ++count;
    }
  auto library = scriptLibrary();
  ASSERT_EQ(library.size(), count) << "a group defines a name that is not in the order";
  const auto& order = registrationOrder();
  size_t at = 0;
  for (const ScriptFunction& f : library) {
    while (at < order.size() && order[at] != f.name)
      ++at;
    ASSERT_LT(at, order.size()) << f.name << " is out of order";
  }
}
