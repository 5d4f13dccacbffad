// The grid as a CSV file for a spreadsheet: UTF-8 with a byte-order mark (without it common
// spreadsheet programs read the Chinese text in the local code page), a header row of the
// column headings, fields quoted as RFC 4180 asks, lines ended by CR LF.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "consoles/machines/machine_row.h"

namespace ydt {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// One field: quoted, with its quotes doubled, when it holds a comma, a quote or a line
// break. A cell that a spreadsheet would run as a formula (starting with =, +, @, or - not
// followed by a digit) is written with a leading apostrophe: the cells come from the
// backend and must stay data.
std::string CsvField(std::string_view cell);

// The file's bytes: the mark, the header and one line per row, in the order given.
std::string MachineRowsCsv(std::span<const MachineRow* const> rows);

}  // namespace ydt
