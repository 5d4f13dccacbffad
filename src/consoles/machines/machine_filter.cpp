#include "consoles/machines/machine_filter.h"

#include <array>

#include "service/text/text.h"

namespace ydt {

namespace {

constexpr std::array<MachineColumn, 6> kSearchedColumns = {
    MachineColumn::Id,     MachineColumn::State,         MachineColumn::Configuration,
    MachineColumn::System, MachineColumn::PublicAddress, MachineColumn::ImageId};

constexpr std::string_view kFullWidthSpace = "\u3000";

// Length of the blank at the front of `text`, 0 when it does not start with one.
std::size_t BlankAt(std::string_view text) {
  if (text.empty()) return 0;
  if (text.front() == ' ' || text.front() == '\t') return 1;
  if (text.starts_with(kFullWidthSpace)) return kFullWidthSpace.size();
  return 0;
}

}  // namespace

std::string FilterHaystack(const MachineRow& row) {
  std::string haystack;
  for (MachineColumn column : kSearchedColumns) {
    haystack += ToLowerText(row.Cell(column));
    haystack += '\n';
  }
  return haystack;
}

MachineFilter::MachineFilter(std::string_view text) {
  std::string word;
  while (!text.empty()) {
    if (const std::size_t blank = BlankAt(text)) {
      if (!word.empty()) words_.push_back(ToLowerText(word));
      word.clear();
      text.remove_prefix(blank);
      continue;
    }
    word += text.front();
    text.remove_prefix(1);
  }
  if (!word.empty()) words_.push_back(ToLowerText(word));
}

bool MachineFilter::MatchesHaystack(std::string_view haystack) const {
  for (const std::string& word : words_) {
    if (haystack.find(word) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace ydt
