#include "live/common/console_form.h"

#include <gtest/gtest.h>

namespace ydt::live {
namespace {

TEST(ConsoleForm, InstanceIdListsInEveryFormTheConsoleSends) {
  using Ids = std::vector<std::string>;
  struct Case {
    const char* text;
    Ids ids;
  } cases[] = {
      {"[ins-1]", {"ins-1"}},
      {"[\"ins-1\"]", {"ins-1"}},
      {"[\"ins-1\",\"ins-2\"]", {"ins-1", "ins-2"}},
      {"ins-1,ins-2,", {"ins-1", "ins-2"}},
      {" ins-1 , ins-1, ins-3 ,", {"ins-1", "ins-3"}},
      {"[]", {}},
      {",,", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInstanceIds(c.text), c.ids) << c.text;

  const Ids items{"a", "b", "c", "d", "e"};
  EXPECT_EQ(InRunsOf(items, 2), (std::vector<Ids>{{"a", "b"}, {"c", "d"}, {"e"}}));
  EXPECT_TRUE(InRunsOf({}, 100).empty());
}

}  // namespace
}  // namespace ydt::live
