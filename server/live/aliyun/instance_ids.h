// The instance-ID lists the console sends: "[id]" for one machine, "id1,id2," for a batch,
// and the JSON-style "[\"id1\",\"id2\"]" some callers write.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ydt::live::aliyun {

// The IDs in order of first appearance, blanks and quotes trimmed, empties and repeats
// dropped: naming one machine twice in one request would fail the whole request.
std::vector<std::string> ParseInstanceIds(std::string_view text);

// `ids` in consecutive runs of at most `size`.
std::vector<std::vector<std::string>> Chunked(const std::vector<std::string>& ids,
                                              std::size_t size);

}  // namespace ydt::live::aliyun
