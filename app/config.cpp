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

#include <unistd.h>

#include "common/files.h"
#include "common/report.h"
#include "engines/infinite_well/infinite_well.h"
#include "engines/oscillator/oscillator.h"
#include "engines/three_region/three_region.h"

namespace {

const char* const CONFIG_FILE = "config.ini";
const char* const BACKUP_FILE = "config.ini.bak";

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

// The user's file under "config.ini.bak", replacing an older one, before
// the defaults replace it: a second name for the same file, so nothing is
// copied and a kill meanwhile leaves the file under both names. Where the
// file system has no second names, the file itself moves there (config.ini
// is then missing until the defaults are written). On failure `why` says why.
bool keep_backup(std::string& why)
{
    if (::unlink(BACKUP_FILE) != 0 && errno != ENOENT) {
        why = plain_reason(std::strerror(errno));
        return false;
    }
    if (::link(CONFIG_FILE, BACKUP_FILE) == 0)
        return true;
    const int err = errno;
    if ((err == EPERM || err == EOPNOTSUPP || err == EMLINK) && ::rename(CONFIG_FILE, BACKUP_FILE) == 0)
        return true;
    why = plain_reason(std::strerror(err));
    return false;
}

// The sentences about "config.ini" said in this run: each is said once, so
// pressing L (which reads the file again) does not repeat it.
std::set<std::string>& sentences_said()
{
    static std::set<std::string> sentences;
    return sentences;
}

void report_once(const std::string& sentence)
{
    if (sentences_said().insert(sentence).second)
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
    const std::string name = CONFIG_FILE;
    const std::string text(DEFAULT_FILE_TEXT, sizeof DEFAULT_FILE_TEXT - 1);
    std::string failed;
    if (file.source == config_source::missing && !file.link) {
        if (!write_file_atomically(name, text, failed))
            report_once("cannot create " + name + " in the current directory (" + failed + ")" + NOT_SAVED);
        return;
    }
    // An empty file holds nothing of the user's: it is simply replaced.
    if (file.source == config_source::read && file.bytes.empty()) {
        if (!write_file_atomically(name, text, failed))
            report_once(name + " is empty and cannot be replaced (" + failed + ")" + NOT_SAVED);
        return;
    }
    // What is wrong with the file, as the start of one sentence.
    std::string wrong = name + " leads to no file";
    if (file.source == config_source::read)
        wrong = name + " " + parse_config(file.bytes).problem;
    else if (file.source == config_source::unreadable)
        wrong = name + " cannot be read (" + plain_reason(file.what) + ")";
    if (file.link) {
        report_once(wrong + " and is a symbolic link, so the program runs on its default settings and writes "
                            "nothing through it");
        return;
    }
    // The user's file is kept before the defaults replace it.
    if (!keep_backup(failed)) {
        report_once(wrong + " and cannot be kept as " + BACKUP_FILE + " (" + failed +
                    "), so the program runs on its default settings and leaves the file as it is");
        return;
    }
    if (write_file_atomically(name, text, failed))
        report(wrong + ", so the program uses its default settings, writes them to " + name +
               " and keeps the old file as " + BACKUP_FILE);
    else
        report_once(wrong + " and cannot be replaced (" + failed + ")" + NOT_SAVED +
                    "; the file is left as it is, with a copy as " + BACKUP_FILE);
}

} // namespace

void config_forget_reports()
{
    sentences_said().clear();
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
