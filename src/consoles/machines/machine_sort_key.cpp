#include "consoles/machines/machine_sort_key.h"

namespace ydt {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads 1 to `maxDigits` decimal digits from the front of `text`.
std::optional<int> TakeNumber(std::string_view& text, std::size_t maxDigits) {
  std::size_t n = 0;
  int value = 0;
  while (n < text.size() && n < maxDigits && IsDigit(text[n])) {
    value = value * 10 + (text[n] - '0');
    ++n;
  }
  if (n == 0) return std::nullopt;
  text.remove_prefix(n);
  return value;
}

bool Take(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

MachineSortKey NumberKey(std::int64_t number, const std::string& cell) {
  return {MachineSortKey::Rank::Number, number, cell};
}

MachineSortKey TextKey(const std::string& cell) {
  return {cell.empty() ? MachineSortKey::Rank::Empty : MachineSortKey::Rank::Text, 0, cell};
}

}  // namespace

std::optional<std::uint32_t> Ipv4Number(std::string_view text) {
  std::uint32_t number = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && !Take(text, '.')) return std::nullopt;
    const std::optional<int> value = TakeNumber(text, 3);
    if (!value || *value > 255) return std::nullopt;
    number = (number << 8) | static_cast<std::uint32_t>(*value);
  }
  if (!text.empty()) return std::nullopt;
  return number;
}

std::optional<std::int64_t> DateTimeSeconds(std::string_view text) {
  const std::optional<int> year = TakeNumber(text, 4);
  if (!year || !Take(text, '-')) return std::nullopt;
  const std::optional<int> month = TakeNumber(text, 2);
  if (!month || *month < 1 || *month > 12 || !Take(text, '-')) return std::nullopt;
  const std::optional<int> day = TakeNumber(text, 2);
  if (!day || *day < 1 || *day > 31) return std::nullopt;
  std::int64_t seconds = DaysFromCivil(*year, *month, *day) * 86400;
  if (!Take(text, ' ')) return seconds;
  const std::optional<int> hour = TakeNumber(text, 2);
  if (!hour || !Take(text, ':')) return seconds;
  const std::optional<int> minute = TakeNumber(text, 2);
  if (!minute) return seconds;
  seconds += *hour * 3600 + *minute * 60;
  if (Take(text, ':')) seconds += TakeNumber(text, 2).value_or(0);
  return seconds;
}

int NaturalCompare(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      // Compare the runs by value: skip leading zeros, then the longer run is larger, then
      // the first differing digit decides.
      std::size_t ai = i, bj = j;
      while (ai < a.size() && a[ai] == '0') ++ai;
      while (bj < b.size() && b[bj] == '0') ++bj;
      std::size_t aEnd = ai, bEnd = bj;
      while (aEnd < a.size() && IsDigit(a[aEnd])) ++aEnd;
      while (bEnd < b.size() && IsDigit(b[bEnd])) ++bEnd;
      if (aEnd - ai != bEnd - bj) return aEnd - ai < bEnd - bj ? -1 : 1;
      if (const int order = a.substr(ai, aEnd - ai).compare(b.substr(bj, bEnd - bj))) {
        return order;
      }
      i = aEnd;
      j = bEnd;
      continue;
    }
    if (a[i] != b[j]) {
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
    }
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  // Equal by value ("007" and "7"): the plain texts decide, so the order stays strict.
  return a.compare(b);
}

MachineSortKey SortKeyOf(MachineColumn column, const MachineRow& row) {
  const std::string& cell = row.Cell(column);
  if (cell.empty()) return TextKey(cell);
  switch (column) {
    case MachineColumn::RowNumber: {
      std::string_view text = cell;
      if (const std::optional<int> number = TakeNumber(text, 9); number && text.empty()) {
        return NumberKey(*number, cell);
      }
      break;
    }
    case MachineColumn::PublicAddress: {
      // A Tencent cell may hold several addresses; the first one places the row.
      const std::string_view first = std::string_view(cell).substr(0, cell.find(','));
      if (const std::optional<std::uint32_t> number = Ipv4Number(first)) {
        return NumberKey(*number, cell);
      }
      break;
    }
    case MachineColumn::CreationTime:
      if (const std::optional<std::int64_t> seconds = DateTimeSeconds(cell)) {
        return NumberKey(*seconds, cell);
      }
      break;
    default:
      break;
  }
  return TextKey(cell);
}

bool SortKeyLess(const MachineSortKey& a, const MachineSortKey& b) {
  if (a.rank != b.rank) return a.rank < b.rank;
  if (a.rank == MachineSortKey::Rank::Number && a.number != b.number) return a.number < b.number;
  return NaturalCompare(a.text, b.text) < 0;
}

}  // namespace ydt
