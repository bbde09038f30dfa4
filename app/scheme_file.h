// The colour scheme key B chooses, remembered in "vzhled.ini" beside
// config.ini (in the current directory), so a lecture room's computer keeps
// it from one lesson to the next. config.ini itself is never touched.
#pragma once

#include <string_view>

// The file's name.
extern const char* const SCHEME_FILE;

// Whether "vzhled.ini" holds the line "[PROJEKTOR]=1" (with "[PROJEKTOR]=0"
// the usual dark scheme). A missing file means the dark scheme; one that
// cannot be read, is not a regular file, is too large or holds anything else
// is said on stderr in one line and means the dark scheme too.
bool read_scheme();
// Writes the choice into "vzhled.ini" in config.ini's line style (CR LF);
// a failure is said on stderr, and the scheme on screen switches anyway.
void write_scheme(bool projector);
