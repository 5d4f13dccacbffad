// Where the user's documents live when no desktop environment says otherwise.
#pragma once

#include <string>

namespace ydt {

// $HOME/Documents (the folder need not exist yet).
std::string DefaultDocumentsFolder();

}  // namespace ydt
