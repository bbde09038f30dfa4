// Configuration and system choice. "config.ini" in the current directory
// holds the window size and the start-up system; a missing or unusable file
// is replaced by the four default lines. Choosing a system writes its
// default parameters into situace and installs its engine's procedures.
#include "app/config.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/report.h"
#include "engines/infinite_well/infinite_well.h"
#include "engines/oscillator/oscillator.h"
#include "engines/three_region/three_region.h"

namespace {

const char* const CONFIG_FILE = "config.ini";

// The default file, exactly as written: CR LF after every line.
const char DEFAULT_FILE_TEXT[] = "Konfigurace Vlnkar\r\n"
                                 "[SIRKA]=800\r\n"
                                 "[VYSKA]=600\r\n"
                                 "[VYCHOZI SYSTEM]=volna\r\n";

constexpr int32_t DEFAULT_WIDTH = 800;
constexpr int32_t DEFAULT_HEIGHT = 600;

// A window outside these sizes is of no use (too small for the controls, or
// larger than any display and than what a texture may be), so such a file
// counts as malformed.
constexpr int32_t MIN_WIDTH = 320;
constexpr int32_t MIN_HEIGHT = 240;
constexpr int32_t MAX_SIDE = 16384;

// Longest line we keep. A valid item is a short key, '=' and a short value;
// anything longer is not one, and keeping at most this much bounds memory
// whatever the file holds.
constexpr size_t MAX_LINE = 4096;

// Reads the next line into `line` (without the LF and without one CR
// before it). Returns false at the end of the file or on a read error.
// `too_long` tells that the line had more than MAX_LINE bytes; its rest
// has been skipped.
bool read_line(std::FILE* f, std::string& line, bool& too_long)
{
    line.clear();
    too_long = false;
    int c = std::getc(f);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\n') {
        if (line.size() < MAX_LINE)
            line += static_cast<char>(c);
        else
            too_long = true;
        c = std::getc(f);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

// A whole number that fits a signed 32-bit integer: leading spaces or tabs,
// one '+' or '-', then only digits (at least one).
bool parse_int32(const std::string& text, int32_t& out)
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

bool is_system_name(const std::string& name)
{
    return name == "volna" || name == "bariera" || name == "jama" || name == "jama_inf" ||
           name == "oscilator";
}

void reset_view(konfig& k)
{
    k.density = 200.0;   // samples per internal length unit
    k.half_range = 5.25; // internal units either side of the middle
    k.t = 0.0L;
    k.dt = 5e-18L; // s of simulated time per 10 ms tick
    k.running = false;
    k.show_square = false;
    k.reim_mode = true;
    k.show_re = true;
    k.show_im = false;
    k.show_arrows = false;
    k.fullscreen = false;
    k.show_labels = true;
}

// Takes width, height and system from the open file, in that order, into
// k. Returns whether all three items were found and the sizes are usable.
bool read_items(std::FILE* f, konfig& k)
{
    int item = 1;
    std::string line;
    bool too_long = false;
    while (item <= 3 && read_line(f, line, too_long)) {
        if (too_long)
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string value = line.substr(eq + 1);
        if (value.empty())
            continue;
        int32_t number = 0;
        if (parse_int32(value, number)) {
            // A number in the system's place starts the free particle.
            if (item == 1)
                k.width = number;
            else if (item == 2)
                k.height = number;
            else
                k.system = "volna";
            ++item;
        } else if (item == 3 && is_system_name(value)) {
            k.system = value;
            ++item;
        }
    }
    if (std::ferror(f))
        return false;
    if (item <= 3)
        return false;
    // A size that cannot give a usable window was still taken as its item;
    // only now does it make the whole file count as malformed.
    return k.width >= MIN_WIDTH && k.width <= MAX_SIDE && k.height >= MIN_HEIGHT && k.height <= MAX_SIDE;
}

// Creates or overwrites "config.ini" with the default lines. On failure
// says so once on stderr; the defaults already in konfig stay in use.
void write_default_file()
{
    errno = 0;
    std::FILE* f = std::fopen(CONFIG_FILE, "wb");
    if (!f) {
        report(std::string("cannot write ") + CONFIG_FILE + ": " + std::strerror(errno));
        return;
    }
    const size_t len = sizeof DEFAULT_FILE_TEXT - 1;
    bool ok = std::fwrite(DEFAULT_FILE_TEXT, 1, len, f) == len;
    int err = ok ? 0 : errno;
    // A full disk often shows only when the buffer is flushed at close.
    if (std::fflush(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok)
        report(std::string("cannot write ") + CONFIG_FILE + ": " + std::strerror(err != 0 ? err : EIO));
}

void read_config(konfig& k)
{
    reset_view(k);
    std::FILE* f = std::fopen(CONFIG_FILE, "rb");
    if (f) {
        const bool complete = read_items(f, k);
        std::fclose(f);
        if (complete)
            return;
    }
    // Missing, unreadable, incomplete or malformed: all three values go back
    // to the defaults, also those that were read, and the file is replaced.
    k.width = DEFAULT_WIDTH;
    k.height = DEFAULT_HEIGHT;
    k.system = "volna";
    write_default_file();
}

// One system's defaults and engine. The meaning of each value depends on
// the engine: for the three-region systems E, V1..V3 are eV and a, x0
// internal length units; for the bound-state systems E is the selected
// state n, V2 the energy ceiling (eV), and a is the well width (internal
// units) or the oscillator's angular frequency (rad/s).
struct system_entry {
    const char* name;
    double E, V1, V2, V3, a, x0;
    cplx coef0; // element 0 of coef: A1 for the three-region engine
    draw_proc_t draw;
    input_proc_t input;
    step_proc_t step;
    layout_proc_t layout;
};

const system_entry SYSTEMS[] = {
    // A free particle at 5 eV over steps of 2, 4 and 3 eV.
    {"volna", 5.0, 2.0, 4.0, 3.0, 2.5, -1.25, cplx(1.0, 0.0), three_region_draw, three_region_input,
     three_region_step, three_region_layout},
    // 6.4 eV against a 7 eV barrier one unit wide: mostly reflected, some tunnels.
    {"bariera", 6.4, 3.0, 7.0, 0.0, 1.0, 0.0, cplx(1.0, 0.0), three_region_draw, three_region_input,
     three_region_step, three_region_layout},
    // A 9 eV deep well 2.5 units wide; 2.61 eV lies near a bound state.
    {"jama", 2.61, 9.0, 0.0, 9.0, 2.5, -1.25, cplx(1.0, 0.0), three_region_draw, three_region_input,
     three_region_step, three_region_layout},
    // Ground state n = 1 of a well 2.5 units (1 nm) wide, diagram up to 50 eV
    // (placeholder procedures for now).
    {"jama_inf", 1.0, 0.0, 50.0, 0.0, 2.5, 0.0, cplx(0.0, 0.0), infinite_well_draw, infinite_well_input,
     infinite_well_step, infinite_well_layout},
    // State n = 4 of an oscillator of 1e15 rad/s (placeholder procedures for now).
    {"oscilator", 4.0, 0.0, 5.0, 0.0, 1e15, 0.0, cplx(0.0, 0.0), oscillator_draw, oscillator_input,
     oscillator_step, oscillator_layout},
};

} // namespace

void choose_system(const std::string& name, konfig& k, situace& s)
{
    if (name == "config") {
        read_config(k);
        return;
    }
    for (const system_entry& e : SYSTEMS) {
        if (name != e.name)
            continue;
        // Only these fields: whatever else the previous engine left in
        // situace stays, and konfig (time, range, flags) is not touched.
        s.E = e.E;
        s.V1 = e.V1;
        s.V2 = e.V2;
        s.V3 = e.V3;
        s.a = e.a;
        s.x0 = e.x0;
        s.coef[0] = e.coef0;
        s.draw = e.draw;
        s.input = e.input;
        s.step = e.step;
        s.layout = e.layout;
        return;
    }
}
