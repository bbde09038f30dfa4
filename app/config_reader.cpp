// Reading "config.ini". The file is looked at before it is opened, so that
// a name that leads to something endless (a FIFO with no writer, /dev/zero
// through a link) or to a directory is refused at once instead of hanging
// the start; a regular file is read up to a fixed limit.
//
// Relies on: POSIX stat/open/read only.
#include "app/config_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "common/files.h"

namespace {

config_file failed(config_source source, std::string what, bool link)
{
    return config_file{source, std::string(), std::move(what), link};
}

bool parse_int32(std::string_view text, int32_t& out)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == n)
        return false;
    // Accumulate as a magnitude in 64 bits; 2^31 is the largest allowed
    // (for "-2147483648"), so stop as soon as it is passed.
    int64_t magnitude = 0;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > (int64_t{1} << 31))
            return false;
    }
    if (!negative && magnitude > INT32_MAX)
        return false;
    out = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool is_system_name(std::string_view name)
{
    return name == "volna" || name == "bariera" || name == "jama" || name == "jama_inf" ||
           name == "oscilator";
}

} // namespace

config_file read_config_file(const char* path)
{
    struct stat st {};
    const bool link = ::lstat(path, &st) == 0 && S_ISLNK(st.st_mode);
    if (::stat(path, &st) != 0) {
        // A dangling link counts as missing too (but is never written
        // through).
        if (errno == ENOENT)
            return failed(config_source::missing, std::string(), link);
        return failed(config_source::unreadable, std::strerror(errno), link);
    }
    if (!S_ISREG(st.st_mode))
        return failed(config_source::unusable, file_kind(st.st_mode), link);
    // O_NONBLOCK: should the name have been replaced by a FIFO since the
    // look above, opening it must not wait for a writer.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(config_source::unreadable, std::strerror(errno), link);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        ::close(fd);
        return S_ISREG(st.st_mode) ? failed(config_source::unreadable, std::strerror(err), link)
                                   : failed(config_source::unusable, file_kind(st.st_mode), link);
    }
    config_file out{config_source::read, std::string(CONFIG_MAX_BYTES + 1, '\0'), std::string(), link};
    size_t got = 0;
    while (got < out.bytes.size()) {
        const ssize_t n = ::read(fd, out.bytes.data() + got, out.bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return failed(config_source::unreadable, std::strerror(err), link);
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    out.bytes.resize(got);
    return out;
}

config_values parse_config(std::string_view bytes)
{
    const size_t full_size = bytes.size();
    if (bytes.size() > CONFIG_MAX_BYTES) {
        // The file goes on past the limit: a line cut there is not a whole
        // line (a width of "1024" cut to "10" would be a different number).
        const size_t last_lf = bytes.substr(0, CONFIG_MAX_BYTES).rfind('\n');
        bytes = last_lf == std::string_view::npos ? std::string_view() : bytes.substr(0, last_lf + 1);
    }
    config_values v{false, 0, 0, 0, 0, std::string(), std::string()};
    int item = 1; // 1 width, 2 height, 3 system
    size_t pos = 0;
    while (item <= 3 && pos < bytes.size()) {
        const size_t end = std::min(bytes.find('\n', pos), bytes.size());
        std::string_view line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        // Everything after the first '=', untrimmed.
        const std::string_view value = line.substr(eq + 1);
        if (value.empty())
            continue;
        int32_t number = 0;
        if (parse_int32(value, number)) {
            // A number in the system's place starts the free particle.
            if (item == 1)
                v.asked_width = number;
            else if (item == 2)
                v.asked_height = number;
            else
                v.system = "volna";
            ++item;
        } else if (item == 3 && is_system_name(value)) {
            v.system = value;
            ++item;
        }
    }
    if (item <= 3) {
        static const char* const missing[] = {
            "", "gives no window width", "gives no window height",
            "names no start-up system (volna, bariera, jama, jama_inf or oscilator)"};
        v.problem = missing[item];
        // Lines past the limit were not looked at: say so, or an item there
        // would seem to be overlooked.
        if (bytes.size() < full_size)
            v.problem += " in its first " + std::to_string(CONFIG_MAX_BYTES / 1024) + " KiB";
        return v;
    }
    v.complete = true;
    // A size out of range is still taken as its item (it keeps its place in
    // the order), and only then brought to the nearest usable size.
    v.width = std::clamp(v.asked_width, CONFIG_MIN_WIDTH, CONFIG_MAX_SIDE);
    v.height = std::clamp(v.asked_height, CONFIG_MIN_HEIGHT, CONFIG_MAX_SIDE);
    return v;
}
