// Narrowing a grid to the machines an operator remembers part of: every word of the filter
// text must appear, in any letter case, in the machine's ID, state, configuration, system,
// public address or image.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "consoles/machines/machine_row.h"

namespace ydt {

// The searchable text of a row: the six cells a filter looks in, lower-cased, each on a line
// of its own so that a word never matches across two cells. Worth keeping per row, since
// every keystroke tests every row.
std::string FilterHaystack(const MachineRow& row);

class MachineFilter {
 public:
  // Words are separated by blanks (ASCII or the full-width one); letter case does not count.
  explicit MachineFilter(std::string_view text = {});

  bool Empty() const { return words_.empty(); }
  const std::vector<std::string>& Words() const { return words_; }

  // `haystack` as FilterHaystack makes it.
  bool MatchesHaystack(std::string_view haystack) const;
  bool Matches(const MachineRow& row) const { return MatchesHaystack(FilterHaystack(row)); }

 private:
  std::vector<std::string> words_;  // lower-cased
};

}  // namespace ydt
