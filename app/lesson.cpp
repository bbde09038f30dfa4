// Lessons: saving, opening, stepping through and exporting set-ups.
//
// Relies on: POSIX open/fstat/read (a set-up is opened without blocking,
// so a FIFO dropped on the window cannot hang the program), std::filesystem
// for the folders, and the engines' sample and clamp procedures.
#include "app/lesson.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "app/config.h"
#include "app/controls.h"
#include "app/help.h"
#include "app/shell.h"
#include "common/constants.h"
#include "common/files.h"
#include "common/i18n.h"
#include "common/report.h"
#include "engines/three_region/packet_mode.h"

namespace fs = std::filesystem;

namespace {

// Set-ups are numbered 01 .. 99.
constexpr int LAST_NUMBER = 99;
// Restoring a packet's time makes at most this many of its calls, each of
// at most PACKET_MAX_STEPS_PER_CALL steps; a later time is cut to where
// that leads (far beyond the packet's passage through the plot).
constexpr int RESTORE_CALLS = 4;

void note(const std::string& text)
{
    help_note(text, LESSON_NOTE_TICKS);
}

// A failure: one line on stderr, and the same, shorter, on screen.
void fail(const std::string& sentence, const std::string& on_screen)
{
    report(sentence);
    note(on_screen);
}

std::string name_of(const std::string& path)
{
    return fs::path(path).filename().string();
}

// The number a name starts with ("03-bariera.vlnkar" gives 3), or 0.
int number_of(const std::string& name)
{
    int n = 0;
    if (name.size() < 3 || name[2] != '-' ||
        std::from_chars(name.data(), name.data() + 2, n).ptr != name.data() + 2)
        return 0;
    return n;
}

// Every name in the folder; empty (with `why`) when it cannot be read.
std::vector<std::string> names_in(const std::string& dir, std::string& why)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    if (ec)
        why = plain_reason(ec.message());
    std::sort(names.begin(), names.end());
    return names;
}

// "NN-<system>" with NN one above the highest number in the folder (over
// set-ups, pictures and data alike, so no stem is taken twice); "" with
// `why` when 99 is taken or the folder cannot be read.
std::string next_stem(const std::string& dir, const std::string& system, std::string& why)
{
    int highest = 0;
    for (const std::string& name : names_in(dir, why))
        highest = std::max(highest, number_of(name));
    if (!why.empty())
        return std::string();
    if (highest >= LAST_NUMBER) {
        why = "its set-ups are numbered up to " + std::to_string(LAST_NUMBER) + " already";
        return std::string();
    }
    const int n = highest + 1;
    return std::string{char('0' + n / 10), char('0' + n % 10)} + "-" + system;
}

// The lesson folder, made when missing; "" with `why` when it cannot be.
std::string lesson_folder(std::string& why)
{
    std::string dir = shell.lesson_dir.empty() ? lesson_default_folder() : shell.lesson_dir;
    if (dir.empty()) {
        why = "there is no home folder to keep lessons in";
        return dir;
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        why = plain_reason(ec.message());
        return std::string();
    }
    return dir;
}

// The whole file, if it is a regular file of at most SETUP_MAX_BYTES.
bool read_setup_file(const std::string& path, std::string& bytes, std::string& why)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = plain_reason(std::strerror(errno));
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok)
        why = plain_reason(std::strerror(errno));
    else if (!S_ISREG(st.st_mode))
        why = std::string("it is ") + file_kind(st.st_mode) + ", not a regular file", ok = false;
    // One byte more than allowed tells a file that grew meanwhile.
    char buf[4096];
    while (ok && bytes.size() <= SETUP_MAX_BYTES) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            why = plain_reason(std::strerror(errno)), ok = false;
        if (n <= 0)
            break;
        bytes.append(buf, size_t(n));
    }
    ::close(fd);
    if (ok && bytes.size() > SETUP_MAX_BYTES)
        why = "it is larger than " + std::to_string(SETUP_MAX_BYTES / 1024) + " KiB", ok = false;
    return ok;
}

std::string text_of(const konfig& k, const situace& s)
{
    const bool panel = s.system != nullptr && s.system->panel;
    const bool packet = s.system != nullptr && s.system->packet;
    return setup_text(setup_of(k, s), panel, packet);
}

// A number for the data: the shortest C-locale text that reads back to it.
std::string csv_number(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// The plotted wave as data: a comment naming the set-up line by line, then
// one row per sample. psi is given per square root of a nanometre, so that
// |psi|^2 integrates over x in nm.
std::string wave_csv(const std::string& stem, const konfig& k, const situace& s)
{
    std::string t = "# Vlnkar: the plotted wave of " + stem + "\n";
    const std::string setup = text_of(k, s);
    for (size_t at = 0; at < setup.size();) {
        const size_t end = setup.find('\n', at);
        t += "# " + setup.substr(at, end - at) + "\n";
        at = end + 1;
    }
    t += "# x in nm, V in eV, psi in 1/sqrt(nm)\n";
    t += "x_nm,V_eV,Re_psi,Im_psi,abs_psi_squared\n";
    std::vector<wave_sample> samples;
    if (s.system != nullptr && s.system->sample != nullptr)
        s.system->sample(s, k, samples);
    const double per_root_nm = 1.0 / std::sqrt(NM_PER_UNIT);
    for (const wave_sample& w : samples) {
        const cplx psi = w.psi * per_root_nm;
        t += csv_number(w.x * NM_PER_UNIT) + "," + csv_number(w.V) + "," + csv_number(psi.real()) + "," +
             csv_number(psi.imag()) + "," + csv_number(std::norm(psi)) + "\n";
    }
    return t;
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

setup_values setup_of(const konfig& k, const situace& s)
{
    setup_values v{};
    v.system = s.system != nullptr ? s.system->name : "";
    v.E = s.E, v.V1 = s.V1, v.V2 = s.V2, v.V3 = s.V3, v.a = s.a, v.x0 = s.x0;
    for (int j = 0; j < COEF_COUNT; ++j)
        v.coef[j] = s.coef[FIRST_COEF + j];
    v.half_range = k.half_range, v.density = k.density, v.t = k.t, v.dt = k.dt;
    v.reim_mode = k.reim_mode, v.show_re = k.show_re, v.show_im = k.show_im;
    v.show_labels = k.show_labels, v.show_square = k.show_square, v.show_arrows = k.show_arrows;
    const packet_mode* m = s.system != nullptr && s.system->packet ? packet_mode_of(s) : nullptr;
    v.packet = m != nullptr && m->wanted;
    v.sigma = m != nullptr ? m->sigma : packet_mode{}.sigma;
    return v;
}

setup_values setup_defaults(const system_record& system)
{
    konfig k{};
    reset_view(k);
    situace s{};
    s.system = &system;
    s.E = system.E, s.V1 = system.V1, s.V2 = system.V2, s.V3 = system.V3, s.a = system.a, s.x0 = system.x0;
    return setup_of(k, s);
}

void apply_setup(const setup_values& v, konfig& k, situace& s)
{
    choose_system(v.system, k, s);
    if (s.system == nullptr || s.system->name != v.system)
        return;
    k.half_range = v.half_range, k.density = v.density, k.dt = v.dt;
    k.reim_mode = v.reim_mode, k.show_re = v.show_re, k.show_im = v.show_im;
    k.show_labels = v.show_labels, k.show_square = v.show_square, k.show_arrows = v.show_arrows;
    // A set-up is shown as it was saved: time stopped, no random walk to
    // move its coefficients on.
    k.running = false;
    k.random_walk = false;
    s.E = v.E, s.V1 = v.V1, s.V2 = v.V2, s.V3 = v.V3, s.a = v.a, s.x0 = v.x0;
    for (int j = 0; j < COEF_COUNT; ++j)
        s.coef[FIRST_COEF + j] = v.coef[j];
    if (s.system->clamp != nullptr)
        s.system->clamp(s, k);
    if (s.system->packet && v.packet) {
        packet_toggle(s, k);
        packet_mode_of(s)->sigma = std::clamp(v.sigma, PACKET_SIGMA_MIN, PACKET_SIGMA_MAX);
    }
    k.t = 0.0L;
    layout_and_step(s, k); // starts a wanted packet at t = 0
    k.t = v.t;
    // The packet moves on to the set-up's time as if time had run, in
    // calls as long as one call may go.
    const packet_mode* m = shown_packet(s);
    if (m != nullptr && s.advance != nullptr) {
        const long double reach = static_cast<long double>(m->p.dt) * (PACKET_MAX_STEPS_PER_CALL - 1);
        long double at = 0.0L;
        for (int call = 0; call < RESTORE_CALLS && at < v.t; ++call) {
            at = std::min(v.t, at + reach);
            k.t = at;
            s.advance(s, k);
        }
        k.t = at;
    }
}

std::string lesson_default_folder()
{
    const char* home_env = std::getenv("HOME");
    const std::string home = home_env != nullptr && home_env[0] == '/' ? home_env : "";
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string dirs_file =
        (config != nullptr && config[0] == '/' ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    std::string documents;
    // The line xdg-user-dirs-update writes: XDG_DOCUMENTS_DIR="$HOME/Dokumenty".
    std::ifstream in(dirs_file);
    for (std::string line; std::getline(in, line);) {
        const std::string key = "XDG_DOCUMENTS_DIR=\"";
        if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1 || line.back() != '"')
            continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home.empty() ? std::string() : home + value.substr(5);
        if (!value.empty() && value[0] == '/')
            documents = value;
    }
    if (documents.empty() && !home.empty())
        documents = home + "/Documents";
    return documents.empty() ? documents : documents + "/Vlnkar";
}

bool lesson_open(const std::string& path, bool note_success)
{
    std::string bytes, system, why;
    const system_record* record = nullptr;
    if (read_setup_file(path, bytes, why) && setup_system(bytes, system, why)) {
        record = find_system(system);
        if (record == nullptr)
            why = "it names the system \"" + system + "\", which the program does not have";
    }
    if (record == nullptr) {
        fail("cannot open the set-up " + path + ": " + why + ", so what is on screen stays",
             std::string(tr("Cannot open")) + " " + name_of(path) + ": " + why);
        return false;
    }
    end_entry(shell.entry);
    setup_values v = setup_defaults(*record);
    read_setup(bytes, v);
    apply_setup(v, shell.konf, shell.sit);
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    shell.lesson_file = ec ? path : absolute.lexically_normal().string();
    shell.lesson_dir = fs::path(shell.lesson_file).parent_path().string();
    shell.lesson_text = text_of(shell.konf, shell.sit);
    if (note_success)
        note(std::string(tr("Opened")) + " " + name_of(path));
    return true;
}

void lesson_save()
{
    std::string why;
    const std::string dir = lesson_folder(why);
    const std::string system = shell.sit.system != nullptr ? shell.sit.system->name : "";
    const std::string stem = dir.empty() ? dir : next_stem(dir, system, why);
    const std::string text = text_of(shell.konf, shell.sit);
    const std::string path = dir + "/" + stem + SETUP_EXTENSION;
    if (stem.empty() || !write_file_atomically(path, text, why, false)) {
        const std::string where = dir.empty() ? "the lesson folder" : dir;
        fail("cannot save the set-up in " + where + " (" + why + ")",
             std::string(tr("Cannot save the set-up")) + ": " + why);
        return;
    }
    shell.lesson_file = path;
    shell.lesson_text = text;
    note(std::string(tr("Saved")) + " " + stem + SETUP_EXTENSION);
}

void lesson_export()
{
    std::string why;
    const std::string dir = lesson_folder(why);
    std::string stem;
    // The picture and data of a set-up as opened or saved go beside it
    // under its own name.
    const fs::path current(shell.lesson_file);
    if (!dir.empty() && !shell.lesson_file.empty() && current.parent_path() == fs::path(dir) &&
        text_of(shell.konf, shell.sit) == shell.lesson_text) {
        const std::string own = (current.parent_path() / current.stem()).string();
        if (!exists(own + ".png") && !exists(own + ".csv"))
            stem = current.stem().string();
    }
    if (stem.empty() && !dir.empty())
        stem = next_stem(dir, shell.sit.system != nullptr ? shell.sit.system->name : "", why);
    const std::string base = dir + "/" + stem;
    if (stem.empty() ||
        !write_file_atomically(base + ".csv", wave_csv(stem, shell.konf, shell.sit), why, false) ||
        !scr_SavePNG(base + ".png", why)) {
        const std::string where = dir.empty() ? "the lesson folder" : dir;
        fail("cannot export the picture and data to " + where + (stem.empty() ? "" : " as " + stem) + " (" +
                 why + ")",
             std::string(tr("Cannot export")) + ": " + why);
        return;
    }
    note(std::string(tr("Exported")) + " " + stem + ".png, " + stem + ".csv");
}

void lesson_step(int direction)
{
    std::string why;
    const std::string dir = lesson_folder(why);
    std::vector<std::string> setups;
    for (const std::string& name : dir.empty() ? std::vector<std::string>() : names_in(dir, why)) {
        const std::string ext = SETUP_EXTENSION;
        if (name.size() > ext.size() && name[0] != '.' &&
            name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            setups.push_back(name);
    }
    if (!why.empty()) {
        fail("cannot read the lesson folder " + (dir.empty() ? std::string("") : dir + " ") + "(" + why + ")",
             std::string(tr("Cannot read the lesson folder")) + ": " + why);
        return;
    }
    // By name from the set-up on screen, which need not exist any more.
    const fs::path current(shell.lesson_file);
    const std::string here = current.parent_path() == fs::path(dir) ? current.filename().string() : "";
    std::string next;
    if (direction > 0) {
        const auto it = std::upper_bound(setups.begin(), setups.end(), here);
        if (it != setups.end())
            next = *it;
    } else {
        const auto it = here.empty() ? setups.end() : std::lower_bound(setups.begin(), setups.end(), here);
        if (it != setups.begin())
            next = *(it - 1);
    }
    if (next.empty()) {
        note(direction > 0 ? tr("No next set-up in the lesson folder")
                           : tr("No previous set-up in the lesson folder"));
        return;
    }
    lesson_open(dir + "/" + next);
}
