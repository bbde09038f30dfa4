// The long random-input run: the whole program in the offscreen test mode,
// driven tick by tick by seeded random input over all five systems, the way
// a restless class would drive it: keys of every binding pressed and held,
// with and without Shift; wheel turns; left and right clicks and drags
// anywhere, on and off the controls; numbers and nonsense typed into the
// coefficient boxes; the panel in both modes; the random walk; zoom swept to
// both limits; the switch to full screen now and then; and the clock sent
// far ahead, up to hours of simulated time. After every tick the system's
// parameters and the view must be finite; in every frame no draw call may
// have been dropped for a non-finite coordinate, and in every third frame
// every recorded primitive (what goes to SDL) must have finite coordinates
// and no text may read "nan" or "inf". Run under the sanitizers (make test,
// make soak), a crash, a sanitizer report or a leak fails it too.
//
// VLNKAR_SOAK_TICKS sets the length (20000 by default, 10 ms each),
// VLNKAR_SOAK_SEED the seed. A failure names the seed, the tick and the last
// actions, so it can be replayed.
//
// The second test measures the resident size around 100 switches to full
// screen and back (meaningful only without the sanitizers, whose
// quarantine holds freed memory on purpose).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engines/control_list.h"
#include "app/shell.h"
#include "engines/infinite_well/infinite_well.h"
#include "engines/oscillator/oscillator.h"
#include "engines/three_region/three_region.h"
#include "platform/zgl_test.h"

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

long env_number(const char* name, long fallback)
{
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::strtol(v, nullptr, 10) : fallback;
}

// Resident size of this process, bytes (the second field of statm, in pages).
long resident_bytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// The program in a fresh folder holding only a link to the archive.
class Program : public ::testing::Test {
  protected:
    void SetUp() override
    {
        old_dir_ = fs::current_path();
        char tmpl[] = "/tmp/vlnkar_soak_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        fs::create_symlink(fs::path(VLNKAR_BUILD_DIR) / "textury.dat", dir_ / "textury.dat");
        fs::current_path(dir_);
        ztest_Enable();
        // Full screen covers a screen of another shape, so the scaled
        // picture and the mouse mapped back through it are exercised too.
        ztest_SetScreen(1280, 1024);
        ASSERT_EQ(vlnkar_main(), 0);
    }
    void TearDown() override
    {
        ztest_Shutdown();
        fs::current_path(old_dir_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path old_dir_, dir_;
};

// Every key the program binds, the shell's and the engines'. F (the screen
// switch) is handled apart, at most once every few hundred ticks.
constexpr uint8_t kKeys[] = {K_ESCAPE, K_ENTER, K_M,       K_L, K_SPACE,    K_R, K_I,
                             K_P,      K_N,     K_KP_PLUS, K_1, K_KP_MINUS, K_2, K_UP,
                             K_DOWN,   K_LEFT,  K_RIGHT,   K_S, K_SHIFT,    K_F1};

// What gets typed into a coefficient box: numbers in both decimal formats,
// huge, tiny, signed, and things that are no number at all.
const char* const kTyped[] = {"0.5", "1",    "-0.3", ",5",  "0,25", "1e9",  "9999", "1e-9",  "-1e3",  "nan",
                              "inf", "-inf", "abc",  "ž",   "0x1p", ".",    "-",    "",      "1e308", "  1",
                              "0",   "-0",   "1.5.", "+.5", "e",    "3,,1", "½",    "1e-400"};

bool finite_all(std::initializer_list<double> v)
{
    for (double x : v)
        if (!std::isfinite(x))
            return false;
    return true;
}

const char* engine_name()
{
    const draw_proc_t d = shell.sit.draw;
    return d == three_region_draw ? "three-region" : d == infinite_well_draw ? "infinite-well" : "oscillator";
}

// The first parameter that is not a finite number, or "": the system's
// parameters, the view, and in the bound-state systems the ten
// coefficients of the panel. (The three-region engine's solved amplitudes
// are no parameters: at a vanishing denominator they may turn non-finite,
// and the step's norm guard absorbs that.)
std::string non_finite_parameter()
{
    const situace& s = shell.sit;
    const konfig& k = shell.konf;
    if (!finite_all({s.E, s.V1, s.V2, s.V3, s.a, s.x0}))
        return "E, V1, V2, V3, a or x0";
    if (!finite_all({k.density, k.half_range, double(k.t), double(k.dt)}))
        return "density, half_range, t or dt";
    if (s.draw != three_region_draw)
        for (int j = 0; j < COEF_COUNT; ++j)
            if (!finite_all({s.coef[FIRST_COEF + j].real(), s.coef[FIRST_COEF + j].imag()}))
                return std::string("C").append(std::to_string(j)); // appended: no -Wrestrict at -O3
    return "";
}

// Whether `word` stands in `text` (any case) with no letter right before or
// after it: how printf writes a non-finite number ("nan", "-inf"), while
// the help's "Infinite well" and the name "jama_inf" are no such number.
bool has_word(const std::string& text, const std::string& word)
{
    auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_'; };
    std::string lower = text;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    for (size_t i = lower.find(word); i != std::string::npos; i = lower.find(word, i + 1)) {
        const size_t end = i + word.size();
        if ((i == 0 || !letter(lower[i - 1])) && (end == lower.size() || !letter(lower[end])))
            return true;
    }
    return false;
}

// What is wrong with the primitives of the last frame, or "". The text
// being typed into a box is the user's own and may read anything.
std::string bad_primitive()
{
    for (const zgl_prim& p : ztest_Prims()) {
        if (!finite_all({p.x1, p.y1, p.x2, p.y2, p.angle, p.scale}))
            return "a primitive with a non-finite coordinate";
        const bool typed = shell.entry.active() && p.in_rect && p.x1 == shell.entry.box->rect.x &&
                           p.y1 == shell.entry.box->rect.y && p.text == shell.entry.text;
        if (p.kind == zgl_prim::TEXT && !typed) {
            if (has_word(p.text, "nan") || has_word(p.text, "inf"))
                return "the text \"" + p.text + "\"";
        }
    }
    return "";
}

// The random user. Keys and buttons are held for a while and released later;
// everything is injected as real events before the tick that takes them.
struct random_user {
    std::mt19937 rng;
    long tick = 0;
    long last_switch = -1000;
    std::map<uint8_t, long> key_release;      // held key -> tick to release it
    std::map<int, long> button_release;       // held button -> tick to release it
    int sweep_dir = 0;                        // zoom sweep: +1 narrowing, -1 widening, 0 none
    long sweep_left = 0;                      // ticks left in the sweep
    std::deque<std::function<void()>> script; // steps of a scripted visit to the panel, one every 3 ticks
    std::deque<std::string> recent;           // the last actions, for a failure message
    std::map<std::string, long> counts;       // how often each kind of action ran

    explicit random_user(unsigned seed) : rng(seed) {}

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng); }

    void note(const std::string& what)
    {
        counts[what.substr(0, what.find(' '))]++;
        recent.push_back(std::to_string(tick) + ": " + what);
        if (recent.size() > 30)
            recent.pop_front();
    }

    std::vector<const control*> visible_controls() const
    {
        std::vector<const control*> out;
        for (const control* c = shell.konf.controls; c != nullptr; c = c->next)
            if (c->visible)
                out.push_back(c);
        return out;
    }

    void move_somewhere()
    {
        const int w = shell.konf.width, h = shell.konf.height;
        const int how = uniform(0, 9);
        int x = 0, y = 0;
        if (how < 5) {
            // Onto a control (the background "plocha" included).
            auto cs = visible_controls();
            const control* c = cs[size_t(uniform(0, int(cs.size()) - 1))];
            x = int(c->rect.x) + uniform(0, std::max(0, int(c->rect.w) - 1));
            y = int(c->rect.y) + uniform(0, std::max(0, int(c->rect.h) - 1));
        } else if (how < 9) {
            x = uniform(-20, w + 20);
            y = uniform(-20, h + 20);
        } else {
            // Far outside, as a drag that leaves the window reports.
            x = uniform(-5000, 5000);
            y = uniform(-5000, 5000);
        }
        ztest_MouseMove(x, y);
        note("move " + std::to_string(x) + "," + std::to_string(y));
    }

    void press_key(uint8_t key, long hold)
    {
        if (key_release.count(key))
            return;
        ztest_KeyDown(key);
        key_release[key] = tick + hold;
        note("key " + std::to_string(int(key)) + " for " + std::to_string(hold));
    }

    void press_button(int button, long hold)
    {
        if (button_release.count(button))
            return;
        ztest_MouseButton(button, true);
        button_release[button] = tick + hold;
        note("button " + std::to_string(button) + " for " + std::to_string(hold));
    }

    void release_due()
    {
        std::erase_if(key_release, [&](const auto& held) {
            if (held.second <= tick)
                ztest_KeyUp(held.first);
            return held.second <= tick;
        });
        std::erase_if(button_release, [&](const auto& held) {
            if (held.second <= tick)
                ztest_MouseButton(held.first, false);
            return held.second <= tick;
        });
    }

    void click_on(const char* name)
    {
        const control* c = find_control(shell.konf.controls, name);
        if (c == nullptr || !c->visible)
            return;
        ztest_MouseMove(int(c->rect.x + c->rect.w / 2), int(c->rect.y + c->rect.h / 2));
        press_button(M_BLEFT, 1);
        note(std::string("click ") + name);
    }

    // A visit to the superposition panel, as a student makes it: a
    // bound-state system, the panel opened, a box clicked, something typed
    // (or the box's phasor set by the click), then Enter or a click away.
    void plan_panel_visit()
    {
        note("visit panel");
        script.push_back([this] { click_on(chance(0.5) ? "tl_nek" : "tl_osc"); });
        script.push_back([this] {
            const control* sup = find_control(shell.konf.controls, "tl_sup");
            if (sup != nullptr && !sup->active)
                click_on("tl_sup");
        });
        script.push_back([this] {
            if (chance(0.2))
                click_on("tl_%");
        });
        script.push_back([this] {
            const std::string box = std::string("C").append(std::to_string(uniform(0, 9)));
            click_on(box.c_str());
        });
        script.push_back([this] {
            const char* text = kTyped[uniform(0, int(std::size(kTyped)) - 1)];
            ztest_Text(text);
            note(std::string("type ") + text);
        });
        script.push_back([this] {
            if (chance(0.8))
                press_key(K_ENTER, 1);
            else
                click_on("plocha");
        });
    }

    // One tick's worth of input.
    void act()
    {
        release_due();
        if (!script.empty()) {
            if (tick % 3 == 0) {
                script.front()();
                script.pop_front();
            }
            return;
        }
        if (chance(0.002)) {
            plan_panel_visit();
            return;
        }
        if (sweep_left > 0) {
            // A zoom sweep: one press every other tick until the limit.
            --sweep_left;
            if (tick % 2 == 0)
                press_key(sweep_dir > 0 ? K_KP_PLUS : K_KP_MINUS, 1);
            return;
        }
        if (chance(0.0005)) {
            sweep_dir = chance(0.5) ? 1 : -1;
            sweep_left = 2000; // about 870 steps reach 150 from the middle
            note(sweep_dir > 0 ? "sweep narrower" : "sweep wider");
            return;
        }
        if (chance(0.25))
            move_somewhere();
        if (chance(0.08)) {
            const uint8_t key = kKeys[uniform(0, int(std::size(kKeys)) - 1)];
            // Mostly short presses; now and then a key held for seconds.
            const long hold = chance(0.8) ? 1 : uniform(2, 400);
            press_key(key, hold);
            if (chance(0.3))
                press_key(K_SHIFT, hold + uniform(0, 5));
        }
        if (tick - last_switch > 300 && chance(0.002)) {
            press_key(K_F, 1);
            last_switch = tick;
        }
        if (chance(0.04))
            press_button(M_BLEFT, chance(0.7) ? 1 : uniform(2, 150));
        if (chance(0.02))
            press_button(M_BRIGHT, chance(0.7) ? 1 : uniform(2, 150));
        if (chance(0.04)) {
            const int dir = chance(0.5) ? M_WUP : M_WDOWN;
            ztest_Wheel(dir);
            note(dir == M_WUP ? "wheel up" : "wheel down");
        }
        if (shell.entry.active() && chance(0.3)) {
            const char* text = kTyped[uniform(0, int(std::size(kTyped)) - 1)];
            ztest_Text(text);
            note(std::string("type ") + text);
        }
        if (chance(0.0002)) {
            // The clock far ahead: from a picosecond to hours of simulated
            // time, where the phase factors' arguments are enormous.
            shell.konf.t = std::pow(10.0L, static_cast<long double>(uniform(-12, 4)));
            note("clock " + std::to_string(double(shell.konf.t)));
        }
    }

    std::string replay() const
    {
        const situace& p = shell.sit;
        const konfig& k = shell.konf;
        char state[256];
        std::snprintf(
            state, sizeof state,
            "\n  E %.17g, V1 %.17g, V2 %.17g, V3 %.17g, a %.17g, x0 %.17g, half_range %.17g, t %.6Lg", p.E,
            p.V1, p.V2, p.V3, p.a, p.x0, k.half_range, k.t);
        std::string s = state;
        for (const std::string& r : recent)
            s += "\n  " + r;
        return s;
    }
};

} // namespace

TEST_F(Program, RandomInputKeepsEverythingFiniteAndDrawable)
{
    const long ticks = env_number("VLNKAR_SOAK_TICKS", 20000);
    const auto seed = static_cast<unsigned>(env_number("VLNKAR_SOAK_SEED", 12012));
    random_user user(seed);
    // The random walk draws from rand(): seeded too, so a run can be replayed.
    std::srand(seed);
    const auto start = std::chrono::steady_clock::now();
    long frames = 0, rasterised = 0, warm_rss = 0, half_rss = 0;
    long double t_max = 0;
    std::map<std::string, long> engines; // samples of the engine on screen, one every 100 ticks

    for (user.tick = 0; user.tick < ticks; ++user.tick) {
        user.act();
        ztest_Tick();
        const std::string bad = non_finite_parameter();
        ASSERT_EQ(bad, "") << "seed " << seed << ", tick " << user.tick << user.replay();
        t_max = std::max(t_max, shell.konf.t);
        // A frame every fifth tick; one frame in ten goes through SDL's
        // rasteriser, the rest are recorded only (the same primitives at a
        // fraction of the cost), and every third has each of its primitives
        // checked. Every frame counts the draw calls dropped for a
        // non-finite coordinate.
        if (user.tick % 5 == 0) {
            const bool raster = frames % 10 == 0;
            ztest_SetRaster(raster);
            ztest_Frame();
            rasterised += raster;
            if (frames % 3 == 0) {
                const std::string wrong = bad_primitive();
                ASSERT_EQ(wrong, "") << "seed " << seed << ", tick " << user.tick << user.replay();
            }
            ++frames;
            ASSERT_EQ(ztest_NonFiniteSkipped(), 0u) << "a draw call with a non-finite coordinate, seed "
                                                    << seed << ", tick " << user.tick << user.replay();
        }
        if (user.tick % 100 == 0)
            engines[engine_name()]++;
        if (user.tick == ticks / 10)
            warm_rss = resident_bytes();
        if (user.tick == ticks / 2)
            half_rss = resident_bytes();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: seed %u, %ld ticks (%.0f s of program time), %ld frames (%ld rasterised) in %.1f s\n",
                seed, ticks, ticks * 0.01, frames, rasterised, seconds);
    std::printf("soak: simulated time reached %.3Lg s; resident %.1f MB after a tenth of the run, %.1f MB "
                "half way, %.1f MB at the end\n",
                t_max, warm_rss / 1048576.0, half_rss / 1048576.0, resident_bytes() / 1048576.0);
    std::printf("soak: engine on screen (samples every 100 ticks):");
    for (const auto& [name, n] : engines)
        std::printf(" %s %ld", name.c_str(), n);
    std::printf("\n");
    // Each engine had its turn.
    EXPECT_EQ(engines.size(), 3u);
    // The resident size is printed, not checked: it follows the high-water
    // marks of the extremes met (the widest range draws the most
    // primitives) and the allocator's fragmentation. Leaks are the
    // sanitizer build's to find, growth on the screen switch the next test's.
    std::printf("soak: actions:");
    for (const auto& [what, n] : user.counts)
        std::printf(" %s %ld", what.c_str(), n);
    std::printf("\n");
}

TEST_F(Program, HundredSwitchesToFullScreenLeaveTheResidentSizeFlat)
{
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers keep freed memory in quarantine; measured in the plain build";
    auto switch_twice = [] {
        for (int i = 0; i < 2; ++i) {
            ztest_KeyDown(K_F);
            ztest_Tick();
            ztest_KeyUp(K_F);
            ztest_Tick();
            ztest_Frame();
        }
    };
    // Warm-up: the first switches fill the caches (text, pictures, the
    // scaled picture) and the allocator's pools.
    for (int i = 0; i < 5; ++i)
        switch_twice();
    const long before = resident_bytes();
    for (int i = 0; i < 50; ++i)
        switch_twice();
    const long after = resident_bytes();
    std::printf("full screen switched 100 times: resident %.2f MB before, %.2f MB after\n",
                before / 1048576.0, after / 1048576.0);
    EXPECT_LT(std::labs(after - before), 2L << 20);
}
