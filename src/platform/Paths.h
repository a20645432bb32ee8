// Where the game's files are: the folder of the executable, and the file names the game's
// tables store with Windows separators.
#pragma once

#include <string>

namespace lr {

// The folder holding the running executable, without a trailing slash ("." if unknown).
std::string ExecutableDirectory();

// "Sounds\Boom.wav" → "Sounds/Boom.wav".
std::string NativePath(const std::string& storedName);

// The first of <executable folder>/name and ./name that exists, or name itself.
std::string FindGameFile(const std::string& storedName);

}  // namespace lr
