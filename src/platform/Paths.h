// Where the game's files are: the folder of the executable, the game's data beside it or in
// an installed tree, the user's settings folder, and the file names the game's tables store
// with Windows separators.
#pragma once

#include <string>

namespace lr {

// The folder holding the running executable, without a trailing slash ("." if unknown).
std::string ExecutableDirectory();

// The folder holding the game's data (data/ with the sprite sheets, Sounds/ with the effects):
// an installed tree's share folder seen from the executable's folder (../share/lavarumble from
// bin/), where it holds the sheets, else the executable's own folder, as in a build folder.
std::string GameDataDirectory();
// The same for an executable in `exeDir`.
std::string GameDataDirectoryFor(const std::string& exeDir);

// The user's settings folder for the game: $XDG_CONFIG_HOME/lavarumble, else
// $HOME/.config/lavarumble; empty when neither variable gives an absolute folder.
std::string UserConfigDirectory();

// "Sounds\Boom.wav" → "Sounds/Boom.wav".
std::string NativePath(const std::string& storedName);

// <game data folder>/name where it exists, else name itself (the working directory's).
std::string FindGameFile(const std::string& storedName);

}  // namespace lr
