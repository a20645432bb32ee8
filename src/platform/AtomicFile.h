// Replacing a small file as a whole: readers see either the old or the new contents, never a
// part of either, even when the program is killed or the disk fills up on the way.
#pragma once

#include <string>
#include <string_view>

namespace lr {

// Writes `bytes` to a temporary file in the folder of `path`, flushes it to the disk and
// renames it over `path`. Returns an empty string on success, otherwise what went wrong (the
// old file is then untouched and no temporary file is left behind).
std::string ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace lr
