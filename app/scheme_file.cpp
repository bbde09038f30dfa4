// Reading and writing "vzhled.ini": one line, "[PROJEKTOR]=1" or "=0". It is
// read the way config.ini is (nothing that could hang the start is opened,
// at most a fixed number of bytes is read) and written as config.ini is, in
// one step, so a kill meanwhile leaves the old choice or the new one.
//
// Relies on: app/config_reader.h for the safe read, common/files.h for the
// atomic write, common/report.h for stderr.
#include "app/scheme_file.h"

#include <algorithm>
#include <string>

#include "app/config_reader.h"
#include "common/files.h"
#include "common/report.h"

const char* const SCHEME_FILE = "vzhled.ini";

namespace {

const char KEY[] = "[PROJEKTOR]=";
const std::string DARK = ", so the program uses its usual dark colours";

// The value of the file's one line, '0' or '1'; 0 when the bytes are
// anything else. Empty lines and a CR before each LF are allowed.
char scheme_value(std::string_view bytes)
{
    char value = 0;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t end = std::min(bytes.find('\n', pos), bytes.size());
        std::string_view line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        // The key and one digit (sizeof KEY counts the key and its NUL).
        if (value != 0 || line.size() != sizeof KEY || !line.starts_with(KEY) ||
            (line.back() != '0' && line.back() != '1'))
            return 0;
        value = line.back();
    }
    return value;
}

} // namespace

bool read_scheme()
{
    const config_file file = read_config_file(SCHEME_FILE);
    const std::string name = SCHEME_FILE;
    switch (file.source) {
    case config_source::missing:
        return false;
    case config_source::unreadable:
        report(name + " cannot be read (" + plain_reason(file.what) + ")" + DARK);
        return false;
    case config_source::unusable:
        report(name + " is " + file.what + ", not a regular file" + DARK);
        return false;
    case config_source::read:
        break;
    }
    if (file.bytes.size() > CONFIG_MAX_BYTES) {
        report(name + " is larger than " + std::to_string(CONFIG_MAX_BYTES / 1024) + " KiB" + DARK);
        return false;
    }
    const char value = scheme_value(file.bytes);
    if (value == 0)
        report(name + " does not hold the one line " + KEY + "1 or " + KEY + "0" + DARK);
    return value == '1';
}

void write_scheme(bool projector)
{
    std::string why;
    const std::string text = std::string(KEY) + (projector ? "1" : "0") + "\r\n";
    if (!write_file_atomically(SCHEME_FILE, text, why))
        report(std::string("cannot save the colour scheme in ") + SCHEME_FILE + " (" + why +
               "), so it holds for this run only");
}
