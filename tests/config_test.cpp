// Configuration and system choice: real "config.ini" files in a private
// temporary folder (the working directory during each test), and the five
// systems' defaults and engines.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <set>
#include <tuple>
#include <string>

#include "app/config.h"
#include "app/shell.h"
#include "common/files.h"
#include "platform/zgl_test.h"
#include "tests/default_view.h"

namespace fs = std::filesystem;

namespace {

const std::string DEFAULT_TEXT =
    "Konfigurace Vlnkar\r\n[SIRKA]=800\r\n[VYSKA]=600\r\n[VYCHOZI SYSTEM]=volna\r\n";

// A konfig with every field away from what reading the configuration sets,
// so that both the resets and the fields left alone show.
konfig odd_konfig()
{
    konfig k{};
    k.width = 1;
    k.height = 2;
    k.drag_x = 33;
    k.drag_y = 44;
    k.density = 1.0;
    k.half_range = 99.0;
    k.norm_window = 6.0;
    k.dt = 2e-17L;
    k.t = 1.5e-13L;
    k.show_labels = false;
    k.show_square = true;
    k.reim_mode = false;
    k.show_re = false;
    k.show_im = true;
    k.running = true;
    k.random_walk = true;
    k.fullscreen = true;
    k.show_arrows = true;
    k.system = "oscilator";
    k.controls = reinterpret_cast<control*>(0x1000);
    k.arrow_texture = reinterpret_cast<zgl_texture*>(0x2000);
    return k;
}

class ConfigFile : public ::testing::Test {
  protected:
    fs::path old_cwd;
    fs::path dir;
    konfig k = odd_konfig();

    void SetUp() override
    {
        old_cwd = fs::current_path();
        dir = fs::temp_directory_path() / ("vlnkar-config-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        config_forget_reports();
    }
    void TearDown() override
    {
        fs::current_path(old_cwd);
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    static void write_file(const std::string& bytes)
    {
        std::ofstream f("config.ini", std::ios::binary | std::ios::trunc);
        f << bytes;
    }
    static std::string read_file()
    {
        std::ifstream f("config.ini", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    // Runs the "config" choice and returns what it printed on stderr.
    std::string load()
    {
        situace s{};
        ::testing::internal::CaptureStderr();
        choose_system("config", k, s);
        return ::testing::internal::GetCapturedStderr();
    }
    void expect_defaults()
    {
        EXPECT_EQ(k.width, 800);
        EXPECT_EQ(k.height, 600);
        EXPECT_EQ(k.system, "volna");
    }
    static std::string read_backup()
    {
        std::ifstream f("config.ini.bak", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    // After the defaults replaced a user's file: one line saying so, and
    // the user's file kept whole as config.ini.bak.
    static void expect_backup_of(const std::string& text, const std::string& said)
    {
        EXPECT_TRUE(said.starts_with("vlnkar: config.ini ") &&
                    std::count(said.begin(), said.end(), '\n') == 1 &&
                    said.ends_with(", so the program uses its default settings, writes them to config.ini "
                                   "and keeps the old file as config.ini.bak.\n"))
            << said;
        EXPECT_TRUE(read_backup() == text) << "config.ini.bak is not the user's file";
    }
    // Loads `text`; expects the defaults in konfig and the default file on
    // disk, the old one kept as config.ini.bak unless it was empty.
    void expect_fallback_for(const std::string& text)
    {
        k = odd_konfig();
        fs::remove("config.ini.bak");
        write_file(text);
        const std::string said = load();
        if (text.empty())
            EXPECT_EQ(said, "");
        else
            expect_backup_of(text, said);
        EXPECT_EQ(fs::exists("config.ini.bak"), !text.empty());
        expect_defaults();
        EXPECT_EQ(read_file(), DEFAULT_TEXT) << "input was:\n" << text;
    }
    // Loads `text`; expects the given values and the file left exactly as it was.
    void expect_read(const std::string& text, int32_t w, int32_t h, const std::string& sys)
    {
        k = odd_konfig();
        write_file(text);
        EXPECT_EQ(load(), "");
        EXPECT_EQ(k.width, w) << text;
        EXPECT_EQ(k.height, h) << text;
        EXPECT_EQ(k.system, sys) << text;
        EXPECT_EQ(read_file(), text) << "a valid file was rewritten";
    }
};

TEST_F(ConfigFile, MissingFileGivesDefaultsAndWritesTheFourCrLfLines)
{
    EXPECT_EQ(load(), "");
    expect_defaults();
    EXPECT_EQ(read_file(), DEFAULT_TEXT);
}

TEST_F(ConfigFile, ResetsTheViewFieldsAndLeavesDragWalkAndHandlesAlone)
{
    load();
    // The view a reset gives whatever came before: stopped at time 0, a
    // step and a range the clock and the zoom accept, the real part shown.
    konfig fresh{};
    reset_view(fresh);
    EXPECT_EQ(std::tie(k.density, k.half_range, k.t, k.dt), std::tie(fresh.density, fresh.half_range, fresh.t, fresh.dt));
    EXPECT_EQ((std::array{k.running, k.show_square, k.reim_mode, k.show_re, k.show_im, k.show_arrows, k.fullscreen,
                          k.show_labels}),
              (std::array{false, false, true, true, false, false, false, true}));
    EXPECT_TRUE(k.t == 0.0L && k.dt >= 1e-18L && k.dt <= 2.1e-17L && k.half_range >= 3.0 && k.half_range <= 150.0);
    // Not the configuration's business: a press in progress, the random
    // walk (key L keeps it), the norm window and the owned handles.
    EXPECT_EQ(k.drag_x, 33);
    EXPECT_EQ(k.drag_y, 44);
    EXPECT_TRUE(k.random_walk);
    EXPECT_EQ(k.norm_window, 6.0);
    EXPECT_EQ(k.controls, reinterpret_cast<control*>(0x1000));
    EXPECT_EQ(k.arrow_texture, reinterpret_cast<zgl_texture*>(0x2000));
}

TEST_F(ConfigFile, TheDefaultFileReadsBackWithoutBeingRewritten)
{
    load();
    const auto first = fs::last_write_time("config.ini");
    k = odd_konfig();
    EXPECT_EQ(load(), "");
    expect_defaults();
    EXPECT_EQ(read_file(), DEFAULT_TEXT);
    EXPECT_EQ(fs::last_write_time("config.ini"), first) << "a valid file was rewritten";
}

TEST_F(ConfigFile, ValidFilesAreReadByTheOrderOfTheirEqualsLines)
{
    // Keys are not examined, lines without '=' are skipped, LF or CR LF.
    expect_read("Konfigurace Vlnkar\r\n[SIRKA]=1024\r\n[VYSKA]=768\r\n[VYCHOZI SYSTEM]=jama\r\n", 1024, 768,
                "jama");
    expect_read("=1280\nno equals here\n\nheight=720\n=jama_inf", 1280, 720, "jama_inf");
    expect_read("a=640\nb=480\nc=oscilator\r\n", 640, 480, "oscilator");
    expect_read("a=640\nb=480\nc=bariera\nlater lines are never read=xyz\n\x01\x02", 640, 480, "bariera");
    // Leading spaces and tabs and one sign are allowed before the digits.
    expect_read("w=\t +1024\nh=  0768\ns=volna\n", 1024, 768, "volna");
    // Empty values and non-numbers are skipped without taking an item.
    expect_read("w=\nw=abc\nw=1024\nh=\nh=768\ns=\ns=jama\n", 1024, 768, "jama");
    // Only the first '=' splits: "a=b=5" has the value "b=5", not a number.
    expect_read("w=x=5\nw=1024\nh=768\ns=jama\n", 1024, 768, "jama");
}

TEST_F(ConfigFile, NumberInTheSystemPlaceStartsVolnaAndIsNotRewritten)
{
    expect_read("K\r\n[SIRKA]=1024\r\n[VYSKA]=768\r\n[VYCHOZI SYSTEM]=3\r\n", 1024, 768, "volna");
}

TEST_F(ConfigFile, SpaceAfterEqualsIsReadButSpaceAfterDigitsIsNot)
{
    expect_read("K\r\n[SIRKA]= 1024\r\n[VYSKA]=768\r\n[VYCHOZI SYSTEM]=jama\r\n", 1024, 768, "jama");
    // "1024 " is skipped; 768 becomes the width, the system line is not a
    // number where the height is expected, and the file ends incomplete.
    expect_fallback_for("K\r\n[SIRKA]=1024 \r\n[VYSKA]=768\r\n[VYCHOZI SYSTEM]=jama\r\n");
}

TEST_F(ConfigFile, SystemLineFirstLeavesTheFileIncompleteAndReplacesIt)
{
    expect_fallback_for("[VYCHOZI SYSTEM]=jama\r\n[SIRKA]=1024\r\n[VYSKA]=768\r\n");
}

TEST_F(ConfigFile, SystemNamesMustMatchExactlyOrEverythingFallsBack)
{
    expect_fallback_for("K\r\n[SIRKA]=1024\r\n[VYSKA]=768\r\n[VYCHOZI SYSTEM]=Jama\r\n");
    expect_fallback_for("w=1024\nh=768\ns=jama \n");
    expect_fallback_for("w=1024\nh=768\ns= jama\n");
    expect_fallback_for("w=1024\nh=768\ns=harmonic\n");
    expect_fallback_for(std::string("w=1024\nh=768\ns=jama\0\n", 22));
    // A CR is stripped only right before the line end.
    expect_fallback_for("w=1024\nh=768\ns=ja\rma\n");
}

TEST_F(ConfigFile, IncompleteFilesDiscardEvenTheValuesAlreadyRead)
{
    expect_fallback_for("");
    expect_fallback_for("Konfigurace Vlnkar\r\n");
    expect_fallback_for("K\r\n[SIRKA]=1024\r\n[VYSKA]=768\r\n");
    expect_fallback_for("K\r\n[SIRKA]=wide\r\n[VYSKA]=768\r\n[VYCHOZI SYSTEM]=jama\r\n");
    // What was missing is said; an older backup is replaced.
    write_file("w=1024\nh=768\n");
    EXPECT_EQ(load(), "vlnkar: config.ini names no start-up system (volna, bariera, jama, jama_inf or "
                      "oscilator), so the program uses its default settings, writes them to config.ini and "
                      "keeps the old file as config.ini.bak.\n");
    EXPECT_EQ(read_backup(), "w=1024\nh=768\n");
}

// A kill at any moment while config.ini is being replaced leaves the old
// contents or the new ones, never an empty or partial file.
TEST_F(ConfigFile, AKillWhileReplacingLeavesTheOldOrTheNewFile)
{
    const std::string a(300000, 'a'), b(200000, 'b');
    std::string why;
    ASSERT_TRUE(write_file_atomically("config.ini", a, why)) << why;
    std::mt19937 gen(18);
    std::uniform_int_distribution<int> wait_us(0, 4000);
    for (int start = 0; start < 200; ++start) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            for (int i = 0;; ++i)
                write_file_atomically("config.ini", i % 2 ? a : b, why);
        ::usleep(useconds_t(wait_us(gen)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string got = read_file();
        ASSERT_TRUE(got == a || got == b) << "killed at start " << start << ": " << got.size() << " bytes";
    }
    // The kills did fall inside replacements: their new files are left.
    EXPECT_GT(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST_F(ConfigFile, NumbersBeyondThirtyTwoBitsAreNotNumbers)
{
    // The overflowing line is skipped and takes no item.
    expect_read("w=2147483648\nw=99999999999999999999\nw=1024\nh=768\ns=jama\n", 1024, 768, "jama");
    expect_read("w=1024\nh=768\ns=-2147483649\ns=bariera\n", 1024, 768, "bariera");
    expect_fallback_for("w=+\nh=-\ns=jama\n");
}

// A size out of range is brought to the nearest usable one; the system and
// the file stay as the user wrote them, and one line on stderr says so.
TEST_F(ConfigFile, WindowSizesOutOfRangeAreClampedAndTheFileIsKept)
{
    struct size_case {
        const char* text;
        int32_t asked_w, asked_h; // as written
        int32_t width, height;    // the window that opens
        const char* system;
    };
    const size_case cases[] = {
        {"w=320\nh=240\ns=jama\n", 320, 240, 320, 240, "jama"},
        {"w=16384\nh=16384\ns=jama\n", 16384, 16384, 16384, 16384, "jama"},
        {"w=319\nh=600\ns=jama\n", 319, 600, 320, 600, "jama"},
        {"w=800\nh=239\ns=jama\n", 800, 239, 800, 240, "jama"},
        {"w=0\nh=0\ns=oscilator\n", 0, 0, 320, 240, "oscilator"},
        {"w=-800\nh=600\ns=jama\n", -800, 600, 320, 600, "jama"},
        {"w=16385\nh=600\ns=jama\n", 16385, 600, 16384, 600, "jama"},
        {"w=800\nh=16385\ns=jama\n", 800, 16385, 800, 16384, "jama"},
        {"w=2147483647\nh=-2147483648\ns=jama\n", 2147483647, -2147483648, 16384, 240, "jama"},
        // An out-of-range size still takes its item: 100 is the width, 1024
        // the height and 768 a number in the system's place (the free
        // particle). Were it skipped, "jama" would be the system.
        {"w=100\nw=1024\nh=768\ns=jama\n", 100, 1024, 320, 1024, "volna"},
    };
    for (const size_case& c : cases) {
        SCOPED_TRACE(c.text);
        k = odd_konfig();
        write_file(c.text);
        const std::string err = load();
        EXPECT_EQ(k.width, c.width);
        EXPECT_EQ(k.height, c.height);
        EXPECT_EQ(k.system, c.system);
        EXPECT_EQ(read_file(), c.text) << "the file was rewritten";
        const auto size = [](int32_t w, int32_t h) { return std::to_string(w) + " x " + std::to_string(h); };
        if (c.asked_w == c.width && c.asked_h == c.height)
            EXPECT_EQ(err, "");
        else
            EXPECT_EQ(err,
                      "vlnkar: the window size " + size(c.asked_w, c.asked_h) +
                          " in config.ini is outside 320 x 240 to 16384 x 16384, so the window opens at " +
                          size(c.width, c.height) + ".\n");
    }
}

TEST_F(ConfigFile, UnwritableDirectoryReportsOneLineAndKeepsTheDefaults)
{
    // Root may write into any folder whatever its mode, so as root use one
    // no one can create files in.
    fs::path where = dir;
    if (::geteuid() == 0)
        where = "/proc";
    else
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    fs::current_path(where);
    const std::string err = load();
    fs::current_path(dir);
    expect_defaults();
    EXPECT_EQ(err.rfind("vlnkar: cannot create config.ini in the current directory (", 0), 0u) << err;
    EXPECT_NE(err.find("), so the program runs on its default settings without saving them.\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.back(), '\n');
    EXPECT_FALSE(fs::exists(where / "config.ini"));
}

// What stands under the name "config.ini", and what the program makes of it.
// Only a regular file is read, and only its first 64 KiB: something endless
// (a FIFO, /dev/zero) must neither hang the start nor be written to.
TEST_F(ConfigFile, OnlyTheFirst64KiBOfARegularFileAreRead)
{
    const std::string valid = "w=1024\nh=768\ns=jama\n"; // 20 bytes
    const size_t limit = 64 * 1024;
    // Lines of 63 '#' and LF, 64 KiB of them.
    std::string filler;
    while (filler.size() < limit)
        filler += std::string(63, '#') + "\n";
    // A line without '=' that ends `n` bytes before the limit.
    const auto pad = [&](size_t n) { return std::string(limit - n - 1, '#') + "\n"; };

    enum class after { kept, defaults_written, untouched };
    struct kind_case {
        const char* what;
        std::function<void()> make;
        int32_t width, height;
        const char* system;
        const char* said; // stderr, "" for nothing
        after file;
    };
    const kind_case cases[] = {
        {"a link to /dev/zero", [] { fs::create_symlink("/dev/zero", "config.ini"); }, 800, 600, "volna",
         "vlnkar: config.ini is a character device, not a regular file, so the program starts with its "
         "default settings and leaves it alone.\n",
         after::untouched},
        {"a FIFO with no writer", [] { ASSERT_EQ(::mkfifo("config.ini", 0644), 0); }, 800, 600, "volna",
         "vlnkar: config.ini is a FIFO, not a regular file, so the program starts with its default settings "
         "and leaves it alone.\n",
         after::untouched},
        {"a directory", [] { fs::create_directory("config.ini"); }, 800, 600, "volna",
         "vlnkar: config.ini is a directory, not a regular file, so the program starts with its default "
         "settings and leaves it alone.\n",
         after::untouched},
        {"a link to an incomplete file elsewhere",
         [&] { std::ofstream("notes.txt") << "w=1024\n", fs::create_symlink("notes.txt", "config.ini"); },
         800, 600, "volna",
         "vlnkar: config.ini gives no window height and is a symbolic link, so the program runs on its "
         "default settings and writes nothing through it.\n",
         after::kept},
        {"a link to nothing", [] { fs::create_symlink("nowhere.ini", "config.ini"); }, 800, 600, "volna",
         "vlnkar: config.ini leads to no file and is a symbolic link, so the program runs on its default "
         "settings and writes nothing through it.\n",
         after::untouched},
        {"a link to a valid file elsewhere",
         [&] {
             std::ofstream("elsewhere.ini", std::ios::binary) << valid;
             fs::create_symlink("elsewhere.ini", "config.ini");
         },
         1024, 768, "jama", "", after::kept},
        {"items, then 10 MiB of one line",
         [&] { write_file(valid + "w=" + std::string(10 << 20, '7') + "\n"); }, 1024, 768, "jama", "",
         after::kept},
        {"10 MiB of one line, then items",
         [&] { write_file("w=" + std::string(10 << 20, '7') + "\n" + valid); }, 800, 600, "volna", "",
         after::defaults_written},
        {"items beyond the first 64 KiB", [&] { write_file(filler + valid); }, 800, 600, "volna", "",
         after::defaults_written},
        {"items ending exactly at 64 KiB", [&] { write_file(pad(valid.size()) + valid + filler); }, 1024, 768,
         "jama", "", after::kept},
        // The limit falls right after "jama" (or "jam") in "s=jama_inf": a
        // cut line must not count, or the system would be "jama".
        {"the system line cut after jama", [&] { write_file(pad(19) + "w=1024\nh=768\ns=jama_inf\n"); }, 800,
         600, "volna", "", after::defaults_written},
        {"the system line cut after jam", [&] { write_file(pad(18) + "w=1024\nh=768\ns=jama_inf\n"); }, 800,
         600, "volna", "", after::defaults_written},
    };
    for (const kind_case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all("config.ini");
        c.make();
        const bool was_link = fs::is_symlink("config.ini");
        const auto type = fs::status("config.ini").type();
        const std::string before = type == fs::file_type::regular ? read_file() : std::string();
        k = odd_konfig();
        if (c.file == after::defaults_written)
            expect_backup_of(before, load());
        else
            EXPECT_EQ(load(), c.said);
        EXPECT_EQ(k.width, c.width);
        EXPECT_EQ(k.height, c.height);
        EXPECT_EQ(k.system, c.system);
        EXPECT_EQ(fs::is_symlink("config.ini"), was_link);
        EXPECT_EQ(fs::status("config.ini").type(),
                  c.file == after::defaults_written ? fs::file_type::regular : type);
        if (c.file == after::kept) {
            // Compared as a whole: a mismatch of megabytes is not worth printing.
            EXPECT_TRUE(read_file() == before) << "a valid file was rewritten";
        } else if (c.file == after::defaults_written) {
            EXPECT_TRUE(read_file() == DEFAULT_TEXT) << "not replaced by the default file";
        }
    }
}

TEST_F(ConfigFile, ATenMegabyteFileWithoutLineEndsFallsBack)
{
    {
        std::ofstream f("config.ini", std::ios::binary);
        const std::string chunk(1 << 16, '=');
        for (int i = 0; i < 160; ++i)
            f << chunk;
    }
    const std::string before = read_file();
    expect_backup_of(before, load());
    expect_defaults();
    EXPECT_EQ(read_file(), DEFAULT_TEXT);
}

TEST_F(ConfigFile, RandomBytesNeverCrashAndGiveAUsableConfiguration)
{
    std::mt19937 gen(20240611);
    for (int round = 0; round < 200; ++round) {
        std::uniform_int_distribution<int> len(0, round < 100 ? 64 : 20000);
        std::uniform_int_distribution<int> byte(0, 255);
        // Half the rounds favour the characters that matter: '=', digits, line ends.
        const char useful[] = "=\r\n0123456789+- \tvolnajama_";
        std::uniform_int_distribution<int> pick(0, sizeof useful - 2);
        std::string bytes(static_cast<size_t>(len(gen)), '\0');
        for (char& c : bytes)
            c = (round % 2) ? useful[pick(gen)] : static_cast<char>(byte(gen));
        k = odd_konfig();
        write_file(bytes);
        load();
        ASSERT_GE(k.width, 320) << round;
        ASSERT_LE(k.width, 16384) << round;
        ASSERT_GE(k.height, 240) << round;
        ASSERT_LE(k.height, 16384) << round;
        ASSERT_TRUE(k.system == "volna" || k.system == "bariera" || k.system == "jama" ||
                    k.system == "jama_inf" || k.system == "oscilator")
            << round;
        // Either the file was accepted as it stands or replaced by the defaults.
        const std::string now = read_file();
        ASSERT_TRUE(now == bytes || now == DEFAULT_TEXT) << round;
    }
}

// ---------------------------------------------------------------- systems

// A situace with every field filled with something no system writes.
situace odd_situace()
{
    situace s{};
    s.E = s.V1 = s.V2 = s.V3 = s.a = s.x0 = -77.0;
    for (int i = 0; i < 101; ++i)
        s.coef[i] = cplx(i + 0.5, -i - 0.25);
    s.N = cplx(3, 4);
    s.k1 = cplx(5, 6);
    s.k2 = cplx(7, 8);
    s.k3 = cplx(9, 10);
    s.text = "listing";
    return s;
}

class ChooseSystem : public ConfigFile {};

TEST_F(ChooseSystem, EachSystemInstallsItsRecordAloneAndItsDefaultsGiveAFiniteState)
{
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
    std::set<std::string> names, buttons;
    for (const system_record* e : all_systems()) {
        SCOPED_TRACE(e->name);
        EXPECT_TRUE(names.insert(e->name).second && buttons.insert(e->button).second);
        EXPECT_EQ(find_system(e->name), e);
        situace s = odd_situace();
        const konfig before = k;
        choose_system(e->name, k, s);
        EXPECT_EQ(s.system, e);
        EXPECT_EQ(std::tie(s.E, s.V1, s.V2, s.V3, s.a, s.x0, s.coef[0]),
                  std::tie(e->E, e->V1, e->V2, e->V3, e->a, e->x0, e->coef0));
        EXPECT_TRUE(s.draw == e->draw && s.input == e->input && s.step == e->step && s.layout == e->layout &&
                    s.advance == e->advance);
        // Nothing else in situace: the rest of coef, N, k1..k3 and the
        // listing keep what the previous engine left.
        for (int i = 1; i < 101; ++i)
            ASSERT_EQ(s.coef[i], cplx(i + 0.5, -i - 0.25)) << i;
        EXPECT_EQ(std::make_tuple(s.N, s.k1, s.k2, s.k3, s.text),
                  std::make_tuple(cplx(3, 4), cplx(5, 6), cplx(7, 8), cplx(9, 10), std::string("listing")));
        // Neither konfig (not even its system) nor the file.
        EXPECT_EQ(std::tie(k.system, k.t, k.half_range, k.running),
                  std::tie(before.system, before.t, before.half_range, before.running));
        EXPECT_FALSE(fs::exists("config.ini"));
        // From its defaults, the system's step and draw give finite numbers
        // everywhere in a fresh view.
        situace fresh{};
        konfig view = default_view();
        choose_system(e->name, view, fresh);
        fresh.layout(fresh, view);
        fresh.step(fresh, view);
        ztest_ClearPrims();
        fresh.draw(fresh, view, nullptr);
        for (const zgl_prim& p : ztest_Prims())
            ASSERT_TRUE(std::isfinite(p.x1) && std::isfinite(p.y1) && std::isfinite(p.x2) && std::isfinite(p.y2));
        EXPECT_GT(ztest_Prims().size(), 100u);
        EXPECT_EQ(fresh.text.find("nan"), std::string::npos) << fresh.text;
    }
    ztest_Shutdown();
}

TEST_F(ChooseSystem, InfiniteWellAfterAFreeParticleClearsTheThreeRegionValues)
{
    situace s = odd_situace();
    choose_system("volna", k, s);
    choose_system("jama_inf", k, s);
    EXPECT_EQ(s.V1, 0.0);
    EXPECT_EQ(s.V3, 0.0);
    EXPECT_EQ(s.x0, 0.0);
    EXPECT_EQ(s.coef[0], cplx(0, 0));
}

TEST_F(ChooseSystem, UnknownNamesDoNothing)
{
    for (const char* name : {"", "Volna", "volna ", "CONFIG", "config.ini", "jama-inf", "oscillator"}) {
        SCOPED_TRACE(name);
        situace s = odd_situace();
        const konfig before = k;
        choose_system(name, k, s);
        EXPECT_EQ(s.E, -77.0);
        EXPECT_EQ(s.coef[0], cplx(0.5, -0.25));
        EXPECT_EQ(s.draw, nullptr);
        EXPECT_EQ(s.step, nullptr);
        EXPECT_EQ(k.width, before.width);
        EXPECT_EQ(k.t, before.t);
        EXPECT_EQ(k.system, before.system);
        EXPECT_FALSE(fs::exists("config.ini"));
    }
}

TEST_F(ChooseSystem, ReadingTheConfigurationKeepsTheSystemOnScreen)
{
    // Key L: time and view reset, but situace (the system shown and its
    // parameters) stays as the user left it.
    situace s = odd_situace();
    choose_system("jama", k, s);
    s.E = 3.3;
    write_file("w=1024\nh=768\ns=oscilator\n");
    choose_system("config", k, s);
    EXPECT_EQ(k.system, "oscilator");
    EXPECT_EQ(k.t, 0.0L);
    EXPECT_FALSE(k.running);
    EXPECT_EQ(s.E, 3.3);
    EXPECT_EQ(s.V1, 9.0);
    EXPECT_EQ(s.system, find_system("jama"));
}

} // namespace

// The colour scheme beside config.ini: read at start; key B switches the
// frame at once (time stopped) and remembers, or says why it cannot.
TEST_F(ConfigFile, TheSchemeFileIsReadAtStartAndKeyBWritesItLeavingConfigIniAlone)
{
    // The file's bytes ("-" none, "/" a directory), its scheme, lines on stderr.
    const std::tuple<std::string, bool, int> cases[] = {
        {"-", false, 0}, {"[PROJEKTOR]=1\r\n", true, 0}, {"[PROJEKTOR]=0\r\n", false, 0},
        {"\n[PROJEKTOR]=1", true, 0}, {"projector\r\n", false, 1},
        {std::string(100000, '\n') + "[PROJEKTOR]=1\r\n", false, 1}, {"/", false, 2}};
    write_file(DEFAULT_TEXT);
    for (const auto& [bytes, projector, lines] : cases) {
        fs::remove_all("vzhled.ini");
        if (bytes == "/")
            fs::create_directory("vzhled.ini");
        else if (bytes != "-")
            std::ofstream("vzhled.ini", std::ios::binary) << bytes;
        ztest_Enable();
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(vlnkar_main(), 0);
        ztest_Frame();
        ztest_KeyDown(K_B);
        ztest_Tick();
        ztest_Frame();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), lines) << said;
        EXPECT_EQ(ztest_Pixel(400, 300), projector ? 0u : 0xFFFFFFu) << bytes.substr(0, 20);
        std::ifstream f("vzhled.ini", std::ios::binary);
        const std::string now = bytes == "/" ? "" : std::string(std::istreambuf_iterator<char>(f), {});
        EXPECT_EQ(now, bytes == "/" ? "" : projector ? "[PROJEKTOR]=0\r\n" : "[PROJEKTOR]=1\r\n");
        ztest_Shutdown();
        EXPECT_EQ(read_file(), DEFAULT_TEXT);
    }
}
