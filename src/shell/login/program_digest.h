// The fingerprint of the running program that the update check compares with the digest
// the vendor publishes for the current release.
#pragma once

#include <string>

namespace ydt {

// MD5 of the file's bytes as 32 lower-case hex digits; empty when the file cannot be read.
std::string FileDigest(const std::string& path);

// FileDigest of the running executable, found through /proc/self/exe rather than by name
// so that starting the program from any folder gives the same digest. Computed on first
// use and kept for the rest of the run; empty when the executable cannot be read.
const std::string& ProgramDigest();

}  // namespace ydt
