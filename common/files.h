// Files the user keeps: what kind of thing stands under a name, and the one
// way the program replaces a file's contents, so that a kill, a full disk
// or a file-size limit in the middle never leaves it empty or half written.
#pragma once

#include <sys/types.h>

#include <string>

// What a file of this mode is, for a sentence ("a directory", "a FIFO", "a
// symbolic link"...). A regular file is "a regular file".
const char* file_kind(mode_t mode);

// Replaces the contents of the file at `path` with `bytes`: they are written
// to a new file in the same folder, flushed to the disk, and that file is
// then renamed over `path` in one step, so `path` holds either its old
// contents or the new ones, whatever happens meanwhile. A symbolic link at
// `path` is never written through (nor replaced). On failure the old file is
// left as it was, the new one is removed, `why` says what went wrong (a
// clause such as "no space left on device") and false is returned.
// SIGXFSZ must be ignored for a file-size limit to show as a failure here
// rather than as the end of the program. With `replace` false the file is
// new or nothing: the new file gets its name by a link that fails when the
// name is taken, so nothing that exists is ever replaced, not even a file
// made meanwhile by someone else ("it exists already" in `why`).
bool write_file_atomically(const std::string& path, const std::string& bytes, std::string& why,
                           bool replace = true);
