#pragma once
// Crash-safe replacement of a file: the new content is written to a temporary file in the
// same directory, every write is checked for its full length, the data is synced, and
// only then is the temporary renamed over the target. Either the whole new content is
// in place or the old file is untouched.
#include <string>
#include <string_view>

namespace vexa {

// Replaces (or creates) path with bytes. A target that is a symbolic link is followed:
// the file it points to is replaced and the link stays. An existing file keeps its
// permission bits; a new one gets the usual ones (0666 less the umask).
// Returns true on success. On failure returns false, removes the temporary file, leaves
// the old file as it was and puts a reason a user can read into error (the path and the
// system's explanation). error is not touched on success.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

} // namespace vexa
