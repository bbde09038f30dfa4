// Configuration and system choice. "config.ini" in the current directory
// holds the window size and the start-up system; a missing or incomplete
// file is replaced by the four default lines, while something that is not a
// regular file is left alone. Choosing a system writes its
// default parameters into situace and installs its engine's procedures.
#include "app/config.h"
#include "app/config_reader.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>

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

} // namespace

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
    k.show_expectation = false;
}

namespace {

// Creates or overwrites "config.ini" with the default lines. Returns why
// that failed (the system's reason), or "" when the file was written.
std::string write_default_file()
{
    errno = 0;
    std::FILE* f = std::fopen(CONFIG_FILE, "wb");
    if (!f)
        return plain_reason(std::strerror(errno != 0 ? errno : EIO));
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
    return ok ? std::string() : plain_reason(std::strerror(err != 0 ? err : EIO));
}

// The sentences about "config.ini" said in this run: each is said once, so
// pressing L (which reads the file again) does not repeat it.
std::set<std::string>& said()
{
    static std::set<std::string> sentences;
    return sentences;
}

void report_once(const std::string& sentence)
{
    if (said().insert(sentence).second)
        report(sentence);
}

const std::string NOT_SAVED = ", so the program runs on its default settings without saving them";

void read_config(konfig& k)
{
    reset_view(k);
    const config_file file = read_config_file(CONFIG_FILE);
    if (file.source == config_source::read) {
        const config_values v = parse_config(file.bytes);
        if (v.complete) {
            k.width = v.width;
            k.height = v.height;
            k.system = v.system;
            // The file is kept as the user wrote it; only the window differs.
            if (v.width != v.asked_width || v.height != v.asked_height)
                report_once("the window size " + std::to_string(v.asked_width) + " x " +
                            std::to_string(v.asked_height) + " in " + CONFIG_FILE + " is outside " +
                            std::to_string(CONFIG_MIN_WIDTH) + " x " + std::to_string(CONFIG_MIN_HEIGHT) +
                            " to " + std::to_string(CONFIG_MAX_SIDE) + " x " +
                            std::to_string(CONFIG_MAX_SIDE) + ", so the window opens at " +
                            std::to_string(v.width) + " x " + std::to_string(v.height));
            return;
        }
    }
    // Missing, unreadable, unusable or incomplete: all three values go back
    // to the defaults, also those that were read.
    k.width = DEFAULT_WIDTH;
    k.height = DEFAULT_HEIGHT;
    k.system = "volna";
    if (file.source == config_source::unusable) {
        // Something that is not a plain file is the user's, not ours to replace.
        report_once(std::string(CONFIG_FILE) + " is " + file.what +
                    ", not a regular file, so the program starts with its default settings and leaves it "
                    "alone");
        return;
    }
    // One sentence for what went wrong, whether or not the defaults could
    // then be written.
    const std::string failed = write_default_file();
    const std::string file_name = CONFIG_FILE;
    switch (file.source) {
    case config_source::unreadable:
        report_once("cannot read " + file_name + " (" + plain_reason(file.what) + ")" +
                    (failed.empty()
                         ? ", so the program starts with its default settings and writes them to it"
                         : " nor replace it (" + failed + ")" + NOT_SAVED));
        break;
    case config_source::missing:
        if (!failed.empty())
            report_once("cannot create " + file_name + " in the current directory (" + failed + ")" +
                        NOT_SAVED);
        break;
    default:
        // Read but incomplete: replaced by the defaults without a word, as
        // long as that works.
        if (!failed.empty())
            report_once(file_name + " is incomplete and cannot be replaced (" + failed + ")" + NOT_SAVED);
        break;
    }
}

} // namespace

void config_forget_reports()
{
    said().clear();
}

// In the order of their buttons down the left edge.
const system_record* const SYSTEMS[] = {&VOLNA_SYSTEM, &BARIERA_SYSTEM, &JAMA_SYSTEM, &JAMA_INF_SYSTEM,
                                        &OSCILATOR_SYSTEM};

std::span<const system_record* const> all_systems()
{
    return SYSTEMS;
}

const system_record* find_system(const std::string& name)
{
    for (const system_record* e : SYSTEMS)
        if (name == e->name)
            return e;
    return nullptr;
}

void choose_system(const std::string& name, konfig& k, situace& s)
{
    if (name == "config") {
        read_config(k);
        return;
    }
    const system_record* e = find_system(name);
    if (e == nullptr)
        return;
    // Only these fields: whatever else the previous engine left in situace
    // stays (but what it kept between ticks), and konfig (time, range,
    // flags) is not touched.
    s.E = e->E;
    s.V1 = e->V1;
    s.V2 = e->V2;
    s.V3 = e->V3;
    s.a = e->a;
    s.x0 = e->x0;
    s.coef[0] = e->coef0;
    s.draw = e->draw;
    s.input = e->input;
    s.step = e->step;
    s.layout = e->layout;
    s.advance = e->advance;
    s.system = e;
    s.kept.reset();
    ++s.kept_version;
}
