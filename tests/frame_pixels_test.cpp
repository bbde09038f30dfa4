// The whole frame of every system, drawn by the running program in the
// offscreen test mode, against reference pictures in tests/frames/: the
// frames as the plots drew them when every sample's segment went out as
// its own pair of lines. Curves are now drawn stroke by stroke and thinned
// to one vertex per pixel column, which may move a curve pixel by one row
// or column, and where two strokes cross may put the other one on top; it
// must change nothing else. (The pixels in the rectangles the scales report
// are not compared, nor those of the five switches and two pixels round each.)
//
// With VLNKAR_WRITE_FRAMES=1 in the environment the test writes the
// references (into the source tree) instead of comparing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/shell.h"
#include "engines/control_list.h"
#include "engines/scale/scale.h"
#include "platform/zgl_test.h"

namespace fs = std::filesystem;

namespace {

struct frame_case {
    const char* file;   // reference picture in tests/frames/
    const char* system; // the start-up system
    bool density;       // probability density instead of the real part
    bool superposition; // bound-state systems: all ten states at t = 1.234 fs
    bool both_parts;    // real and imaginary part at t = 0.37 fs
};

const frame_case CASES[] = {
    {"volna_reim.png", "volna", false, false, false},
    {"volna_density.png", "volna", true, false, false},
    {"volna_both.png", "volna", false, false, true},
    {"bariera_reim.png", "bariera", false, false, false},
    {"bariera_density.png", "bariera", true, false, false},
    {"jama_reim.png", "jama", false, false, false},
    {"jama_density.png", "jama", true, false, false},
    {"jama_inf_reim.png", "jama_inf", false, false, false},
    {"jama_inf_density.png", "jama_inf", true, false, false},
    {"jama_inf_superposition.png", "jama_inf", false, true, false},
    {"oscilator_reim.png", "oscilator", false, false, false},
    {"oscilator_density.png", "oscilator", true, false, false},
    {"oscilator_superposition.png", "oscilator", false, true, true},
};

// What a frame cost the graphics layer.
struct frame_cost {
    size_t lines = 0;   // pr2d_Line calls recorded
    int line_calls = 0; // SDL line drawing calls (a polyline is one)
    std::vector<zgl_prim> prims;
};

// Key B's projector scheme; the superposition panel opened by a click (the mouse stays on it).
constexpr int PROJECTOR = 1, PANEL = 2;
// Rectangles whose pixels are not compared.
std::vector<zgl_rect> not_compared;

// The program started on `c.system` in a fresh folder, set up as the case
// asks, one frame drawn and saved as `png`.
void draw_frame(const frame_case& c, const fs::path& png, frame_cost* cost = nullptr, int look = 0)
{
    const fs::path old_dir = fs::current_path();
    char tmpl[] = "/tmp/vlnkar_frame_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    fs::create_symlink(fs::path(VLNKAR_BUILD_DIR) / "textury.dat", dir / "textury.dat");
    fs::current_path(dir);
    std::ofstream(dir / "config.ini", std::ios::binary)
        << "Konfigurace Vlnkar\r\n[SIRKA]=800\r\n[VYSKA]=600\r\n[VYCHOZI SYSTEM]=" << c.system << "\r\n";
    ztest_Enable();
    ASSERT_EQ(vlnkar_main(), 0);
    konfig& k = shell.konf;
    situace& s = shell.sit;
    // The picture of the plot alone: the start hint's five seconds are over.
    shell.help.f1_used = true;
    k.reim_mode = !c.density;
    if (c.superposition) {
        s.E = -1.0;
        for (int j = 0; j < COEF_COUNT; ++j)
            s.coef[FIRST_COEF + j] = std::polar(std::sqrt(0.1), 0.7 * j);
        k.t = 1.234e-15L;
    }
    if (c.both_parts) {
        k.show_im = true;
        if (!c.superposition)
            k.t = 3.7e-16L;
    }
    if (s.layout && s.step) {
        s.layout(s, k);
        s.step(s, k);
    }
    if (look & PROJECTOR)
        ztest_KeyDown(K_B);
    if (look & PANEL) {
        ztest_MouseMove(25, 35);
        ztest_MouseButton(M_BLEFT, true);
    }
    ztest_Tick(look != 0);
    ztest_Frame();
    EXPECT_TRUE(ztest_SavePNG(png.string()));
    not_compared = scale_boxes();
    for (const char* name : {"tl_roz", "tl_re", "tl_im", "tl_pkt", "tl_cas"})
        if (const control* b = find_control(k.controls, name))
            not_compared.push_back({b->rect.x - 2, b->rect.y - 2, b->rect.w + 4, b->rect.h + 4});
    if (cost != nullptr) {
        for (const zgl_prim& p : ztest_Prims())
            cost->lines += p.kind == zgl_prim::LINE;
        cost->line_calls = ztest_LineCalls();
        cost->prims = ztest_Prims();
    }
    ztest_Shutdown();
    fs::current_path(old_dir);
    std::error_code ec;
    fs::remove_all(dir, ec);
}

constexpr uint32_t BACKGROUND = 0x000000;

struct picture {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
    // Whether `colour` lies within one pixel (either way, diagonals too) of (x, y).
    bool near(int x, int y, uint32_t colour) const
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int u = x + dx, v = y + dy;
                if (u >= 0 && v >= 0 && u < w && v < h && at(u, v) == colour)
                    return true;
            }
        return false;
    }
};

// WCAG 2: whether an sRGB colour has a contrast of 4.5 or more with white.
bool reads(uint32_t rgb)
{
    auto lin = [&](int shift) {
        const double c = ((rgb >> shift) & 0xFF) / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 1.05 / (0.2126 * lin(16) + 0.7152 * lin(8) + 0.0722 * lin(0) + 0.05) >= 4.5;
}

} // namespace

TEST(FramePixels, EverySystemDrawsTheReferencePictureToWithinOnePixelOfEveryStroke)
{
    const fs::path refs = fs::path(VLNKAR_SOURCE_DIR) / "tests" / "frames";
    const bool write = std::getenv("VLNKAR_WRITE_FRAMES") != nullptr;
    const fs::path tmp = fs::temp_directory_path() / ("vlnkar_frame_" + std::to_string(::getpid()) + ".png");
    for (const frame_case& c : CASES) {
        SCOPED_TRACE(c.file);
        if (write) {
            fs::create_directories(refs);
            draw_frame(c, refs / c.file);
            continue;
        }
        draw_frame(c, tmp);
        picture before, after;
        ASSERT_TRUE(ztest_LoadPNG((refs / c.file).string(), before.w, before.h, before.px));
        ASSERT_TRUE(ztest_LoadPNG(tmp.string(), after.w, after.h, after.px));
        ASSERT_EQ(before.w, after.w);
        ASSERT_EQ(before.h, after.h);
        size_t differ = 0, unexplained = 0;
        for (int y = 0; y < after.h; ++y)
            for (int x = 0; x < after.w; ++x) {
                auto inside = [&](const zgl_rect& r) {
                    return x + 1 > r.x && y + 1 > r.y && x < r.x + r.w && y < r.y + r.h;
                };
                if (before.at(x, y) == after.at(x, y) ||
                    std::any_of(not_compared.begin(), not_compared.end(), inside))
                    continue;
                ++differ;
                // Every stroke stays within one pixel of where it was: what
                // was drawn here is drawn next to here now, or what is drawn
                // here now was drawn next to here. (Not always both: where
                // strokes cross or overlap, a stroke moved by a pixel may
                // uncover one that lay under it, or leave a blend of two
                // colours that is then found nowhere near.)
                const uint32_t was = before.at(x, y), now = after.at(x, y);
                const bool stayed = was != BACKGROUND && after.near(x, y, was);
                const bool came = now != BACKGROUND && before.near(x, y, now);
                if (!stayed && !came) {
                    if (++unexplained <= 5)
                        ADD_FAILURE() << "pixel (" << x << ", " << y << ") changed from " << std::hex << was
                                      << " to " << now << ", more than one pixel from where either was drawn";
                }
            }
        const double share = double(differ) / double(after.w * after.h);
        EXPECT_EQ(unexplained, 0u);
        EXPECT_LT(share, 0.005) << differ << " pixels differ";
        RecordProperty(c.file, std::to_string(differ));
    }
    std::error_code ec;
    fs::remove(tmp, ec);
}

TEST(FramePixels, AFrameSendsAFewDozenLinesWhereItOnceSentThousands)
{
    // One segment a sample, two rows, interleaved: about 4,200 separate
    // line calls a curve. Now a few polylines a curve; the infinite well's
    // translucent grid (100 lines) and level lines come on top. The lines
    // recorded: about one a pixel column (700) in each pixel row of a curve
    // (two rows a curve), and the diagram's lines (the parabola's up to 700).
    const fs::path tmp = fs::temp_directory_path() / ("vlnkar_cost_" + std::to_string(::getpid()) + ".png");
    for (const frame_case& c : CASES) {
        SCOPED_TRACE(c.file);
        frame_cost cost;
        draw_frame(c, tmp, &cost);
        EXPECT_LE(cost.line_calls, 150);
        const size_t rows = c.both_parts ? 4 : 2;
        EXPECT_LE(cost.lines, 750 * rows + 800);
        RecordProperty(c.file,
                       std::to_string(cost.lines) + " lines, " + std::to_string(cost.line_calls) + " calls");
    }
    std::error_code ec;
    fs::remove(tmp, ec);
}

// Every system's frame on white, two also with the panel open: more than half
// of it white, and every colour reads, but where a faint pixel lies within two
// pixels of something that reads (a text's or picture's anti-aliasing) or of an
// area of its colour (a tint: a whole 5 x 5 square, which no stroke fills).
TEST(FramePixels, InTheProjectorSchemeEveryStrokeAndLabelReadsOnWhite)
{
    const fs::path tmp = fs::temp_directory_path() / ("vlnkar_light_" + std::to_string(::getpid()) + ".png");
    for (const frame_case& c : CASES)
        for (int look : {PROJECTOR, PROJECTOR | PANEL}) {
            if (look & PANEL && std::string(c.system) != "jama_inf" && std::string(c.system) != "oscilator")
                continue;
            SCOPED_TRACE(std::string(c.file) + " look " + std::to_string(look));
            frame_cost cost;
            draw_frame(c, tmp, &cost, look);
            picture p;
            ASSERT_TRUE(ztest_LoadPNG(tmp.string(), p.w, p.h, p.px));
            EXPECT_GT(std::count(p.px.begin(), p.px.end(), 0xFFFFFFu), long(p.px.size() / 2));
            auto around = [&](int x, int y, auto test) {
                for (int v = std::max(0, y - 2); v <= std::min(p.h - 1, y + 2); ++v)
                    for (int u = std::max(0, x - 2); u <= std::min(p.w - 1, x + 2); ++u)
                        if (test(p.at(u, v), size_t(v) * p.w + u))
                            return true;
                return false;
            };
            std::vector<char> ok(p.px.size());
            std::map<uint32_t, int> faint;
            for (int pass = 0; pass < 2; ++pass)
                for (int y = 0; y < p.h; ++y)
                    for (int x = 0; x < p.w; ++x) {
                        const uint32_t here = p.at(x, y);
                        char& fine = ok[size_t(y) * p.w + x];
                        if (pass == 0)
                            fine |= here == 0xFFFFFF || reads(here) ||
                                    !around(x, y, [&](uint32_t c, size_t) { return c != here; });
                        else
                            faint[here] += !fine && !around(x, y, [&](uint32_t c, size_t j) {
                                return reads(c) || (ok[j] && c == here);
                            });
                    }
            for (auto [colour, n] : faint)
                EXPECT_LE(n, 8) << std::hex << colour << " does not read on white";
            // A cut across an opaque flat line finds two pixels that read.
            for (const zgl_prim& l : cost.prims) {
                const float dx = std::fabs(l.x2 - l.x1), dy = std::fabs(l.y2 - l.y1);
                const int x = int((l.x1 + l.x2) / 2), y = int(std::lround((l.y1 + l.y2) / 2));
                if (l.kind != zgl_prim::LINE || l.alpha != 255 || dx < 4 || 4 * dy > dx || x < 0 ||
                    x >= p.w || y < 2 || y >= p.h - 2)
                    continue;
                const int dark = reads(p.at(x, y - 2)) + reads(p.at(x, y - 1)) + reads(p.at(x, y)) +
                                 reads(p.at(x, y + 1)) + reads(p.at(x, y + 2));
                EXPECT_GE(dark, 2) << "at (" << x << ", " << y << ")";
            }
        }
    fs::remove(tmp);
}
