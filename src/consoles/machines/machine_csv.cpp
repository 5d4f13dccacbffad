#include "consoles/machines/machine_csv.h"

namespace ydt {

namespace {

bool StartsLikeFormula(std::string_view cell) {
  if (cell.empty()) return false;
  switch (cell.front()) {
    case '=':
    case '+':
    case '@':
    case '\t':
    case '\r':
      return true;
    case '-':
      return cell.size() < 2 || cell[1] < '0' || cell[1] > '9';
    default:
      return false;
  }
}

void AppendField(std::string& out, std::string_view cell) {
  const bool guard = StartsLikeFormula(cell);
  const bool quote = cell.find_first_of(",\"\r\n") != std::string_view::npos;
  if (quote) out += '"';
  if (guard) out += '\'';
  for (char c : cell) {
    if (c == '"') out += '"';
    out += c;
  }
  if (quote) out += '"';
}

}  // namespace

std::string CsvField(std::string_view cell) {
  std::string field;
  AppendField(field, cell);
  return field;
}

std::string MachineRowsCsv(std::span<const MachineRow* const> rows) {
  std::string csv(kUtf8Bom);
  csv.reserve(csv.size() + 128 * (rows.size() + 1));
  for (int column = 0; column < kMachineColumnCount; ++column) {
    if (column > 0) csv += ',';
    AppendField(csv, kMachineColumns[static_cast<std::size_t>(column)].heading);
  }
  csv += "\r\n";
  for (const MachineRow* row : rows) {
    for (int column = 0; column < kMachineColumnCount; ++column) {
      if (column > 0) csv += ',';
      AppendField(csv, row->cells[static_cast<std::size_t>(column)]);
    }
    csv += "\r\n";
  }
  return csv;
}

}  // namespace ydt
