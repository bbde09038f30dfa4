// Fuzz target: any bytes as "config.ini". The bytes go into an in-memory
// file that the reader opens by name, exactly as it opens the real one, and
// what it returns goes through the parser. Checked on every input: the
// reader returns the file's first bytes (no more than the limit and one),
// a complete result has a usable window and one of the five systems, and
// the parser agrees with a plain line-by-line reading written here apart
// from it (std::getline and strtoll).
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "app/config_reader.h"

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "config fuzz: %s\n", what);
        std::abort();
    }
}

bool is_system(const std::string& s)
{
    return s == "volna" || s == "bariera" || s == "jama" || s == "jama_inf" || s == "oscilator";
}

// The same rules, read the obvious way: whole lines only, at most the
// limit's worth, values after the first '=', 32-bit whole numbers with
// leading blanks and a sign.
config_values plain_reading(std::string_view bytes)
{
    std::string text(bytes.substr(0, CONFIG_MAX_BYTES));
    if (bytes.size() > CONFIG_MAX_BYTES)
        text.erase(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    config_values v{false, 0, 0, 0, 0, std::string(), std::string()};
    std::istringstream in(text);
    std::string line;
    int item = 1;
    while (item <= 3 && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq + 1 == line.size())
            continue;
        const std::string value = line.substr(eq + 1);
        // Blanks, one sign, then digits and nothing else.
        const size_t first = value.find_first_not_of(" \t");
        size_t digits = first;
        if (digits != std::string::npos && (value[digits] == '+' || value[digits] == '-'))
            ++digits;
        const bool digits_only = digits != std::string::npos && digits < value.size() &&
                                 value.find_first_not_of("0123456789", digits) == std::string::npos;
        errno = 0;
        char* end = nullptr;
        const long long n = digits_only ? std::strtoll(value.c_str() + first, &end, 10) : 0;
        if (digits_only && errno == 0 && n >= INT32_MIN && n <= INT32_MAX) {
            if (item == 1)
                v.asked_width = static_cast<int32_t>(n);
            else if (item == 2)
                v.asked_height = static_cast<int32_t>(n);
            else
                v.system = "volna";
            ++item;
        } else if (item == 3 && is_system(value)) {
            v.system = value;
            ++item;
        }
    }
    v.complete = item > 3;
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The reader, on a regular file holding the input.
    const int fd = memfd_create("config.ini", MFD_CLOEXEC);
    check(fd >= 0, "memfd_create failed");
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        check(n > 0, "write to the memory file failed");
        done += static_cast<size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const config_file file = read_config_file(path.c_str());
    close(fd);
    check(file.source == config_source::read, "a regular file was not read");
    check(file.bytes == input.substr(0, CONFIG_MAX_BYTES + 1), "the reader did not return the file's start");

    const config_values v = parse_config(file.bytes);
    const config_values plain = plain_reading(input);
    check(v.complete == plain.complete, "complete differs from the plain reading");
    check(v.complete == v.problem.empty(), "an incomplete reading does not say what is missing");
    if (!v.complete)
        return 0;
    check(v.asked_width == plain.asked_width && v.asked_height == plain.asked_height,
          "sizes differ from the plain reading");
    check(v.system == plain.system, "system differs from the plain reading");
    check(is_system(v.system), "not one of the five systems");
    check(v.width >= CONFIG_MIN_WIDTH && v.width <= CONFIG_MAX_SIDE, "width out of range");
    check(v.height >= CONFIG_MIN_HEIGHT && v.height <= CONFIG_MAX_SIDE, "height out of range");
    // Clamping moves a size only when it is out of range.
    const bool w_in = v.asked_width >= CONFIG_MIN_WIDTH && v.asked_width <= CONFIG_MAX_SIDE;
    const bool h_in = v.asked_height >= CONFIG_MIN_HEIGHT && v.asked_height <= CONFIG_MAX_SIDE;
    check(w_in == (v.width == v.asked_width), "width clamped wrongly");
    check(h_in == (v.height == v.asked_height), "height clamped wrongly");
    return 0;
}
