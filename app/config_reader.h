// Reading "config.ini": the file's first bytes, taken only from a regular
// file and only up to a fixed limit, and the three items in them (window
// width, window height, start-up system). Nothing here writes the file or
// touches the shared records, so any bytes at all can be fed to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// At most this much of the file is looked at. The program's own file has
// four short lines (about 70 bytes); a limit far above that bounds memory
// and time whatever the file is.
constexpr size_t CONFIG_MAX_BYTES = 64 * 1024;

// Usable window sizes, pixels: smaller leaves no room for the controls,
// larger exceeds any display and what a texture may be.
constexpr int32_t CONFIG_MIN_WIDTH = 320;
constexpr int32_t CONFIG_MIN_HEIGHT = 240;
constexpr int32_t CONFIG_MAX_SIDE = 16384;

enum class config_source {
    missing,    // no such file: the default file is created
    unreadable, // a regular file that could not be opened or read: replaced by the default file
    unusable,   // not a regular file (a directory, a FIFO, a device...): never read nor written
    read,       // a regular file, its first bytes in `bytes`
};

struct config_file {
    config_source source;
    std::string bytes; // at most CONFIG_MAX_BYTES + 1 (the extra byte tells that the file goes on)
    std::string what;  // unusable: what it is ("a directory"); unreadable: why (strerror)
    bool link;         // the name is a symbolic link: it may be read, never written through
};

// Reads the start of the file at `path` without ever blocking: a FIFO, a
// device or a directory is reported as unusable before it is opened.
config_file read_config_file(const char* path);

struct config_values {
    bool complete;        // width, height and system were all found
    int32_t width;        // pixels, clamped into CONFIG_MIN_WIDTH .. CONFIG_MAX_SIDE
    int32_t height;       // pixels, clamped into CONFIG_MIN_HEIGHT .. CONFIG_MAX_SIDE
    int32_t asked_width;  // pixels, as written in the file
    int32_t asked_height; // pixels, as written in the file
    std::string system;   // one of the five system names
    std::string problem;  // when not complete: what is missing, as a clause ("gives no window height")
};

// The items in the first bytes of the file. Lines end with LF (a CR right
// before it is dropped); only the order of the lines with an '=' matters,
// the text before the '=' is not examined. A value that is a whole 32-bit
// number is the width, the height, then (as a number where the system is
// expected) the free particle "volna"; one of the five names exactly is
// taken as the system once both sizes are read. Past CONFIG_MAX_BYTES only
// the lines that end within the limit count.
config_values parse_config(std::string_view bytes);
