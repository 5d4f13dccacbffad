// Reading a new password for add-user, and turning it into what the console will send.
#pragma once

#include <string>
#include <string_view>

namespace ydt::gateway {

// On a terminal: asks twice with echo off and insists both agree. Otherwise: the first line
// of standard input. False with a reason (also for an empty password).
bool ReadNewPassword(const std::string& user, std::string& password, std::string& error);

// What the console sends for `typed` (UTF-8, as read from the terminal): the MD5 hex of its
// GBK bytes, blanks at both ends dropped as the console drops them. False when the password
// is empty or holds characters GBK lacks, which the console could never send as typed.
bool ConsoleDigest(std::string_view typed, std::string& digest, std::string& error);

}  // namespace ydt::gateway
