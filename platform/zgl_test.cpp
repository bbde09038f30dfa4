// The test mode of the graphics layer (see zgl_test.h): switching it on,
// driving ticks and frames without real time, injected input as real SDL
// events, the simulated screen of full screen, pixels read back, and the
// recorded primitives.
#include "platform/zgl_test.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/zgl_internal.h"

using zgl::g;

namespace {

// The test's copy of the display list, remade when the list has changed
// since it was taken (the generation counts every change).
struct recorded_prims {
    std::vector<zgl_prim> prims;
    uint64_t generation = 0;
} recorded;

static_assert(int(zgl_prim::LINE) == int(zgl::prim::LINE) && int(zgl_prim::TEXT) == int(zgl::prim::TEXT),
              "the recorded kinds are the display list's");

void inject_key(SDL_Scancode sc, bool down, bool repeat)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = sc;
    g.injected.push_back(e);
}

// Injected positions are logical pixels; turn them into window pixels so
// they take the same mapping as real ones.
void logical_to_window(int x, int y, int& wx, int& wy)
{
    wx = int(std::lround(float(x) * g.out_scale + g.out_x));
    wy = int(std::lround(float(y) * g.out_scale + g.out_y));
}

} // namespace

void ztest_Enable()
{
    g.test_mode = true;
}

void ztest_SetScreen(int width, int height)
{
    g.test_screen_w = std::max(0, width);
    g.test_screen_h = std::max(0, height);
}

void ztest_Shutdown()
{
    zgl::run_exit();
    zgl::stop_all();
    g = zgl::state{};
    recorded = {};
    // Stays in the test mode, so a later test can never open a real window.
    g.test_mode = true;
}

void ztest_Tick(int count)
{
    for (int i = 0; i < count; i++) {
        zgl::process_events();
        for (size_t k = 0; k < g.timers.size(); k++)
            g.timers[k].proc();
    }
}

void ztest_Frame()
{
    zgl::process_events();
    zgl::begin_frame();
    if (g.draw)
        g.draw();
    if (g.raster) {
        g.last_presented = zgl::show_frame();
    } else {
        g.last_presented = false;
        zgl::retire_frame();
        // Whatever is drawn when rasterising is on again is new to the screen.
        g.redraw = true;
    }
}

void ztest_SetRaster(bool on)
{
    g.raster = on;
}

uint32_t ztest_Pixel(int x, int y)
{
    if (!g.surface || x < 0 || y < 0 || x >= g.surface->w || y >= g.surface->h)
        return 0;
    if (g.renderer)
        SDL_RenderFlush(g.renderer);
    const auto* row = static_cast<const uint8_t*>(g.surface->pixels) + size_t(y) * size_t(g.surface->pitch);
    uint32_t px;
    std::memcpy(&px, row + size_t(x) * 4, 4);
    return px & 0xFFFFFF;
}

bool ztest_SavePNG(const std::string& path)
{
    if (!g.surface)
        return false;
    if (g.renderer)
        SDL_RenderFlush(g.renderer);
    return IMG_SavePNG(g.surface, path.c_str()) == 0;
}

bool ztest_LoadPNG(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels)
{
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded)
        return false;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (!argb)
        return false;
    width = argb->w;
    height = argb->h;
    pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; y++) {
        const auto* row = static_cast<const uint8_t*>(argb->pixels) + size_t(y) * size_t(argb->pitch);
        for (int x = 0; x < width; x++) {
            uint32_t px;
            std::memcpy(&px, row + size_t(x) * 4, 4);
            pixels[size_t(y) * size_t(width) + size_t(x)] = px & 0xFFFFFF;
        }
    }
    SDL_FreeSurface(argb);
    return true;
}

bool ztest_LastFramePresented()
{
    return g.last_presented;
}
int ztest_LineCalls()
{
    return g.line_calls;
}
bool ztest_ExitRequested()
{
    return g.exit_requested;
}
std::string ztest_Caption()
{
    return g.caption;
}
int ztest_WindowWidth()
{
    return g.surface ? g.surface->w : g.width;
}
int ztest_WindowHeight()
{
    return g.surface ? g.surface->h : g.height;
}
bool ztest_Fullscreen()
{
    return g.fullscreen;
}

void ztest_KeyDown(uint8_t scan_code, bool repeat)
{
    inject_key(zgl::sdl_from_scan(scan_code), true, repeat);
}
void ztest_KeyUp(uint8_t scan_code)
{
    inject_key(zgl::sdl_from_scan(scan_code), false, false);
}
void ztest_SDLKey(int sdl_scancode, bool down, bool repeat)
{
    inject_key(SDL_Scancode(sdl_scancode), down, repeat);
}

void ztest_MouseMove(int x, int y)
{
    int wx = 0, wy = 0;
    logical_to_window(x, y, wx, wy);
    ztest_ScreenMouseMove(wx, wy);
}

void ztest_ScreenMouseMove(int x, int y)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    g.injected.push_back(e);
}

void ztest_MouseButton(int button, bool down)
{
    static const uint8_t sdl_button[3] = {SDL_BUTTON_LEFT, SDL_BUTTON_MIDDLE, SDL_BUTTON_RIGHT};
    if (button < 0 || button > 2)
        return;
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = sdl_button[button];
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    // The button acts where the mouse is: at the last queued move, if any.
    logical_to_window(g.mouse_x, g.mouse_y, e.button.x, e.button.y);
    for (const SDL_Event& q : g.injected)
        if (q.type == SDL_MOUSEMOTION)
            e.button.x = q.motion.x, e.button.y = q.motion.y;
    g.injected.push_back(e);
}

void ztest_Wheel(int dir)
{
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = dir == M_WUP ? 1 : -1;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    g.injected.push_back(e);
}

void ztest_Text(const std::string& utf8)
{
    // SDL carries at most 31 bytes a text event; split between characters.
    std::string chunk;
    auto flush = [&] {
        if (chunk.empty())
            return;
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        std::memcpy(e.text.text, chunk.data(), chunk.size());
        g.injected.push_back(e);
        chunk.clear();
    };
    for (size_t i = 0; i < utf8.size();) {
        size_t j = i + 1;
        while (j < utf8.size() && (static_cast<unsigned char>(utf8[j]) & 0xC0) == 0x80)
            j++;
        if (chunk.size() + (j - i) > 31)
            flush();
        chunk.append(utf8, i, std::min<size_t>(j - i, 31));
        i = j;
    }
    flush();
}

void ztest_DropFile(const std::string& path)
{
    SDL_Event e{};
    e.type = SDL_DROPFILE;
    e.drop.file = SDL_strdup(path.c_str()); // freed by the event's handling, as SDL's own
    g.injected.push_back(e);
}

void ztest_FocusLost()
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    g.injected.push_back(e);
}

const std::vector<zgl_prim>& ztest_Prims()
{
    const zgl::display_list& list = zgl::current_frame();
    if (recorded.generation != g.generation || recorded.prims.size() != list.prims.size()) {
        recorded.prims.clear();
        const zgl::prim_extra none;
        for (const zgl::prim& p : list.prims) {
            const bool extra = p.kind == zgl::prim::SPRITE || p.kind == zgl::prim::TEXT;
            const zgl::prim_extra& e = extra ? list.extras[p.extra] : none;
            recorded.prims.push_back(zgl_prim{static_cast<zgl_prim::kind_t>(p.kind), p.x1, p.y1, p.x2, p.y2,
                                              p.color, p.alpha, p.flags, e.angle, e.scale, e.in_rect, e.tex,
                                              e.text});
        }
        recorded.generation = g.generation;
    }
    return recorded.prims;
}

uint64_t ztest_NonFiniteSkipped()
{
    return g.nonfinite_skipped;
}

void ztest_ClearPrims()
{
    zgl::begin_frame();
}

uint32_t ztest_InkColour(uint32_t rgb)
{
    return zgl::ink_colour(rgb);
}
