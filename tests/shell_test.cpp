// The running program in the offscreen test mode of the graphics layer: the
// real entry, load, tick and frame procedures, driven tick by tick with
// injected keys, clicks, wheel turns and typed text, checked by reading the
// records and the drawn primitives.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/config.h"
#include "app/help.h"
#include "app/lesson.h"
#include "app/shell.h"
#include "engines/three_region/packet_mode.h"
#include "platform/zgl_test.h"

namespace fs = std::filesystem;

namespace {

// Each test runs the program in a fresh empty folder holding only the
// archive, so "config.ini" is created there.
class Shell : public ::testing::Test {
  protected:
    void SetUp() override
    {
        old_dir_ = fs::current_path();
        char tmpl[] = "/tmp/vlnkar_shell_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        fs::create_symlink(fs::path(VLNKAR_BUILD_DIR) / "textury.dat", dir_ / "textury.dat");
        fs::current_path(dir_);
        ztest_Enable();
        ASSERT_EQ(vlnkar_main(), 0);
        ASSERT_NE(shell.konf.controls, nullptr);
    }
    void TearDown() override
    {
        ztest_Shutdown();
        fs::current_path(old_dir_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static control* ctl(const char* name)
    {
        control* c = find_control(shell.konf.controls, name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static void move_to(const char* name)
    {
        const control* c = ctl(name);
        ztest_MouseMove(static_cast<int>(c->rect.x + c->rect.w / 2),
                        static_cast<int>(c->rect.y + c->rect.h / 2));
    }
    // A key pressed in one tick and released before the next.
    static void press(uint8_t key)
    {
        ztest_KeyDown(key);
        ztest_Tick();
        ztest_KeyUp(key);
    }
    // A left click at the mouse position: pressed in one tick, released in
    // the next (which clears the drag anchor).
    static void click(int button = M_BLEFT)
    {
        ztest_MouseButton(button, true);
        ztest_Tick();
        ztest_MouseButton(button, false);
        ztest_Tick();
    }
    static void click_on(const char* name, int button = M_BLEFT)
    {
        move_to(name);
        click(button);
    }
    static void wheel_on(const char* name, int dir)
    {
        move_to(name);
        ztest_Wheel(dir);
        ztest_Tick();
    }
    // The infinite well with its superposition panel open.
    static void open_panel()
    {
        click_on("tl_nek");
        click_on("tl_sup");
        ASSERT_TRUE(ctl("tl_sup")->active);
    }
    static cplx& C(int j) { return shell.sit.coef[5 + j]; }

    // Texts drawn in the last frame.
    static std::vector<zgl_prim> texts()
    {
        std::vector<zgl_prim> out;
        for (const zgl_prim& p : ztest_Prims())
            if (p.kind == zgl_prim::TEXT)
                out.push_back(p);
        return out;
    }
    static const zgl_prim* text_equal(const std::string& s)
    {
        for (const zgl_prim& p : ztest_Prims())
            if (p.kind == zgl_prim::TEXT && p.text == s)
                return &p;
        return nullptr;
    }

    fs::path old_dir_;
    fs::path dir_;
};

std::string file_text(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

} // namespace

TEST_F(Shell, StartsInAWindowNamedVlnkarWithTheDefaultFileAndTheFreeParticle)
{
    EXPECT_EQ(ztest_Caption(), "Vlnkar");
    EXPECT_EQ(ztest_WindowWidth(), 800);
    EXPECT_EQ(ztest_WindowHeight(), 600);
    EXPECT_FALSE(ztest_Fullscreen());
    EXPECT_EQ(file_text("config.ini"),
              "Konfigurace Vlnkar\r\n[SIRKA]=800\r\n[VYSKA]=600\r\n[VYCHOZI SYSTEM]=volna\r\n");
    EXPECT_EQ(shell.konf.system, "volna");
    EXPECT_DOUBLE_EQ(shell.sit.E, 5.0);
    // The load procedure ran the engine's step: the free particle's wave
    // comes in from the left with A1 = 1, and the engine hid the panel button.
    EXPECT_EQ(shell.sit.coef[0], cplx(1.0, 0.0));
    EXPECT_FALSE(ctl("tl_sup")->visible);
    int n = 0;
    for (control* c = shell.konf.controls; c; c = c->next)
        ++n;
    EXPECT_EQ(n, 29);
    EXPECT_NE(shell.font, nullptr);
    EXPECT_NE(shell.konf.arrow_texture, nullptr);
    EXPECT_NE(ctl("tl_cas")->texture, nullptr);
}

TEST_F(Shell, KeysToggleTheirSettings)
{
    struct {
        uint8_t key;
        bool* flag;
    } keys[] = {{K_ENTER, &shell.konf.reim_mode}, {K_R, &shell.konf.show_re},
                {K_I, &shell.konf.show_im},       {K_P, &shell.konf.show_labels},
                {K_N, &shell.konf.show_square},   {K_S, &shell.konf.show_arrows},
                {K_M, &shell.konf.random_walk},   {K_SPACE, &shell.konf.running}};
    for (auto& k : keys) {
        const bool before = *k.flag;
        press(k.key);
        EXPECT_NE(*k.flag, before) << int(k.key);
        press(k.key);
        EXPECT_EQ(*k.flag, before) << int(k.key);
    }
    // Time runs by dt per tick while running.
    press(K_SPACE);
    const long double t0 = shell.konf.t;
    ztest_Tick(10);
    EXPECT_NEAR(static_cast<double>((shell.konf.t - t0) / shell.konf.dt), 10.0, 1e-9);
    // L reads the configuration again: time back to 0 and stopped, view
    // reset, but the system on screen and the random walk stay.
    click_on("tl_bar");
    press(K_M);
    press(K_2);
    press(K_L);
    EXPECT_EQ(shell.konf.t, 0.0L);
    EXPECT_FALSE(shell.konf.running);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 5.25);
    EXPECT_DOUBLE_EQ(shell.sit.E, 6.4);
    EXPECT_TRUE(shell.konf.random_walk);
    // Escape asks the main loop to end.
    press(K_ESCAPE);
    EXPECT_TRUE(ztest_ExitRequested());
}

// The switches show from across the room what the picture shows: a lit
// frame round an "on" button, none round an "off" one; Re and Im are off
// in density mode, where their parts are not drawn.
TEST_F(Shell, SwitchesShowWhatThePictureShows)
{
    const char* names[] = {"tl_roz", "tl_re", "tl_im", "tl_cas", "tl_pkt"};
    // After each key, which of them show on.
    const std::pair<uint8_t, const char*> steps[] = {{0, "01000"},   {K_I, "01100"},     {K_SPACE, "01110"},
                                                     {K_W, "01111"}, {K_ENTER, "10011"}, {K_W, "10010"}};
    for (const auto& [key, on] : steps) {
        if (key != 0)
            press(key);
        ztest_Frame();
        for (int i = 0; i < 5; ++i) {
            const zgl_rect r = ctl(names[i])->rect;
            bool framed = false;
            for (const zgl_prim& p : ztest_Prims())
                framed |= p.kind == zgl_prim::RECT && p.flags == 0 && p.x1 == r.x - 2 && p.y1 == r.y - 2;
            EXPECT_EQ(framed, on[i] == '1') << names[i] << " after key " << int(key);
        }
    }
}

TEST_F(Shell, RightClicksResetTimeAndRangeAndZeroACoefficient)
{
    press(K_SPACE);
    ztest_Tick(5);
    press(K_SPACE);
    ASSERT_GT(shell.konf.t, 0.0L);
    click_on("tl_cas", M_BRIGHT);
    EXPECT_EQ(shell.konf.t, 0.0L);

    press(K_2);
    click_on("tl_lupa", M_BRIGHT);
    EXPECT_EQ(shell.konf.half_range, 3.0);

    open_panel();
    C(3) = cplx(0.3, 0.4);
    const double E = shell.sit.E;
    click_on("C3", M_BRIGHT);
    EXPECT_EQ(C(3), cplx(0.0, 0.0));
    EXPECT_EQ(shell.sit.E, E);
    // On the panel button the right click switches the random walk.
    click_on("tl_sup", M_BRIGHT);
    EXPECT_TRUE(shell.konf.random_walk);
    EXPECT_TRUE(ctl("tl_sup")->active);
}

TEST_F(Shell, APacketAtTheBarrierEndsWithTheTransmissionItsWaveNumbersPromise)
{
    click_on("tl_bar");
    move_to("plocha");
    press(K_X); // no expectation values for a wave from infinity: X does nothing
    EXPECT_FALSE(shell.konf.show_expectation);
    press(K_W);
    press(K_X);
    EXPECT_TRUE(shell.konf.show_expectation);
    const packet_mode* m = shown_packet(shell.sit);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(shell.konf.t, 0.0L);
    shell.konf.dt = 2.1e-17L;
    press(K_SPACE);
    ztest_Tick(700); // 15 fs: the parts have left the barrier far behind
    double T = 0.0, T_expected = 0.0;
    ztest_Frame();
    const std::string text = shell.sit.text;
    ASSERT_EQ(std::sscanf(text.c_str() + text.find("T="), "T=%lf", &T), 1) << text;
    ASSERT_EQ(std::sscanf(text.c_str() + text.find("T expected="), "T expected=%lf", &T_expected), 1) << text;
    EXPECT_NEAR(T, T_expected, 0.002);
    EXPECT_NE(text.find("<x>="), std::string::npos) << text;
    EXPECT_GT(T, 0.1);
    // The clock's right click puts the packet back at its start.
    click_on("tl_cas", M_BRIGHT);
    EXPECT_EQ(shell.sit.kept.get(), m); // the same packet, started again
    EXPECT_LT(packet_measure(m->p).T, 1e-3);
    // Below V1 nothing comes in: the stationary state, and the listing says why.
    press(K_SPACE);
    ztest_KeyDown(K_DOWN);
    for (int i = 0; i < 400 && shell.sit.E > shell.sit.V1; ++i)
        ztest_Tick();
    ztest_KeyUp(K_DOWN);
    EXPECT_EQ(shown_packet(shell.sit), nullptr);
    ztest_Frame();
    EXPECT_EQ(shell.sit.text.rfind("No packet", 0), 0u) << shell.sit.text;
}

TEST_F(Shell, WheelOnACoefficientTurnsItsPhaseByUnequalSteps)
{
    open_panel();
    C(0) = cplx(0.5, 0.0);
    wheel_on("C0", M_WUP);
    EXPECT_NEAR(std::abs(C(0)), 0.5, 1e-15);
    EXPECT_NEAR(std::arg(C(0)), 3.141592654 / 16, 1e-12);
    wheel_on("C0", M_WDOWN);
    EXPECT_NEAR(std::arg(C(0)), 3.141592654 / 16 - 3.141592654 / 15, 1e-12);
    C(1) = cplx(0.0, 0.0);
    wheel_on("C1", M_WUP);
    EXPECT_EQ(C(1), cplx(0.0, 0.0));
}

TEST_F(Shell, OnlyTheFirstMatchingRuleActsInATick)
{
    // Escape wins over Space; Enter over Space.
    ztest_KeyDown(K_ESCAPE);
    ztest_KeyDown(K_SPACE);
    ztest_Tick();
    ztest_KeyUp(K_ESCAPE);
    ztest_KeyUp(K_SPACE);
    EXPECT_TRUE(ztest_ExitRequested());
    EXPECT_FALSE(shell.konf.running);

    const bool reim = shell.konf.reim_mode;
    ztest_KeyDown(K_ENTER);
    ztest_KeyDown(K_SPACE);
    ztest_Tick();
    ztest_KeyUp(K_ENTER);
    ztest_KeyUp(K_SPACE);
    EXPECT_NE(shell.konf.reim_mode, reim);
    EXPECT_FALSE(shell.konf.running);

    // At the narrowest range keypad plus changes nothing but still takes the
    // tick: S (a later rule) and the engine's Up do not act.
    shell.konf.half_range = 3.0;
    ztest_MouseMove(400, 200);
    const double E = shell.sit.E;
    ztest_KeyDown(K_KP_PLUS);
    ztest_KeyDown(K_S);
    ztest_KeyDown(K_UP);
    ztest_Tick();
    ztest_KeyUp(K_KP_PLUS);
    ztest_KeyUp(K_S);
    ztest_KeyUp(K_UP);
    EXPECT_EQ(shell.konf.half_range, 3.0);
    EXPECT_FALSE(shell.konf.show_arrows);
    EXPECT_EQ(shell.sit.E, E);
    // Alone, Up over the plot goes to the engine, which raises E.
    press(K_UP);
    EXPECT_GT(shell.sit.E, E);
}

TEST_F(Shell, ALeftClickActsWhateverRuleActed)
{
    click_on("tl_nek");
    move_to("tl_sup");
    ztest_KeyDown(K_SPACE);
    ztest_MouseButton(M_BLEFT, true);
    ztest_Tick();
    ztest_KeyUp(K_SPACE);
    ztest_MouseButton(M_BLEFT, false);
    ztest_Tick();
    EXPECT_TRUE(shell.konf.running);
    EXPECT_TRUE(ctl("tl_sup")->active);
    EXPECT_TRUE(ctl("C9")->visible);

    // System buttons choose their system with its defaults.
    click_on("tl_bar");
    EXPECT_DOUBLE_EQ(shell.sit.E, 6.4);
    EXPECT_DOUBLE_EQ(shell.sit.V2, 7.0);
    click_on("tl_jam");
    EXPECT_DOUBLE_EQ(shell.sit.V1, 9.0);
    click_on("tl_osc");
    EXPECT_DOUBLE_EQ(shell.sit.a, 1e15);
    click_on("tl_def");
    EXPECT_DOUBLE_EQ(shell.sit.E, 5.0);
    // Display and time buttons, the listing.
    const bool reim = shell.konf.reim_mode, re = shell.konf.show_re, im = shell.konf.show_im;
    click_on("tl_roz");
    click_on("tl_re");
    click_on("tl_im");
    click_on("tl_cas");
    click_on("vypis");
    EXPECT_NE(shell.konf.reim_mode, reim);
    EXPECT_NE(shell.konf.show_re, re);
    EXPECT_NE(shell.konf.show_im, im);
    EXPECT_FALSE(shell.konf.running);
    EXPECT_TRUE(ctl("vypis")->active);
}

TEST_F(Shell, PressRecordsTheDragAnchorUntilRelease)
{
    ztest_MouseMove(300, 200);
    ztest_MouseButton(M_BLEFT, true);
    ztest_Tick();
    EXPECT_EQ(shell.konf.drag_x, 300);
    EXPECT_EQ(shell.konf.drag_y, 200);
    ztest_MouseMove(320, 210);
    ztest_Tick(3);
    EXPECT_EQ(shell.konf.drag_x, 300);
    EXPECT_EQ(shell.konf.drag_y, 200);
    ztest_MouseButton(M_BLEFT, false);
    ztest_Tick();
    EXPECT_EQ(shell.konf.drag_x, 0);
    EXPECT_EQ(shell.konf.drag_y, 0);
}

TEST_F(Shell, TypedEntryStoresANumberAndCancelsOrRefusesOtherwise)
{
    open_panel();
    ASSERT_DOUBLE_EQ(shell.sit.E, 1.0);
    click_on("C3");
    ASSERT_TRUE(shell.entry.active());
    EXPECT_EQ(shell.entry.box, ctl("C3"));
    ztest_Text("0.5");
    ztest_Tick();
    EXPECT_EQ(shell.entry.text, "0.5");
    // While typing no other key of the shell acts.
    press(K_SPACE);
    EXPECT_FALSE(shell.konf.running);
    // The frame shows the typed text in the box instead of its value.
    ztest_Frame();
    const zgl_prim* typed = text_equal("0.5");
    ASSERT_NE(typed, nullptr);
    EXPECT_TRUE(typed->in_rect);
    EXPECT_EQ(typed->flags, TEXT_VALIGN_CENTER);
    EXPECT_EQ(typed->x1, ctl("C3")->rect.x);
    press(K_ENTER);
    EXPECT_FALSE(shell.entry.active());
    EXPECT_EQ(C(3), cplx(0.5, 0.0));
    EXPECT_EQ(shell.sit.E, -1.0);

    // Letters, "nan" and "inf" change nothing.
    for (const char* bad : {"ab", "nan", "inf", "-"}) {
        click_on("C4");
        ztest_Text(bad);
        ztest_Tick();
        press(K_ENTER);
        EXPECT_FALSE(shell.entry.active());
        EXPECT_EQ(C(4), cplx(0.0, 0.0)) << bad;
    }
    // No more than four characters are taken.
    click_on("C5");
    ztest_Text("0.125");
    ztest_Tick();
    EXPECT_EQ(shell.entry.text, "0.12");
    // A left click elsewhere cancels without storing.
    ztest_MouseMove(400, 300);
    click();
    EXPECT_FALSE(shell.entry.active());
    EXPECT_EQ(C(5), cplx(0.0, 0.0));
    // Text typed in the same tick as Enter is not lost.
    click_on("C6");
    ztest_Text("0.25");
    ztest_KeyDown(K_ENTER);
    ztest_Tick();
    ztest_KeyUp(K_ENTER);
    EXPECT_EQ(C(6), cplx(0.25, 0.0));
}

TEST_F(Shell, TypedZeroWithNoOtherCoefficientKeepsTheSelectedState)
{
    open_panel();
    for (int j = 0; j < 10; ++j)
        C(j) = 0.0;
    shell.sit.coef[15] = 0.0;
    shell.sit.E = 2.0;
    // The click runs the engine's step, which keeps state 2's box C1 at 1:
    // a 0 typed there leaves no coefficient non-zero.
    click_on("C1");
    ztest_Text("0");
    ztest_Tick();
    press(K_ENTER);
    EXPECT_EQ(shell.sit.E, 2.0);
    // A single non-zero coefficient already means the superposition.
    click_on("C7");
    ztest_Text("1");
    ztest_Tick();
    press(K_ENTER);
    EXPECT_EQ(shell.sit.E, -1.0);
}

TEST_F(Shell, PanelButtonNormalisesAndClosesOnlyANormalisedPanel)
{
    open_panel();
    // A superposition, which the engine's step leaves as it is.
    shell.sit.E = -1.0;
    for (int j = 0; j < 10; ++j)
        C(j) = 0.0;
    C(0) = cplx(3.0, 0.0);
    C(1) = cplx(0.0, 4.0);
    click_on("tl_sup");
    EXPECT_TRUE(ctl("tl_sup")->active);
    EXPECT_TRUE(ctl("C0")->visible);
    EXPECT_NEAR(C(0).real(), 0.6, 1e-15);
    EXPECT_NEAR(C(1).imag(), 0.8, 1e-15);
    click_on("tl_sup");
    EXPECT_FALSE(ctl("tl_sup")->active);
    EXPECT_FALSE(ctl("pl_sup")->visible);
    EXPECT_FALSE(ctl("tl_%")->visible);
    EXPECT_FALSE(ctl("C9")->visible);
    // The bound-state engine's step shows the button again.
    EXPECT_TRUE(ctl("tl_sup")->visible);
    // All zero: the panel neither closes nor divides by zero.
    click_on("tl_sup");
    for (int j = 0; j < 10; ++j)
        C(j) = 0.0;
    click_on("tl_sup");
    EXPECT_TRUE(ctl("tl_sup")->active);
    EXPECT_EQ(C(0), cplx(0.0, 0.0));
}

TEST_F(Shell, PhasorModeSetsACoefficientFromTheClickPosition)
{
    open_panel();
    click_on("tl_%");
    ASSERT_TRUE(shell.phasor_mode);
    shell.sit.E = 3.0;
    const control* b = ctl("C2");
    // A quarter of the width right of the centre and a quarter of the height
    // above it: 0.5 + 0.5i.
    ztest_MouseMove(static_cast<int>(b->rect.x + 0.75f * b->rect.w),
                    static_cast<int>(b->rect.y + 0.25f * b->rect.h));
    click();
    const double re =
        2.0 * (std::floor(b->rect.x + 0.75f * b->rect.w) - b->rect.x - b->rect.w / 2) / b->rect.w;
    EXPECT_NEAR(C(2).real(), re, 1e-12);
    EXPECT_NEAR(C(2).real(), 0.5, 0.03);
    EXPECT_NEAR(C(2).imag(), 0.5, 0.03);
    EXPECT_EQ(shell.sit.E, -1.0);
    EXPECT_FALSE(shell.entry.active());
}

TEST_F(Shell, FullScreenSwitchKeepsTheSetUpTheListingThePanelAndTheView)
{
    click_on("tl_bar");
    open_panel();
    click_on("vypis");
    press(K_1);
    press(K_R);
    shell.konf.t = 1e-15L;
    const double half_range = shell.konf.half_range;
    // A left click in the same tick as F must act on the new list.
    move_to("tl_re");
    ztest_KeyDown(K_F);
    ztest_MouseButton(M_BLEFT, true);
    ztest_Tick();
    ztest_KeyUp(K_F);
    ztest_MouseButton(M_BLEFT, false);
    ztest_Tick();
    EXPECT_TRUE(shell.konf.fullscreen);
    EXPECT_TRUE(ztest_Fullscreen());
    EXPECT_EQ(std::string(shell.sit.system->name), "jama_inf");
    EXPECT_DOUBLE_EQ(shell.sit.E, 1.0);
    EXPECT_DOUBLE_EQ(shell.sit.V2, 50.0);
    EXPECT_TRUE(ctl("tl_sup")->active);
    EXPECT_TRUE(ctl("C9")->visible);
    EXPECT_TRUE(ctl("vypis")->active);
    EXPECT_EQ(shell.konf.half_range, half_range);
    EXPECT_TRUE(shell.konf.show_re); // toggled by R, then back by the click on tl_re
    EXPECT_EQ(shell.konf.t, 1e-15L);
    press(K_F);
    EXPECT_FALSE(shell.konf.fullscreen);
    EXPECT_FALSE(ztest_Fullscreen());
    EXPECT_EQ(ztest_WindowWidth(), 800);
    ztest_Frame();
}

TEST_F(Shell, OnAWiderScreenTheScaledFullScreenPictureTakesClicksWhereItsControlsAreShown)
{
    // 1920 x 1080: the 800 x 600 picture is scaled by 1.8 and centred
    // between bars 240 pixels wide.
    ztest_SetScreen(1920, 1080);
    press(K_F);
    ASSERT_TRUE(ztest_Fullscreen());
    ASSERT_EQ(ztest_WindowWidth(), 1920);
    // The first frame on the screen places the picture.
    ztest_Frame();
    EXPECT_EQ(ztest_Pixel(100, 540), 0u); // the bar
    auto screen_click = [](double x, double y) {
        ztest_ScreenMouseMove(static_cast<int>(240.0 + 1.8 * x), static_cast<int>(1.8 * y));
        click();
    };
    // The middle of the barrier button, at (25, 600 - 160) in the picture.
    const control* bar = ctl("tl_bar");
    screen_click(bar->rect.x + bar->rect.w / 2, bar->rect.y + bar->rect.h / 2);
    EXPECT_DOUBLE_EQ(shell.sit.E, 6.4);
    // A click in the bar left of the picture, level with the button, hits
    // nothing.
    ztest_ScreenMouseMove(100, 1080 - 160);
    click();
    EXPECT_DOUBLE_EQ(shell.sit.E, 6.4);
    screen_click(ctl("tl_jam")->rect.x + 20, ctl("tl_jam")->rect.y + 20);
    EXPECT_DOUBLE_EQ(shell.sit.V1, 9.0);
}

TEST_F(Shell, RandomWalkRunsLayoutAndStepInEveryTick)
{
    // A change the shell is not told of: the tick leaves the strips and the
    // coefficients alone while nothing changed.
    ztest_MouseMove(400, 200);
    const float v2_x = ctl("V2")->rect.x;
    shell.sit.x0 = 0.5;
    shell.sit.coef[0] = cplx(0.0, 0.0);
    ztest_Tick();
    EXPECT_EQ(ctl("V2")->rect.x, v2_x);
    EXPECT_EQ(shell.sit.coef[0], cplx(0.0, 0.0));
    // With the random walk on, every tick places the strips (layout) and
    // solves the state again (step: the incoming wave's A1 back to 1).
    press(K_M);
    ASSERT_TRUE(shell.konf.random_walk);
    for (double x0 : {0.5, -2.0, 1.0}) {
        shell.sit.x0 = x0;
        shell.sit.coef[0] = cplx(0.0, 0.0);
        ztest_Tick();
        EXPECT_FLOAT_EQ(ctl("V2")->rect.x, static_cast<float>((x0 + 5.25) * 700.0 / 10.5 + 50.0)) << x0;
        EXPECT_EQ(shell.sit.coef[0], cplx(1.0, 0.0)) << x0;
    }
}

TEST_F(Shell, ZoomStepsFollowTheExtendedPrecisionSequences)
{
    const std::vector<std::pair<double, double>> narrow = {{5.0, 210}, {4.8, 219}, {4.5, 234},
                                                           {4.3, 245}, {4.0, 263}, {3.8, 277},
                                                           {3.5, 301}, {3.3, 319}, {3.0, 351}};
    for (const auto& [h, d] : narrow) {
        press(K_KP_PLUS);
        EXPECT_DOUBLE_EQ(shell.konf.half_range, h);
        EXPECT_EQ(shell.konf.density, d);
    }
    press(K_KP_PLUS);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 3.0);
    EXPECT_EQ(shell.konf.density, 351);

    press(K_L);
    const std::vector<std::pair<double, double>> widen = {{5.4, 194}, {5.6, 187}, {5.7, 184},
                                                          {5.9, 178}, {6.1, 172}, {6.2, 169}};
    for (const auto& [h, d] : widen) {
        wheel_on("tl_lupa", M_WDOWN);
        EXPECT_DOUBLE_EQ(shell.konf.half_range, h);
        EXPECT_EQ(shell.konf.density, d);
    }
    press(K_L);
    int steps = 0;
    while (shell.konf.half_range < 150.0 && steps < 2000) {
        press(K_2);
        ++steps;
    }
    EXPECT_NEAR(steps, 870, 5);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 150.0);
    press(K_KP_MINUS);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 150.0);

    // The cut can overshoot: 3.0 widens to 3.2 and 3.4, 3.4 narrows to 3.1
    // and 2.9, below the limit.
    shell.konf.half_range = 3.0;
    press(K_2);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 3.2);
    press(K_2);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 3.4);
    press(K_1);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 3.1);
    press(K_1);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 2.9);
    wheel_on("tl_lupa", M_WUP);
    EXPECT_DOUBLE_EQ(shell.konf.half_range, 2.9);
}

TEST_F(Shell, TimeStepRisesToTwoPointOneAndFallsToOneAttosecondPerTick)
{
    move_to("tl_cas");
    for (int i = 1; i <= 16; ++i) {
        press(K_UP);
        EXPECT_NEAR(static_cast<double>(shell.konf.dt), (5 + i) * 1e-18, 1e-30) << i;
    }
    press(K_UP);
    ztest_Wheel(M_WUP);
    ztest_Tick();
    EXPECT_NEAR(static_cast<double>(shell.konf.dt), 2.1e-17, 1e-30);
    for (int i = 0; i < 25; ++i)
        press(K_DOWN);
    EXPECT_EQ(shell.konf.dt, 1e-18L);
    shell.konf.dt = 1.05e-18L;
    ztest_Wheel(M_WDOWN);
    ztest_Tick();
    EXPECT_EQ(shell.konf.dt, 1e-18L);
    // Up away from "tl_cas" is the engine's.
    ztest_MouseMove(400, 200);
    press(K_UP);
    EXPECT_EQ(shell.konf.dt, 1e-18L);
}

TEST_F(Shell, FrameShowsTimeReadOutAndStepLabel)
{
    shell.konf.t = 1.26e-15L;
    ztest_Frame();
    const zgl_prim* time = text_equal("t = 1.3 fs");
    ASSERT_NE(time, nullptr);
    EXPECT_TRUE(time->in_rect);
    EXPECT_EQ(time->x1, ctl("vypis")->rect.x);
    EXPECT_EQ(time->flags, 0u);
    const zgl_prim* label = text_equal("0.5fs/s");
    ASSERT_NE(label, nullptr);
    const control* cas = ctl("tl_cas");
    EXPECT_EQ(label->x1, cas->rect.x + 20);
    EXPECT_EQ(label->y1, cas->rect.y + 41);
    EXPECT_EQ(label->flags, TEXT_HALIGN_CENTER);
    EXPECT_EQ(label->color, 0xFFFFFFu);

    // Expanded, the listing is the engine's text with the time line after it.
    click_on("vypis");
    ztest_Frame();
    bool found = false;
    for (const zgl_prim& p : texts()) {
        const std::string tail = "\nt = 1.3 fs";
        if (p.in_rect && p.x1 == ctl("vypis")->rect.x && p.text.size() > tail.size() &&
            p.text.compare(p.text.size() - tail.size(), tail.size(), tail) == 0)
            found = true;
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(text_equal("t = 1.3 fs"), nullptr);

    shell.konf.t = 0;
    shell.konf.dt = 1e-18L;
    ztest_Frame();
    EXPECT_NE(text_equal("0.1fs/s"), nullptr);
    shell.konf.dt = 2.1e-17L;
    ztest_Frame();
    EXPECT_NE(text_equal("2.1fs/s"), nullptr);
    // In the last tenth of each second of running the label is green.
    shell.konf.dt = 5e-18L;
    shell.konf.t = 95 * shell.konf.dt;
    ztest_Frame();
    label = text_equal("0.5fs/s");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->color, 0x00FF00u);
    EXPECT_EQ(label->alpha, 255);
}

TEST_F(Shell, FrameDrawsPicturesAndHighlightsTheControlUnderTheMouse)
{
    ztest_MouseMove(2, 2);
    // Past the start hint, which is drawn after the highlight.
    ztest_Tick(int(HELP_HINT_TICKS));
    ztest_Frame();
    int sprites = 0;
    for (const zgl_prim& p : ztest_Prims())
        if (p.kind == zgl_prim::SPRITE && p.tex != nullptr && p.tex != shell.konf.arrow_texture) {
            ++sprites;
            EXPECT_EQ(p.flags, FX_BLEND);
        }
    EXPECT_EQ(sprites, 11); // the twelve buttons but "tl_sup", hidden here
    EXPECT_NE(ztest_Prims().back().kind, zgl_prim::RECT);

    move_to("tl_def");
    ztest_Frame();
    const zgl_prim& h = ztest_Prims().back();
    EXPECT_EQ(h.kind, zgl_prim::RECT);
    EXPECT_EQ(h.x1, 7);
    EXPECT_EQ(h.y1, 600 - 225 + 2);
    EXPECT_EQ(h.x2, 36);
    EXPECT_EQ(h.color, 0xFFFFFFu);
    EXPECT_EQ(h.alpha, 100);
    EXPECT_EQ(h.flags, PR2D_FILL);
    // Over a potential region the highlight is grey and fainter.
    ztest_MouseMove(600, 480);
    ztest_Frame();
    const zgl_prim& r = ztest_Prims().back();
    EXPECT_EQ(r.color, 0x555555u);
    EXPECT_EQ(r.alpha, 70);
}

TEST_F(Shell, PanelShowsModulusOrPhasors)
{
    open_panel();
    for (int j = 0; j < 10; ++j)
        C(j) = 0.0;
    C(0) = cplx(-0.5, 0.0);
    ztest_MouseMove(2, 2);
    ztest_Frame();
    const zgl_prim* v = text_equal("0.5");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->x1, ctl("C0")->rect.x);
    const zgl_prim* name = text_equal("C0");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->x1, ctl("C0")->rect.x - 13);
    EXPECT_EQ(name->flags, TEXT_HALIGN_CENTER | TEXT_VALIGN_CENTER);

    click_on("tl_%");
    C(0) = cplx(1.0, 0.0);
    C(1) = cplx(1.5, 0.0);
    ztest_MouseMove(2, 2);
    ztest_Frame();
    const zgl_rect r0 = ctl("C0")->rect, r1 = ctl("C1")->rect;
    const float cx0 = r0.x + r0.w / 2, cy0 = r0.y + r0.h / 2;
    const float cx1 = r1.x + r1.w / 2, cy1 = r1.y + r1.h / 2;
    bool black_pointer = false, dot = false, ring = false, red_pointer = false, ring1 = false;
    for (const zgl_prim& p : ztest_Prims()) {
        if (p.kind == zgl_prim::LINE && p.x1 == cx0 && p.y1 == cy0 && p.x2 == r0.x + r0.w && p.y2 == cy0 &&
            p.color == 0x000000)
            black_pointer = true;
        if (p.kind == zgl_prim::CIRCLE && p.x1 == r0.x + r0.w && p.y1 == cy0 && p.x2 == 2.0f &&
            p.flags == PR2D_FILL)
            dot = true;
        if (p.kind == zgl_prim::CIRCLE && p.x1 == cx0 && p.y1 == cy0 && p.x2 == r0.h / 2 && p.alpha == 100)
            ring = true;
        if (p.kind == zgl_prim::LINE && p.x1 == cx1 && p.y1 == cy1 && p.x2 == r1.x + r1.w && p.y2 == cy1 &&
            p.color == 0xFF0000)
            red_pointer = true;
        if (p.kind == zgl_prim::CIRCLE && p.x1 >= r1.x && p.x1 <= r1.x + r1.w && p.y1 >= r1.y &&
            p.y1 <= r1.y + r1.h)
            ring1 = true;
    }
    EXPECT_TRUE(black_pointer);
    EXPECT_TRUE(dot);
    EXPECT_TRUE(ring);
    EXPECT_TRUE(red_pointer);
    EXPECT_FALSE(ring1);
    // The grey box is really drawn: a corner outside the ring of |C0| = 1.
    EXPECT_EQ(ztest_Pixel(static_cast<int>(r0.x + 3), static_cast<int>(r0.y + 3)), 0x888888u);
}

TEST_F(Shell, FlatSystemWithAllEnergiesZeroDrawsWithoutFailing)
{
    shell.sit.E = shell.sit.V1 = shell.sit.V2 = shell.sit.V3 = 0.0;
    shell.sit.layout(shell.sit, shell.konf);
    shell.sit.step(shell.sit, shell.konf);
    ztest_Frame();
    EXPECT_NE(text_equal("t = 0 fs"), nullptr);
    click_on("tl_nek");
    shell.sit.E = shell.sit.V1 = shell.sit.V2 = shell.sit.V3 = 0.0;
    ztest_Frame();
    click_on("tl_osc");
    shell.sit.E = shell.sit.V1 = shell.sit.V2 = shell.sit.V3 = 0.0;
    ztest_Frame();
}

// "oscilator", C0 = C1 typed, X, time run to 1.3 fs: the marker's column is
// within a pixel of sqrt(hbar/(2 m w)) cos(w t) at the listed time, its bar
// spans <x> +- dx; a phasor click shows what was clicked; K: a normalised
// coherent state, time from 0.
TEST_F(Shell, ExpectationMarkerSitsAtTheTwoStateSwingAndPhasorsShowWhatWasGiven)
{
    click_on("tl_osc");
    click_on("tl_sup");
    for (const char* box : {"C0", "C1"}) {
        click_on(box);
        ztest_Text(".707");
        press(K_ENTER);
    }
    click_on("C4", M_BRIGHT); // the start-up state 4, once superposed
    press(K_X);
    click_on("vypis");
    press(K_SPACE);
    ztest_Tick(259);
    press(K_SPACE);
    ztest_Frame();
    const std::string& text = shell.sit.text;
    const double t = std::stod(text.substr(text.rfind("t = ") + 4)) * 1e-15, w = shell.sit.a;
    const double b = std::sqrt(6.582119514e-16 / (9.109e-31 * w)), c = std::cos(w * t);
    const double px = 700 / (2 * shell.konf.half_range), x = 400 + px * b / std::sqrt(2.0) * c;
    const double dx = px * b * std::sqrt(1 - c * c / 2);
    std::vector<int> orange; // the columns of row 30 in the marker's colour
    for (int i = 50; i <= 750; ++i)
        if (ztest_Pixel(i, 30) == 0xFF8000u)
            orange.push_back(i);
    ASSERT_EQ(orange.size(), 1u);
    EXPECT_LE(std::fabs(orange[0] - x), 1.0) << x;
    for (double u : {x - dx + 2, x, x + dx - 2})
        for (int y : {209, 210, 211})
            EXPECT_EQ(ztest_Pixel(int(u), y), 0xFF8000u) << u << ", " << y;
    EXPECT_NE(ztest_Pixel(int(x + dx + 3), 210), 0xFF8000u);
    click_on("tl_%");
    const zgl_rect r = ctl("C1")->rect;
    const double mx = int(r.x + r.w * 0.75), my = int(r.y + r.h * 0.25);
    ztest_MouseMove(int(mx), int(my));
    click();
    const cplx given(2 * (mx - r.x - r.w / 2.0) / r.w, -2 * (my - r.y - r.h / 2.0) / r.h);
    EXPECT_LT(std::abs(box_shown(shell.sit, 1, shell.konf.t) - given), 1e-12);
    EXPECT_GT(std::abs(C(1) - given), 0.1); // stored turned back
    press(K_K);
    EXPECT_TRUE(shell.konf.running && shell.konf.t == shell.konf.dt && shell.sit.E == -1.0);
    EXPECT_NEAR(C(0).real(), std::exp(-2.0) / std::sqrt(0.99187), 1e-4); // Poisson(4) up to 9: 0.99187
}

// ---- Lessons ------------------------------------------------------------

namespace {

// The fields a set-up keeps, as bytes: equal bytes are equal bits (an
// extended value as the two doubles that sum to it).
std::string setup_bits()
{
    const konfig& k = shell.konf;
    const situace& s = shell.sit;
    std::string b = s.system->name;
    auto put = [&b](const auto& v) { b.append(reinterpret_cast<const char*>(&v), sizeof v); };
    for (double v : {s.E, s.V1, s.V2, s.V3, s.a, s.x0, k.half_range, k.density})
        put(v);
    for (long double v : {k.t, k.dt})
        put(double(v)), put(double(v - double(v)));
    // The superposition's coefficients, or those the three-region step
    // works out from the parameters.
    for (int j = s.system->panel ? FIRST_COEF : 0; j < (s.system->panel ? FIRST_COEF + COEF_COUNT : 6); ++j)
        put(s.coef[j]);
    for (bool f : {k.reim_mode, k.show_re, k.show_im, k.show_labels, k.show_square, k.show_arrows})
        put(f);
    const packet_mode* m = packet_mode_of(s);
    put(m != nullptr && m->wanted);
    put(m != nullptr ? m->sigma : 0.0);
    return b;
}

} // namespace

TEST_F(Shell, SavedSetUpsOpenBitForBitForEverySystemAndThePacketAndStepInNameOrder)
{
    // The first save goes to the documents folder that user-dirs.dirs names.
    const std::string old_home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    setenv("HOME", dir_.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    fs::create_directories(dir_ / ".config");
    std::ofstream(dir_ / ".config/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Dokumenty\"\n";
    const fs::path lesson = dir_ / "Dokumenty" / "Vlnkar";
    struct {
        const char* button;
        std::vector<uint8_t> keys; // pressed over the plot, after the system's button
        bool panel;                // a superposition typed into C1, phase turned
    } cases[] = {
        {"tl_def", {K_UP, K_R, K_N, K_ENTER, K_1}, false},
        {"tl_bar", {K_RIGHT, K_UP, K_W, K_RBRACKET, K_SPACE}, false},
        {"tl_jam", {K_DOWN, K_DOWN, K_LEFT, K_2, K_S, K_I}, false},
        {"tl_nek", {K_RIGHT, K_RIGHT}, true},
        {"tl_osc", {K_2, K_UP, K_RIGHT}, true},
    };
    std::vector<std::string> saved;
    for (const auto& c : cases) {
        click_on(c.button);
        ztest_MouseMove(400, 250);
        for (uint8_t key : c.keys)
            press(key);
        ztest_Tick(40); // time runs for the packet
        if (c.panel) {
            click_on("tl_sup");
            click_on("C1");
            ztest_Text("0.3");
            press(K_ENTER);
            wheel_on("C1", M_WUP);
        }
        shell.konf.running = false;
        shell.konf.t += 1e-16L / 3;
        const std::string before = setup_bits();
        ztest_KeyDown(K_CTRL);
        press(K_S);
        ztest_KeyUp(K_CTRL);
        saved.push_back(shell.lesson_file);
        EXPECT_EQ(fs::path(saved.back()).parent_path(), lesson);
        press(K_L); // another view, and another system
        click_on(c.button == std::string("tl_def") ? "tl_osc" : "tl_def");
        ASSERT_TRUE(lesson_open(saved.back()));
        EXPECT_EQ(setup_bits(), before) << saved.back();
    }
    EXPECT_EQ(fs::path(saved[0]).filename(), "01-volna.vlnkar");
    EXPECT_EQ(fs::path(saved[4]).filename(), "05-oscilator.vlnkar");
    // Page Up and Page Down step through the folder in name order.
    press(K_PGUP);
    EXPECT_EQ(shell.lesson_file, saved[3]);
    press(K_PGUP);
    press(K_PGDN);
    press(K_PGDN);
    EXPECT_EQ(shell.lesson_file, saved[4]);
    press(K_PGDN); // the last one: it stays
    EXPECT_EQ(shell.lesson_file, saved[4]);
    setenv("HOME", old_home.c_str(), 1);
}

TEST_F(Shell, ASetUpFileIsReadDefensively)
{
    shell.lesson_dir = dir_.string();
    fs::create_directory(dir_ / "folder.vlnkar");
    ASSERT_EQ(mkfifo((dir_ / "fifo.vlnkar").c_str(), 0600), 0);
    const std::string head = "Vlnkar set-up 1\nsystem=";
    struct {
        std::string name, text; // "" text: the name is there already
        const char* system;     // null: refused, the free particle stays
        double E, a, half_range;
        long double dt;
    } cases[] = {
        {"not.vlnkar", "hello\nsystem=bariera\n", nullptr, 0, 0, 0, 0},
        {"unknown.vlnkar", head + "nope\n", nullptr, 0, 0, 0, 0},
        {"large.vlnkar", head + "bariera\n" + std::string(70000, '#'), nullptr, 0, 0, 0, 0},
        {"folder.vlnkar", "", nullptr, 0, 0, 0, 0},
        {"fifo.vlnkar", "", nullptr, 0, 0, 0, 0},
        // Not a number, out of range, unknown: default, held, ignored.
        {"b.vlnkar", head + "bariera\nE=nan\nV2=-3\nzzz=1\na=1e9\nhalf_range=0.001\ndt=1\n", "bariera", 6.4,
         0.9 * 2.9, 2.9, 2.1e-17L},
        // A 2 nm well has 23 levels below its 50 eV ceiling.
        {"w.vlnkar", "\xEF\xBB\xBF" + head + "jama_inf\r\nE=1000\r\na=9\r\n", "jama_inf", 23, 5, 5.25,
         5e-18L},
        // At half range 5.25 the ceiling is hbar * 13.125e15 rad/s: n = 12 at 1e15 rad/s.
        {"o.vlnkar", head + "oscilator\nE=40.4\na=0\ndt=1e-30\n", "oscilator", 12, 1e15, 5.25, 1e-18L},
    };
    for (const auto& c : cases) {
        click_on("tl_def");
        if (!c.text.empty())
            std::ofstream(dir_ / c.name, std::ios::binary) << c.text;
        testing::internal::CaptureStderr();
        EXPECT_EQ(lesson_open((dir_ / c.name).string()), c.system != nullptr) << c.name;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.system != nullptr ? 0 : 1) << err;
        EXPECT_EQ(std::string(shell.sit.system->name), c.system != nullptr ? c.system : "volna") << c.name;
        if (c.system == nullptr)
            continue;
        EXPECT_EQ(shell.sit.E, c.E) << c.name;
        EXPECT_DOUBLE_EQ(shell.sit.a, c.a) << c.name;
        EXPECT_EQ(shell.konf.half_range, c.half_range) << c.name;
        EXPECT_EQ(shell.konf.dt, c.dt) << c.name;
        EXPECT_EQ(shell.sit.V2, shell.sit.system == find_system("bariera") ? 0.0 : shell.sit.system->V2);
    }
}

TEST_F(Shell, ExportWritesTheShownPixelsAndTheWellsDensityAndADropOpensASetUp)
{
    shell.lesson_dir = dir_.string();
    click_on("tl_nek");
    press(K_ENTER);
    ztest_Frame();
    ztest_KeyDown(K_CTRL);
    press(K_E);
    ztest_KeyUp(K_CTRL);
    int w = 0, h = 0;
    std::vector<uint32_t> png;
    ASSERT_TRUE(ztest_LoadPNG((dir_ / "01-jama_inf.png").string(), w, h, png));
    ASSERT_EQ(w * h, 800 * 600);
    for (int y = 0; y < h; y += 3)
        for (int x = 0; x < w; x += 3)
            ASSERT_EQ(png[size_t(y * w + x)], ztest_Pixel(x, y)) << x << "," << y;
    // The ground state of the 1 nm well: |psi|^2 = 2 sin^2(pi x / nm + pi/2)
    // per nm, 2 in the middle and 0 at the walls and beyond them.
    std::istringstream csv(file_text(dir_ / "01-jama_inf.csv"));
    int rows = 0;
    for (std::string line; std::getline(csv, line);) {
        double x = 0, V = 0, re = 0, im = 0, d = 0;
        if (std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf,%lf", &x, &V, &re, &im, &d) != 5)
            continue;
        ++rows;
        const double inside = std::fabs(x) < 0.5 ? std::cos(M_PI * x) : 0.0;
        EXPECT_NEAR(d, 2.0 * inside * inside, 1e-9) << line;
        if (std::fabs(std::fabs(x) - 0.5) > 1e-9) {
            EXPECT_EQ(V, std::fabs(x) < 0.5 ? 0.0 : HUGE_VAL) << line;
        }
    }
    EXPECT_EQ(rows, 2101);
    // The saved set-up, dropped on the window.
    ztest_KeyDown(K_CTRL);
    press(K_S);
    ztest_KeyUp(K_CTRL);
    click_on("tl_osc");
    ztest_DropFile((dir_ / "02-jama_inf.vlnkar").string());
    ztest_Tick();
    EXPECT_EQ(std::string(shell.sit.system->name), "jama_inf");
}
