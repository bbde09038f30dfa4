// The graphics layer in its offscreen test mode: pixels drawn by the real
// SDL backend read back at known places, input injected as events, the
// picture archive built here from a picture we draw and the DejaVu font.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/zgl_clock.h"
#include "platform/zgl_test.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

int red(uint32_t c)
{
    return (c >> 16) & 0xFF;
}
int green(uint32_t c)
{
    return (c >> 8) & 0xFF;
}
int blue(uint32_t c)
{
    return c & 0xFF;
}

// What the draw callback of a test paints.
void (*g_scene)() = nullptr;
void draw_scene()
{
    if (g_scene)
        g_scene();
}

// A test window of the given size with `scene` as its draw callback.
void open(void (*scene)(), uint16_t w = 800, uint16_t h = 600)
{
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    g_scene = scene;
    zgl_Reg(SYS_DRAW, draw_scene);
    scr_SetOptions(w, h, 1, false, true);
    zgl_Init();
}

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1, count = 0;
};

// The bounding box of the pixels that are not black within a region.
Box lit(int x0, int y0, int x1, int y1)
{
    Box b;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (ztest_Pixel(x, y) != kBlack) {
                b.x0 = std::min(b.x0, x);
                b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x);
                b.y1 = std::max(b.y1, y);
                b.count++;
            }
    return b;
}

fs::path scratch_dir(const std::string& name)
{
    fs::path d = fs::temp_directory_path() / ("vlnkar_platform_" + std::to_string(getpid())) / name;
    fs::create_directories(d);
    return d;
}

// Draws a 40 x 40 picture, red on the left half and blue on the right, and
// saves it as a PNG.
void scene_two_halves()
{
    pr2d_Rect(0, 0, 20, 40, kRed, 255, PR2D_FILL);
    pr2d_Rect(20, 0, 20, 40, kBlue, 255, PR2D_FILL);
}
void write_picture(const fs::path& png)
{
    open(scene_two_halves, 40, 40);
    ztest_Frame();
    ASSERT_TRUE(ztest_SavePNG(png.string()));
    ztest_Shutdown();
}

// An archive with "font.zfi" (DejaVu Sans) and "pic.png" in `dir`.
fs::path make_archive(const fs::path& dir, const std::string& name)
{
    write_picture(dir / "pic.png");
    fs::copy_file(kDejaVu, dir / "font.zfi", fs::copy_options::overwrite_existing);
    std::string cmd =
        "cd '" + dir.string() + "' && cmake -E tar cf '" + name + "' --format=zip -- font.zfi pic.png";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return dir / name;
}

// Removes the scratch folders when the tests end.
struct ScratchCleanup : ::testing::Environment {
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(fs::temp_directory_path() / ("vlnkar_platform_" + std::to_string(getpid())), ec);
    }
};
[[maybe_unused]] ::testing::Environment* const g_cleanup =
    ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

int stderr_lines(const std::string& s)
{
    int n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

class Platform : public ::testing::Test {
  protected:
    void TearDown() override
    {
        ztest_Shutdown();
        g_scene = nullptr;
    }
};

// ---------------------------------------------------------------- recorder

TEST_F(Platform, DrawingWithoutAWindowIsRecordedAndNonFiniteCoordinatesAreSkipped)
{
    ztest_ClearPrims();
    pr2d_Line(1, 2, 3, 4, 0x123456, 200);
    pr2d_Line(NAN, 2, 3, 4, 0xFFFFFF);
    pr2d_Rect(0, 0, INFINITY, 4, 0xFFFFFF);
    pr2d_Circle(5, 6, 7, 0x00FF00, 255, 32, PR2D_FILL);
    text_Draw(nullptr, 10, 20, "E = 1 eV", TEXT_HALIGN_CENTER);
    text_DrawEx(nullptr, 1, 2, 1.5f, 0, "x", 100, 0x00FF00);
    text_DrawInRect(nullptr, {1, 2, 3, 4}, "in", TEXT_VALIGN_CENTER);
    ssprite2d_Draw(nullptr, 1, 2, 3, 4, NAN);

    const auto& p = ztest_Prims();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].kind, zgl_prim::LINE);
    EXPECT_EQ(p[0].color, 0x123456u);
    EXPECT_EQ(p[0].alpha, 200);
    EXPECT_EQ(p[0].y2, 4);
    EXPECT_EQ(p[1].kind, zgl_prim::CIRCLE);
    EXPECT_EQ(p[1].x2, 7);
    EXPECT_EQ(p[1].flags, PR2D_FILL);
    EXPECT_EQ(p[2].text, "E = 1 eV");
    EXPECT_EQ(p[2].color, 0xFFFFFFu); // white by default
    EXPECT_FALSE(p[2].in_rect);
    EXPECT_EQ(p[3].scale, 1.5f);
    EXPECT_EQ(p[3].color, 0x00FF00u);
    EXPECT_TRUE(p[4].in_rect);
    EXPECT_EQ(p[4].y2, 4);
    ztest_ClearPrims();
    EXPECT_TRUE(ztest_Prims().empty());
}

// ---------------------------------------------------------------- pixels

TEST_F(Platform, AnOpaqueLineLightsItsPixelsInItsColourAndNoOthers)
{
    open([] { pr2d_Line(10, 20, 30, 20, kRed); });
    ztest_Frame();
    for (int x = 10; x <= 30; x++)
        EXPECT_EQ(ztest_Pixel(x, 20), kRed) << x;
    EXPECT_EQ(ztest_Pixel(9, 20), kBlack);
    EXPECT_EQ(ztest_Pixel(31, 20), kBlack);
    EXPECT_EQ(ztest_Pixel(20, 19), kBlack);
    EXPECT_EQ(ztest_Pixel(20, 21), kBlack);
}

// Joined lines of one colour go to SDL as one polyline; the picture must be
// the one the separate lines give.
TEST_F(Platform, JoinedLinesGiveTheSamePixelsAsSeparateLines)
{
    static const float pts[][2] = {{10, 10},   {50, 13.5f},  {90, 80},  {91, 200},
                                   {300, 199}, {100, 20.7f}, {400, 400}};
    constexpr int n = sizeof pts / sizeof pts[0];
    open([] {
        for (int i = 0; i + 1 < n; i++)
            pr2d_Line(pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], 0x00FF00);
    });
    ztest_Frame();
    std::vector<uint32_t> joined;
    for (int y = 0; y < 420; y++)
        for (int x = 0; x < 420; x++)
            joined.push_back(ztest_Pixel(x, y));
    ztest_Shutdown();

    // The same segments from last to first: no segment starts where the one
    // before ended, so each is drawn on its own.
    open([] {
        for (int i = n - 2; i >= 0; i--)
            pr2d_Line(pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], 0x00FF00);
    });
    ztest_Frame();
    int differing = 0, lit_pixels = 0;
    for (int y = 0, k = 0; y < 420; y++)
        for (int x = 0; x < 420; x++, k++) {
            differing += ztest_Pixel(x, y) != joined[k];
            lit_pixels += joined[k] != kBlack;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lit_pixels, 1000);
}

TEST_F(Platform, ATranslucentFilledRectangleBlendsOverWhatLiesBelow)
{
    open([] {
        pr2d_Rect(100, 100, 50, 50, 0xFFFFFF, 255, PR2D_FILL);
        pr2d_Rect(125, 100, 50, 50, kRed, 128, PR2D_FILL);
    });
    ztest_Frame();
    uint32_t over_white = ztest_Pixel(140, 120), over_black = ztest_Pixel(160, 120);
    EXPECT_EQ(red(over_white), 255);
    EXPECT_NEAR(green(over_white), 127, 2);
    EXPECT_NEAR(blue(over_white), 127, 2);
    EXPECT_NEAR(red(over_black), 128, 2);
    EXPECT_EQ(green(over_black), 0);
    EXPECT_EQ(ztest_Pixel(110, 120), 0xFFFFFFu);
    // An outline is one pixel wide along the edges of w x h pixels.
    ztest_Shutdown();
    open([] { pr2d_Rect(10, 10, 20, 10, kBlue); });
    ztest_Frame();
    EXPECT_EQ(ztest_Pixel(10, 10), kBlue);
    EXPECT_EQ(ztest_Pixel(29, 19), kBlue);
    EXPECT_EQ(ztest_Pixel(20, 15), kBlack);
    EXPECT_EQ(ztest_Pixel(30, 15), kBlack);
}

TEST_F(Platform, AFilledCircleCoversTheAreaOfItsPolygonAndAnOutlineOnlyItsRing)
{
    // The 32-gon of radius 40 has area 16 r^2 sin(pi/16) = 4994.6 px^2.
    open([] { pr2d_Circle(200, 200, 40, kRed, 255, 32, PR2D_FILL); });
    ztest_Frame();
    Box b = lit(150, 150, 250, 250);
    EXPECT_NEAR(b.count, 16 * 1600 * std::sin(M_PI / 16), 50);
    EXPECT_NEAR(b.x0, 160, 1);
    EXPECT_NEAR(b.x1, 239, 1);
    EXPECT_EQ(ztest_Pixel(200, 200), kRed);
    ztest_Shutdown();

    open([] { pr2d_Circle(200, 200, 40, kRed, 255, 32, 0); });
    ztest_Frame();
    b = lit(150, 150, 250, 250);
    EXPECT_NEAR(b.count, 2 * M_PI * 40, 30); // about the circumference
    EXPECT_EQ(ztest_Pixel(200, 200), kBlack);
    for (int y = 150; y < 250; y++)
        for (int x = 150; x < 250; x++)
            if (ztest_Pixel(x, y) != kBlack) {
                EXPECT_NEAR(std::hypot(x - 200, y - 200), 40, 2) << x << "," << y;
            }
}

TEST_F(Platform, ASpriteTurnedByNinetyDegreesLiesClockwiseAboutItsCentre)
{
    fs::path png = scratch_dir("sprite") / "halves.png";
    write_picture(png);
    static zgl_texture* tex;
    static float angle;
    open([] { ssprite2d_Draw(tex, 100, 100, 40, 40, angle, 255, FX_BLEND); });
    tex = tex_LoadFromFile(png.string());
    ASSERT_NE(tex, nullptr);

    angle = 0;
    ztest_Frame();
    EXPECT_GT(red(ztest_Pixel(105, 120)), 200);
    EXPECT_GT(blue(ztest_Pixel(135, 120)), 200);

    // Clockwise on the screen: the left (red) half turns to the top.
    angle = 90;
    ztest_Frame();
    EXPECT_GT(red(ztest_Pixel(120, 105)), 200);
    EXPECT_LT(blue(ztest_Pixel(120, 105)), 50);
    EXPECT_GT(blue(ztest_Pixel(120, 135)), 200);
    EXPECT_LT(red(ztest_Pixel(120, 135)), 50);
    EXPECT_EQ(ztest_Pixel(95, 120), kBlack);
}

TEST_F(Platform, CoordinatesFarOffTheScreenAreDrawnWithoutHangingOrCrashing)
{
    open([] {
        pr2d_Line(0, 0, 1e30f, 1e30f, kRed);
        pr2d_Line(-3e9f, 50, 3e9f, 50, kRed);
        pr2d_Rect(-1e20f, 300, 2e20f, 5, kBlue, 255, PR2D_FILL);
        pr2d_Circle(400, 300, 1e20f, 0x00FF00, 100, 32, PR2D_FILL);
        pr2d_Circle(400, 300, 1e9f, 0x00FF00, 255, 65535, 0);
    });
    ztest_Frame();
    EXPECT_EQ(ztest_Pixel(10, 10), kRed);
    EXPECT_EQ(ztest_Pixel(700, 50), kRed);
    EXPECT_EQ(blue(ztest_Pixel(700, 302)), 255);
}

// ---------------------------------------------------------------- frames

TEST_F(Platform, AFrameEqualToTheOneShownIsNotDrawnAgain)
{
    static uint32_t colour = kRed;
    open([] { pr2d_Rect(0, 0, 10, 10, colour, 255, PR2D_FILL); });
    ztest_Frame();
    EXPECT_TRUE(ztest_LastFramePresented());
    ztest_Frame();
    EXPECT_FALSE(ztest_LastFramePresented());
    colour = kBlue;
    ztest_Frame();
    EXPECT_TRUE(ztest_LastFramePresented());
    EXPECT_EQ(ztest_Pixel(5, 5), kBlue);
    colour = kRed;

    // With rasterising off only the primitives are recorded.
    ztest_SetRaster(false);
    ztest_Frame();
    EXPECT_FALSE(ztest_LastFramePresented());
    EXPECT_EQ(ztest_Prims().size(), 1u);
    EXPECT_EQ(ztest_Pixel(5, 5), kBlue);
}

TEST_F(Platform, TicksRunTheTimerAndShutdownRunsTheExitCallbackOnce)
{
    static int ticks, loads, exits;
    ticks = loads = exits = 0;
    ztest_Enable();
    ASSERT_TRUE(zglLoad());
    timer_Add([] { ticks++; }, 10);
    zgl_Reg(SYS_LOAD, [] { loads++; });
    zgl_Reg(SYS_EXIT, [] { exits++; });
    wnd_SetCaption("Vlnkar");
    scr_SetOptions(640, 480, 1, false, true);
    zgl_Init();
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(ztest_WindowWidth(), 640);
    EXPECT_EQ(ztest_WindowHeight(), 480);
    EXPECT_EQ(ztest_Caption(), "Vlnkar");
    ztest_Tick(3);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(ztest_ExitRequested());
    zgl_Exit();
    EXPECT_TRUE(ztest_ExitRequested());
    scr_SetOptions(640, 480, 1, true, true);
    EXPECT_TRUE(ztest_Fullscreen());
    ztest_Shutdown();
    ztest_Shutdown();
    EXPECT_EQ(exits, 1);
    ztest_Tick();
    EXPECT_EQ(ticks, 3); // the timer was forgotten
    EXPECT_FALSE(ztest_ExitRequested());
}

TEST(PlatformClock, TheTimerAveragesOneCallPerIntervalAndAStallCatchesUpAtMostTenCalls)
{
    double backlog = 0;
    int calls = 0;
    // Frames of 16.7 ms for one second: 100 calls of a 10 ms timer.
    for (int f = 0; f < 60; f++)
        calls += zgl::due_calls(backlog, 1000.0 / 60, 10);
    EXPECT_NEAR(calls, 100, 1);
    // A slow frame of 35 ms: three calls now, 5 ms kept for the next.
    backlog = 0;
    EXPECT_EQ(zgl::due_calls(backlog, 35, 10), 3);
    EXPECT_EQ(zgl::due_calls(backlog, 5, 10), 1);
    // A stall of half a second: ten calls, and the rest is dropped.
    backlog = 0;
    EXPECT_EQ(zgl::due_calls(backlog, 500, 10), 10);
    EXPECT_EQ(zgl::due_calls(backlog, 9, 10), 0);
    EXPECT_EQ(zgl::due_calls(backlog, 1e12, 10), 10);
    EXPECT_EQ(zgl::due_calls(backlog, -5, 10), 0); // a clock step back is no time
}

// ---------------------------------------------------------------- input

TEST_F(Platform, EveryKeyTheProgramUsesMapsFromItsSdlKeyToItsScanCode)
{
    open(nullptr);
    // SDL scancodes are USB HID usages.
    struct {
        int hid;
        uint8_t scan;
    } keys[] = {{41, K_ESCAPE}, {30, K_1},     {31, K_2},        {21, K_R},       {12, K_I},   {19, K_P},
                {40, K_ENTER},  {88, K_ENTER}, {22, K_S},        {9, K_F},        {15, K_L},   {17, K_N},
                {16, K_M},      {44, K_SPACE}, {86, K_KP_MINUS}, {87, K_KP_PLUS}, {82, K_UP},  {80, K_LEFT},
                {79, K_RIGHT},  {81, K_DOWN},  {225, K_SHIFT},   {229, K_SHIFT},  {4, 0x1E},   {29, 0x2C},
                {39, 0x0B},     {42, 0x0E},    {58, 0x3B},       {69, 0x58},      {225, 0x2A}, {229, 0x36}};
    for (auto k : keys) {
        ztest_SDLKey(k.hid, true);
        ztest_Tick();
        EXPECT_TRUE(key_Press(k.scan)) << k.hid;
        EXPECT_TRUE(key_Down(k.scan)) << k.hid;
        ztest_SDLKey(k.hid, false);
        key_ClearState();
        ztest_Tick();
        EXPECT_FALSE(key_Down(k.scan)) << k.hid;
        EXPECT_FALSE(key_Press(k.scan)) << k.hid;
    }
}

TEST_F(Platform, APressCountsUntilClearedWhileHoldingAndAutoRepeatAreNoNewPress)
{
    open(nullptr);
    ztest_KeyDown(K_UP);
    ztest_Tick();
    EXPECT_TRUE(key_Press(K_UP));
    EXPECT_TRUE(key_Down(K_UP));
    EXPECT_FALSE(key_Press(K_DOWN));
    key_ClearState();
    EXPECT_FALSE(key_Press(K_UP));
    EXPECT_TRUE(key_Down(K_UP)); // still held

    ztest_KeyDown(K_UP, true); // auto-repeat
    ztest_Tick();
    EXPECT_FALSE(key_Press(K_UP));
    EXPECT_TRUE(key_Down(K_UP));

    // Pressed and released between two ticks: the press is still seen.
    ztest_KeyUp(K_UP);
    ztest_KeyDown(K_SPACE);
    ztest_KeyUp(K_SPACE);
    ztest_Tick();
    EXPECT_FALSE(key_Down(K_UP));
    EXPECT_TRUE(key_Press(K_SPACE));
    EXPECT_FALSE(key_Down(K_SPACE));

    // Either Shift holds 0xFC until both are up.
    ztest_SDLKey(225, true);
    ztest_SDLKey(229, true);
    ztest_SDLKey(225, false);
    ztest_Tick();
    EXPECT_TRUE(key_Down(K_SHIFT));
    ztest_SDLKey(229, false);
    ztest_Tick();
    EXPECT_FALSE(key_Down(K_SHIFT));
}

TEST_F(Platform, KeysAndButtonsHeldWhenTheWindowLosesTheFocusAreReleased)
{
    // Their releases go to the other window: without this Up would keep
    // raising the energy after the user has switched away.
    open(nullptr);
    ztest_KeyDown(K_UP);
    ztest_SDLKey(225, true); // left Shift
    ztest_MouseButton(M_BLEFT, true);
    ztest_MouseButton(M_BRIGHT, true);
    ztest_Tick();
    ASSERT_TRUE(key_Down(K_UP) && key_Down(K_SHIFT) && mouse_Down(M_BLEFT) && mouse_Down(M_BRIGHT));
    ztest_FocusLost();
    ztest_Tick();
    EXPECT_FALSE(key_Down(K_UP));
    EXPECT_FALSE(key_Down(K_SHIFT));
    EXPECT_FALSE(mouse_Down(M_BLEFT));
    EXPECT_FALSE(mouse_Down(M_BRIGHT));
}

TEST_F(Platform, FullScreenScalesThePictureToTheScreenBetweenBarsAndMapsTheMouseBack)
{
    // An 800 x 600 picture, white with a red square at (100, 100), on
    // screens of other shapes: scaled by the smaller ratio, centred, black
    // bars on the remaining sides.
    struct screen {
        int w, h;
    } screens[] = {{1280, 1024}, {1920, 1080}, {800, 600}, {1024, 768}};
    for (const screen& sc : screens) {
        SCOPED_TRACE(std::to_string(sc.w) + " x " + std::to_string(sc.h));
        open([] {
            pr2d_Rect(0, 0, 800, 600, 0xFFFFFF, 255, PR2D_FILL);
            pr2d_Rect(100, 100, 50, 50, kRed, 255, PR2D_FILL);
        });
        ztest_SetScreen(sc.w, sc.h);
        zgl_Enable(CORRECT_RESOLUTION);
        scr_CorrectResolution(800, 600);
        scr_SetOptions(800, 600, 1, true, true);
        ztest_Frame();
        ASSERT_EQ(ztest_WindowWidth(), sc.w);
        ASSERT_EQ(ztest_WindowHeight(), sc.h);
        const double s = std::min(sc.w / 800.0, sc.h / 600.0);
        const double bx = (sc.w - 800.0 * s) / 2, by = (sc.h - 600.0 * s) / 2;
        auto screen_x = [&](double x) { return static_cast<int>(bx + x * s); };
        auto screen_y = [&](double y) { return static_cast<int>(by + y * s); };
        // The bars, the picture's corners just inside them, the red square.
        if (bx >= 2) {
            EXPECT_EQ(ztest_Pixel(static_cast<int>(bx) - 2, sc.h / 2), kBlack);
        }
        if (by >= 2) {
            EXPECT_EQ(ztest_Pixel(sc.w / 2, static_cast<int>(by) - 2), kBlack);
        }
        EXPECT_EQ(ztest_Pixel(screen_x(2), screen_y(2)), 0xFFFFFFu);
        EXPECT_EQ(ztest_Pixel(screen_x(798), screen_y(598)), 0xFFFFFFu);
        EXPECT_EQ(ztest_Pixel(screen_x(125), screen_y(125)), kRed);
        EXPECT_EQ(ztest_Pixel(screen_x(160), screen_y(125)), 0xFFFFFFu);
        // The screen pixel under the middle of a logical pixel reads back as
        // that logical pixel, and so does the first screen pixel wholly
        // inside it.
        for (const auto& [x, y] : {std::pair{125, 125}, {0, 0}, {799, 599}, {400, 300}}) {
            ztest_ScreenMouseMove(screen_x(x + 0.5), screen_y(y + 0.5));
            ztest_Tick();
            EXPECT_EQ(mouse_X(), x);
            EXPECT_EQ(mouse_Y(), y);
            // (Worked out exactly: on 1280 x 1024 the scale is 8/5, so
            // logical 125 begins exactly at screen pixel 200.)
            const int first_x = static_cast<int>(std::ceil(bx + x * s - 1e-9));
            const int first_y = static_cast<int>(std::ceil(by + y * s - 1e-9));
            ztest_ScreenMouseMove(first_x, first_y);
            ztest_Tick();
            EXPECT_EQ(mouse_X(), x);
            EXPECT_EQ(mouse_Y(), y);
        }
        ztest_Shutdown();
    }
}

TEST_F(Platform, TypedTextIsCollectedOnlyWhileReadingUpToTheLimitAndBackspaceRemovesACharacter)
{
    open(nullptr);
    ztest_Text("12");
    ztest_Tick();
    key_BeginReadText("", 4);
    EXPECT_EQ(key_GetText(), "");
    ztest_Text("0,5");
    ztest_Tick();
    EXPECT_EQ(key_GetText(), "0,5");
    ztest_Text("67");
    ztest_Tick();
    EXPECT_EQ(key_GetText(), "0,56"); // four characters at most
    ztest_KeyDown(0x0E);              // Backspace
    ztest_KeyDown(0x0E, true);        // and its repeat
    ztest_Tick();
    EXPECT_EQ(key_GetText(), "0,");
    // Characters, not bytes: "č" is two bytes in UTF-8.
    ztest_Text("čř");
    ztest_KeyDown(0x0E);
    ztest_Tick();
    EXPECT_EQ(key_GetText(), "0,č");
    key_EndReadText();
    ztest_Text("9");
    ztest_Tick();
    EXPECT_EQ(key_GetText(), "0,č");

    key_BeginReadText("ab", 3);
    ztest_Text(std::string(40, 'x')); // longer than one SDL text event
    ztest_Tick();
    EXPECT_EQ(key_GetText(), "abx");
}

TEST_F(Platform, MouseButtonsWheelAndPositionAreReportedUntilCleared)
{
    open(nullptr);
    ztest_MouseMove(123, 45);
    ztest_MouseButton(M_BLEFT, true);
    ztest_Tick();
    EXPECT_EQ(mouse_X(), 123);
    EXPECT_EQ(mouse_Y(), 45);
    EXPECT_TRUE(mouse_Click(M_BLEFT));
    EXPECT_TRUE(mouse_Down(M_BLEFT));
    EXPECT_FALSE(mouse_Up(M_BLEFT));
    EXPECT_FALSE(mouse_Click(M_BRIGHT));
    mouse_ClearState();
    EXPECT_FALSE(mouse_Click(M_BLEFT));
    EXPECT_TRUE(mouse_Down(M_BLEFT));

    ztest_MouseButton(M_BLEFT, false);
    ztest_MouseButton(M_BRIGHT, true);
    ztest_Wheel(M_WDOWN);
    ztest_Tick();
    EXPECT_TRUE(mouse_Up(M_BLEFT));
    EXPECT_FALSE(mouse_Down(M_BLEFT));
    EXPECT_TRUE(mouse_Click(M_BRIGHT));
    EXPECT_TRUE(mouse_Wheel(M_WDOWN));
    EXPECT_FALSE(mouse_Wheel(M_WUP));
    EXPECT_FALSE(mouse_Click(7));
    mouse_ClearState();
    EXPECT_FALSE(mouse_Up(M_BLEFT));
    EXPECT_FALSE(mouse_Wheel(M_WDOWN));
    EXPECT_TRUE(mouse_Down(M_BRIGHT));
    // Key and mouse states are cleared apart.
    ztest_KeyDown(K_ESCAPE);
    ztest_Wheel(M_WUP);
    ztest_Tick();
    mouse_ClearState();
    EXPECT_TRUE(key_Press(K_ESCAPE));
    EXPECT_FALSE(mouse_Wheel(M_WUP));
}

// ---------------------------------------------------------------- archive and text

class Archive : public Platform {
  protected:
    void SetUp() override
    {
        dir = scratch_dir("archive");
        archive = make_archive(dir, "textury.dat");
        old_cwd = fs::current_path();
    }
    void TearDown() override
    {
        Platform::TearDown();
        fs::current_path(old_cwd);
    }
    fs::path dir, archive, old_cwd;
};

TEST_F(Archive, NamesResolveInsideTheArchiveFoundInTheCurrentDirectory)
{
    fs::current_path(dir);
    fs::remove(dir / "pic.png");
    fs::remove(dir / "font.zfi");
    open(nullptr);
    ASSERT_TRUE(file_OpenArchive("textury.dat", ""));
    zgl_texture* t = tex_LoadFromFile("pic.png");
    zgl_font* f = font_LoadFromFile("font.zfi");
    EXPECT_NE(t, nullptr);
    EXPECT_NE(f, nullptr);
    // Loading again (as the switch to full screen does) gives the same handles.
    EXPECT_EQ(tex_LoadFromFile("pic.png"), t);
    EXPECT_EQ(font_LoadFromFile("font.zfi"), f);
    file_CloseArchive();
    // Closed: the names no longer resolve (the files are not on disk).
    testing::internal::CaptureStderr();
    EXPECT_EQ(tex_LoadFromFile("pic.png"), nullptr);
    EXPECT_EQ(stderr_lines(testing::internal::GetCapturedStderr()), 1);
}

TEST_F(Archive, ARelativeArchiveNameIsFoundBesideTheProgramWhenTheCurrentDirectoryHasNone)
{
    fs::path exe_dir = fs::read_symlink("/proc/self/exe").parent_path();
    fs::path beside = exe_dir / ("zgl_beside_" + std::to_string(getpid()) + ".dat");
    fs::copy_file(archive, beside, fs::copy_options::overwrite_existing);
    fs::path empty = scratch_dir("empty");
    fs::current_path(empty);
    open(nullptr);
    bool opened = file_OpenArchive(beside.filename().string(), "");
    zgl_texture* t = tex_LoadFromFile("pic.png");
    fs::remove(beside);
    EXPECT_TRUE(opened);
    EXPECT_NE(t, nullptr);
}

TEST_F(Archive, AMissingOrCorruptArchiveGivesOneLineOnStderrAndNullHandles)
{
    fs::path empty = scratch_dir("empty");
    fs::current_path(empty);
    open(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(file_OpenArchive("nothing_here.dat", ""));
    EXPECT_EQ(stderr_lines(testing::internal::GetCapturedStderr()), 1);
    EXPECT_EQ(tex_LoadFromFile("pic.png"), nullptr);
    EXPECT_EQ(font_LoadFromFile("font.zfi"), nullptr);

    {
        std::ofstream bad(empty / "broken.dat", std::ios::binary);
        bad << "PK\x03\x04 this is no zip at all";
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(file_OpenArchive("broken.dat", ""));
    // The archive's failure covers the files missing with it: they are not
    // named again. A file that is there but damaged is, once per name.
    EXPECT_EQ(tex_LoadFromFile("other.png"), nullptr);
    EXPECT_EQ(stderr_lines(testing::internal::GetCapturedStderr()), 1);
    std::ofstream(empty / "other.png", std::ios::binary) << "not a picture";
    testing::internal::CaptureStderr();
    EXPECT_EQ(tex_LoadFromFile("other.png"), nullptr);
    EXPECT_EQ(tex_LoadFromFile("other.png"), nullptr);
    EXPECT_EQ(stderr_lines(testing::internal::GetCapturedStderr()), 1);
    // Drawing with the null handles draws nothing and does not crash.
    ssprite2d_Draw(nullptr, 0, 0, 10, 10, 0);
    text_Draw(nullptr, 0, 0, "x");
    ztest_Frame();
}

// Text drawn with the archive's font, for the tests below.
zgl_font* g_font;
std::string g_text;
zgl_rect g_rect;
uint32_t g_flags;

TEST_F(Archive, TextLiesInItsBoxAndTheCentringFlagsCentreIt)
{
    fs::current_path(dir);
    open([] { text_Draw(g_font, 100, 100, g_text, g_flags); });
    ASSERT_TRUE(file_OpenArchive("textury.dat", ""));
    g_font = font_LoadFromFile("font.zfi");
    ASSERT_NE(g_font, nullptr);

    g_text = "Hello";
    g_flags = 0;
    ztest_Frame();
    Box b = lit(0, 0, 400, 300);
    EXPECT_GT(b.count, 30);
    EXPECT_GE(b.x0, 100);
    EXPECT_LE(b.x0, 102);
    EXPECT_GE(b.y0, 100);
    EXPECT_LT(b.y1, 100 + 15);
    EXPECT_LT(b.x1, 100 + 45);
    uint32_t brightest = 0; // white by default
    for (int y = b.y0; y <= b.y1; y++)
        for (int x = b.x0; x <= b.x1; x++)
            brightest = std::max(brightest, ztest_Pixel(x, y));
    EXPECT_EQ(brightest, 0xFFFFFFu);

    g_flags = TEXT_HALIGN_CENTER | TEXT_VALIGN_CENTER;
    ztest_Frame();
    b = lit(0, 0, 400, 300);
    EXPECT_NEAR((b.x0 + b.x1) / 2.0, 100, 2);
    EXPECT_NEAR((b.y0 + b.y1) / 2.0, 100, 3);

    // Seven lines fit into 100 pixels: the line skip is about 14 px.
    g_text = "H\nH";
    g_flags = 0;
    ztest_Frame();
    Box first = lit(0, 90, 400, 113), second = lit(0, 113, 400, 140);
    EXPECT_NEAR(second.y0 - first.y0, 14, 1);
}

TEST_F(Archive, TextInARectangleWrapsAtItsWidthCentresAndRunsPastItsBottom)
{
    fs::current_path(dir);
    open([] { text_DrawInRect(g_font, g_rect, g_text, g_flags); });
    ASSERT_TRUE(file_OpenArchive("textury.dat", ""));
    g_font = font_LoadFromFile("font.zfi");
    ASSERT_NE(g_font, nullptr);

    g_text = "one two three four five six";
    g_rect = {100, 100, 80, 20};
    g_flags = 0;
    ztest_Frame();
    Box b = lit(0, 0, 400, 300);
    EXPECT_GE(b.x0, 100);
    EXPECT_LE(b.x1, 180);
    EXPECT_GT(b.y1, 100 + 2 * 14); // three lines or more, past the bottom at 120

    // A line feed starts a new line even when the text would fit.
    g_text = "a\nb";
    g_rect = {100, 100, 300, 100};
    ztest_Frame();
    b = lit(0, 0, 450, 300);
    EXPECT_GT(b.y1 - b.y0, 14);

    // 0x22 centres within the rectangle.
    g_text = "centre";
    g_rect = {100, 100, 200, 60};
    g_flags = TEXT_HALIGN_CENTER | TEXT_VALIGN_CENTER;
    ztest_Frame();
    b = lit(0, 0, 450, 300);
    EXPECT_NEAR((b.x0 + b.x1) / 2.0, 200, 2);
    EXPECT_NEAR((b.y0 + b.y1) / 2.0, 130, 3);
    g_flags = TEXT_VALIGN_CENTER;
    ztest_Frame();
    b = lit(0, 0, 450, 300);
    EXPECT_GE(b.x0, 103); // a 3-pixel margin from the left edge
    EXPECT_LE(b.x0, 105);
    EXPECT_NEAR((b.y0 + b.y1) / 2.0, 130, 3);

    // Colour and alpha of text_DrawEx.
    ztest_Shutdown();
    open([] { text_DrawEx(g_font, 100, 100, 2, 0, "H", 255, 0x00FF00); });
    ASSERT_TRUE(file_OpenArchive("textury.dat", ""));
    g_font = font_LoadFromFile("font.zfi");
    ztest_Frame();
    b = lit(0, 0, 400, 300);
    EXPECT_GT(b.y1 - b.y0, 14); // twice the glyph height of about 9 px
    uint32_t brightest = 0;
    for (int x = b.x0; x <= b.x1; x++)
        brightest = std::max(brightest, ztest_Pixel(x, (b.y0 + b.y1) / 2));
    EXPECT_EQ(brightest, 0x00FF00u);
}

// ---------------------------------------------------------------- start-up failure

// Text measuring agrees with text drawing: at every scale the lit pixels of
// a drawn line lie inside the measured width and line height from the
// point it is drawn at (a descender one pixel below at most), and fill
// most of that width (no generous guess).
float g_scale;
TEST_F(Archive, MeasuredTextWidthAndHeightHoldTheDrawnText)
{
    fs::current_path(dir);
    open([] { text_DrawEx(g_font, 20, 20, g_scale, 0, g_text, 255, 0xFFFFFF); });
    ASSERT_TRUE(file_OpenArchive("textury.dat", ""));
    g_font = font_LoadFromFile("font.zfi");
    ASSERT_NE(g_font, nullptr);
    // The window's text scale (-1.5: 1.5) multiplies the text's own alike.
    for (const char* text : {"Wheel up / down: narrower range", "čas zpět na 0 · ψ ω Σ ↑ ↓"})
        for (float scale : {0.5f, 7.0f / 12, 0.75f, 1.0f, 2.0f, -1.5f}) {
            g_text = text;
            g_scale = std::fabs(scale);
            text_SetScale(scale < 0 ? -scale : 1.0f);
            ztest_Frame();
            const float w = text_GetWidth(g_font, g_text, g_scale);
            const float h = text_GetHeight(g_font, g_scale);
            const Box b = lit(0, 0, 800, 600);
            ASSERT_GT(b.count, 0) << text << " at " << scale;
            EXPECT_GE(b.x0, 20) << text << " at " << scale;
            EXPECT_GE(b.y0, 20) << text << " at " << scale;
            EXPECT_LT(b.x1, 20 + w) << text << " at " << scale;
            EXPECT_LE(b.y1, 20 + h) << text << " at " << scale; // a descender may reach one pixel lower
            EXPECT_GT(b.x1 - b.x0 + 1, 0.9f * w - 2) << text << " at " << scale;
        }
    // Nothing to measure with no font, no text or a size no font has.
    EXPECT_EQ(text_GetWidth(nullptr, "x", 1), 0.0f);
    EXPECT_EQ(text_GetWidth(g_font, "", 1), 0.0f);
    EXPECT_EQ(text_GetHeight(nullptr, 1), 0.0f);
    EXPECT_EQ(text_GetWidth(g_font, "x", 0.01f), 0.0f);
}

TEST(PlatformStartDeathTest, WithoutADisplayTheGraphicsFailToStartWithTheMessageOnStderr)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            unsetenv("SDL_VIDEODRIVER");
            std::_Exit(zglLoad() ? 0 : 1);
        },
        testing::ExitedWithCode(1), "vlnkar: error while loading ZenGL: .+");
}

} // namespace

// The projector scheme's stroke colours against WCAG 2 luminance and contrast,
// over a grid of the RGB cube: each reads on white, only darker, each channel's
// light scaled alike (to 8-bit steps: the hue stays); white, yellow darkest.
TEST(ProjectorScheme, EveryColourReadsOnWhiteKeepsItsHueAndIsNeverLighter)
{
    auto lin = [](uint32_t c) { return c <= 10 ? c / 3294.6 : std::pow((c / 255.0 + 0.055) / 1.055, 2.4); };
    auto ch = [](uint32_t rgb, int i) { return (rgb >> (16 - 8 * i)) & 0xFF; };
    auto lc = [&](uint32_t rgb, int i) { return lin(ch(rgb, i)); };
    auto lum = [&](uint32_t c) { return 0.2126 * lc(c, 0) + 0.7152 * lc(c, 1) + 0.0722 * lc(c, 2); };
    for (uint32_t r = 0; r < 256; r += 15)
        for (uint32_t g = 0; g < 256; g += 15)
            for (uint32_t b = 0; b < 256; b += 15) {
                const uint32_t in = r << 16 | g << 8 | b, out = ztest_InkColour(in);
                ASSERT_GE(1.05 / (lum(out) + 0.05), 4.5) << std::hex << in << " -> " << out;
                int top = 0;
                for (int i = 0; i < 3; i++) {
                    ASSERT_LE(ch(out, i), ch(in, i));
                    top = ch(in, i) > ch(in, top) ? i : top;
                }
                auto step = [&](int i) { return (lin(ch(out, i) + 1) - lc(out, i)) / lc(out, top); };
                for (int i = 0; i < 3 && ch(out, top) >= 16; i++) { // below 16 too few steps tell a hue
                    const double want = lc(in, i) / lc(in, top);
                    ASSERT_NEAR(lc(out, i) / lc(out, top), want, want * step(top) + step(i));
                }
            }
    EXPECT_LT(lum(ztest_InkColour(0xFFFFFF)), 0.05);
    EXPECT_LT(lum(ztest_InkColour(0xFFFF00)), 0.05);
}
