// The set-up file's text: writing it, and reading it defensively.
//
// Relies on std::to_chars and std::from_chars, which use neither the
// user's locale nor more digits than a value needs, and read back the
// exact bits written (long double included).
#include "app/setup_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "engines/packet/packet.h"

namespace {

// The view's ranges, as the zoom and the time-step keys keep them: the
// zoom refuses at 3.0 and 150.0 but can overshoot by a tenth.
constexpr double HALF_RANGE_LOWEST = 2.9, HALF_RANGE_HIGHEST = 150.1;
constexpr double DENSITY_LOWEST = 1.0, DENSITY_HIGHEST = 1000.0;
constexpr long double DT_LOWEST = 1e-18L, DT_HIGHEST = 2.1e-17L;
// An hour of running at the largest step is 7.6e-12 s; far beyond that
// the phases would be noise.
constexpr long double T_HIGHEST = 1e-6L;
// A typed coefficient has at most four characters.
constexpr double COEF_LARGEST = 9999.0;

template <typename T> std::string number(T v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// A whole value, nothing before or after it, finite.
template <typename T> bool parse(const std::string& text, T& out)
{
    T v{};
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

std::string trimmed(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return std::string();
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// The lines after the first, as key -> value (the last of a key wins);
// false when the first line does not name the format.
bool lines_of(const std::string& bytes, std::map<std::string, std::string>& values)
{
    size_t at = 0;
    // A byte-order mark, as some editors write at the start.
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        at = 3;
    bool first = true;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = trimmed(bytes.substr(at, end - at));
        at = end + 1;
        if (first) {
            const std::string magic = SETUP_MAGIC;
            int version = 0;
            if (line.compare(0, magic.size(), magic) != 0 || !parse(line.substr(magic.size()), version) ||
                version < 1)
                return false;
            first = false;
            continue;
        }
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos)
            continue;
        values[trimmed(line.substr(0, eq))] = trimmed(line.substr(eq + 1));
    }
    return !first;
}

std::string coef_key(int j)
{
    return "C" + std::to_string(j);
}

} // namespace

std::string setup_text(const setup_values& v, bool coefficients, bool packet)
{
    std::string t = std::string(SETUP_MAGIC) + std::to_string(SETUP_VERSION) + "\n";
    auto line = [&t](const std::string& key, const std::string& value) { t += key + "=" + value + "\n"; };
    auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
    line("system", v.system);
    line("E", number(v.E));
    line("V1", number(v.V1));
    line("V2", number(v.V2));
    line("V3", number(v.V3));
    line("a", number(v.a));
    line("x0", number(v.x0));
    if (coefficients)
        for (int j = 0; j < COEF_COUNT; ++j)
            line(coef_key(j), number(v.coef[j].real()) + " " + number(v.coef[j].imag()));
    line("half_range", number(v.half_range));
    line("density", number(v.density));
    line("t", number(v.t));
    line("dt", number(v.dt));
    line("reim_mode", flag(v.reim_mode));
    line("show_re", flag(v.show_re));
    line("show_im", flag(v.show_im));
    line("show_labels", flag(v.show_labels));
    line("show_square", flag(v.show_square));
    line("show_arrows", flag(v.show_arrows));
    if (packet) {
        line("packet", flag(v.packet));
        line("sigma", number(v.sigma));
    }
    return t;
}

bool setup_system(const std::string& bytes, std::string& system, std::string& why)
{
    std::map<std::string, std::string> values;
    if (!lines_of(bytes, values)) {
        why = std::string("it is not a set-up (its first line is not \"") + SETUP_MAGIC +
              std::to_string(SETUP_VERSION) + "\")";
        return false;
    }
    const auto it = values.find("system");
    if (it == values.end() || it->second.empty()) {
        why = "it names no system";
        return false;
    }
    system = it->second;
    return true;
}

void read_setup(const std::string& bytes, setup_values& v)
{
    std::map<std::string, std::string> values;
    if (!lines_of(bytes, values))
        return;
    auto get = [&values](const char* key, auto& out) {
        const auto it = values.find(key);
        return it != values.end() && parse(it->second, out);
    };
    for (auto [key, field] :
         {std::pair{"E", &v.E}, {"V1", &v.V1}, {"V2", &v.V2}, {"V3", &v.V3}, {"a", &v.a}, {"x0", &v.x0}})
        get(key, *field);
    for (int j = 0; j < COEF_COUNT; ++j) {
        // "re im": both parts, or the coefficient stays.
        const auto it = values.find(coef_key(j));
        if (it == values.end())
            continue;
        const size_t space = it->second.find(' ');
        double re = 0.0, im = 0.0;
        if (space != std::string::npos && parse(it->second.substr(0, space), re) &&
            parse(trimmed(it->second.substr(space + 1)), im))
            v.coef[j] = cplx(std::clamp(re, -COEF_LARGEST, COEF_LARGEST),
                             std::clamp(im, -COEF_LARGEST, COEF_LARGEST));
    }
    if (get("half_range", v.half_range))
        v.half_range = std::clamp(v.half_range, HALF_RANGE_LOWEST, HALF_RANGE_HIGHEST);
    if (get("density", v.density))
        v.density = std::clamp(v.density, DENSITY_LOWEST, DENSITY_HIGHEST);
    if (get("t", v.t))
        v.t = std::clamp(v.t, 0.0L, T_HIGHEST);
    if (get("dt", v.dt))
        v.dt = std::clamp(v.dt, DT_LOWEST, DT_HIGHEST);
    for (auto [key, field] : {std::pair{"reim_mode", &v.reim_mode},
                              {"show_re", &v.show_re},
                              {"show_im", &v.show_im},
                              {"show_labels", &v.show_labels},
                              {"show_square", &v.show_square},
                              {"show_arrows", &v.show_arrows},
                              {"packet", &v.packet}}) {
        int b = 0;
        if (get(key, b) && (b == 0 || b == 1))
            *field = b == 1;
    }
    if (get("sigma", v.sigma))
        v.sigma = std::clamp(v.sigma, PACKET_SIGMA_MIN, PACKET_SIGMA_MAX);
}
