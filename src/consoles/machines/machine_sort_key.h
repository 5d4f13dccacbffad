// How a grid column sorts: row numbers as numbers, creation times as times, public
// addresses as IPv4 numbers, everything else as text with its digit runs compared as
// numbers ("S5.SMALL2" before "S5.SMALL16").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "consoles/machines/machine_row.h"

namespace ydt {

struct MachineSortKey {
  // Kinds of value sort apart: empty cells first, then numbers (addresses, times), then
  // texts that could not be read as the column's kind.
  enum class Rank { Empty = 0, Number = 1, Text = 2 };
  Rank rank = Rank::Empty;
  std::int64_t number = 0;
  std::string text;  // the cell; decides between equal numbers ("1.2.3.4,1.2.3.5")
};

MachineSortKey SortKeyOf(MachineColumn column, const MachineRow& row);

// Strict weak order of keys of the same column.
bool SortKeyLess(const MachineSortKey& a, const MachineSortKey& b);

// The address as a 32-bit number ("10.0.0.1" = 0x0A000001); nothing unless it is four
// decimal parts of 0-255.
std::optional<std::uint32_t> Ipv4Number(std::string_view text);

// Seconds since 1970-01-01 of a creation time as the grid shows it ("2021-06-01 08:30:00",
// also without seconds or with a zone or fraction after them, which is ignored); nothing
// when it does not start with a date.
std::optional<std::int64_t> DateTimeSeconds(std::string_view text);

// Negative, zero or positive as `a` sorts before, with or after `b`, with runs of digits
// compared by their value.
int NaturalCompare(std::string_view a, std::string_view b);

}  // namespace ydt
