// The window and its renderer: OpenGL where there is a graphics card;
// SDL's software renderer drawing into the window's own image where
// OpenGL itself would rasterise on the processor; in the test mode, an
// offscreen surface drawn by the software renderer.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/report.h"
#include "platform/zgl_internal.h"

namespace zgl {

namespace {

int renderer_index(const char* name)
{
    int n = SDL_GetNumRenderDrivers();
    for (int i = 0; i < n; i++) {
        SDL_RendererInfo info;
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, name) == 0)
            return i;
    }
    return -1;
}

// Whether the renderer's OpenGL rasterises on the processor (Mesa's
// llvmpipe or softpipe, or another software OpenGL). Such an OpenGL costs
// the processor several times what SDL's software renderer costs for the
// same picture: every thin line and small picture passes through its
// whole pipeline of generated shaders, and the finished frame is copied
// to the X server anyway. (Measured under Xvfb, 800 x 600 at 60 frames a
// second: a bare OpenGL window 3% of a core; "volna" running 9.4% through
// llvmpipe, 4.3% drawn by SDL's software renderer.)
bool software_opengl(SDL_Renderer* r)
{
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(r, &info) != 0 || std::strcmp(info.name, "opengl") != 0)
        return false;
    // The renderer's context is current; glGetString(GL_RENDERER).
    using get_string_fn = const unsigned char* (*)(unsigned);
    constexpr unsigned kGlRenderer = 0x1F01;
    auto get_string = reinterpret_cast<get_string_fn>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = get_string ? get_string(kGlRenderer) : nullptr;
    if (!name)
        return false;
    const char* s = reinterpret_cast<const char*>(name);
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "SWR"})
        if (std::strstr(s, soft))
            return true;
    return false;
}

// Whether OpenGL here rasterises on the processor, asked of a window that
// is never shown, so the program's own window is never made an OpenGL
// window only to be drawn into another way.
bool opengl_is_software(int gl)
{
    if (gl < 0)
        return false;
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    SDL_Renderer* r = probe ? SDL_CreateRenderer(probe, gl, SDL_RENDERER_ACCELERATED) : nullptr;
    const bool soft = r && software_opengl(r);
    if (r)
        SDL_DestroyRenderer(r);
    if (probe)
        SDL_DestroyWindow(probe);
    return soft;
}

// SDL's software renderer on the window's own image, which SDL hands to the
// X server through shared memory (not through an OpenGL texture).
bool attach_window_image()
{
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Surface* s = SDL_GetWindowSurface(g.window);
    SDL_Renderer* r = s ? SDL_CreateSoftwareRenderer(s) : nullptr;
    if (!r)
        return false;
    g.renderer = r;
    g.window_surface = s;
    g.window_surface_w = s->w;
    g.window_surface_h = s->h;
    return true;
}

// The window's icon, decoded by wnd_SetIcon and kept for a window opened
// later (SDL copies it into each window it is set on).
struct surface_deleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
std::unique_ptr<SDL_Surface, surface_deleter> icon;

// The renderer goes, and with it every texture it made.
void drop_renderer()
{
    drop_textures();
    if (g.renderer)
        SDL_DestroyRenderer(g.renderer);
    g.renderer = nullptr;
}

} // namespace

// The size of the test mode's window: the window size, or in full screen
// the simulated screen when the test set one.
void offscreen_size(int& w, int& h)
{
    w = std::max(1, g.width);
    h = std::max(1, g.height);
    if (g.fullscreen && g.test_screen_w > 0 && g.test_screen_h > 0) {
        w = g.test_screen_w;
        h = g.test_screen_h;
    }
}

// The test mode's window: an ARGB8888 surface the software renderer draws
// into, so the pixels can be read back.
bool open_offscreen()
{
    int w = 0, h = 0;
    offscreen_size(w, h);
    g.surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!g.surface)
        return false;
    g.renderer = SDL_CreateSoftwareRenderer(g.surface);
    if (!g.renderer) {
        SDL_FreeSurface(g.surface);
        g.surface = nullptr;
        return false;
    }
    g.redraw = true;
    return true;
}

void close_offscreen()
{
    drop_renderer();
    if (g.surface)
        SDL_FreeSurface(g.surface);
    g.surface = nullptr;
}

// Opens the window and its renderer; on failure leaves the reason in `why`.
bool open_window(std::string& why)
{
    Uint32 flags = SDL_WINDOW_SHOWN | (g.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    g.window = SDL_CreateWindow(g.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                std::max(1, g.width), std::max(1, g.height), flags);
    if (!g.window) {
        why = std::string("cannot open the window (") + SDL_GetError() + ")";
        return false;
    }
    if (icon)
        SDL_SetWindowIcon(g.window, icon.get());
    // OpenGL, with SDL batching the draw calls (it does not by default once
    // a driver is named); the software renderer on the window's image where
    // OpenGL is a software rasteriser or cannot start.
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    Uint32 vsync = g.vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    int gl = renderer_index("opengl");
    g.soft_window = opengl_is_software(gl) && attach_window_image();
    if (!g.renderer && gl >= 0)
        g.renderer = SDL_CreateRenderer(g.window, gl, SDL_RENDERER_ACCELERATED | vsync);
    if (!g.renderer) {
        int sw = renderer_index("software");
        g.renderer = SDL_CreateRenderer(g.window, sw, SDL_RENDERER_SOFTWARE | vsync);
    }
    if (!g.renderer) {
        why = std::string("cannot create a renderer for the window (") + SDL_GetError() + ")";
        SDL_DestroyWindow(g.window);
        g.window = nullptr;
        return false;
    }
    SDL_ShowCursor(g.cursor ? SDL_ENABLE : SDL_DISABLE);
    g.redraw = true;
    return true;
}

void close_window()
{
    drop_renderer();
    g.soft_window = false;
    g.window_surface = nullptr;
    if (g.window)
        SDL_DestroyWindow(g.window);
    g.window = nullptr;
}

bool window_image_ready()
{
    if (!g.soft_window)
        return true;
    // A new size gives the window a new image (SDL frees the old one); the
    // renderer made for the old one goes.
    SDL_Surface* s = SDL_GetWindowSurface(g.window);
    if (s && s == g.window_surface && s->w == g.window_surface_w && s->h == g.window_surface_h && g.renderer)
        return true;
    drop_renderer();
    g.window_surface = nullptr;
    if (attach_window_image()) {
        g.window_image_lost = false;
        return true;
    }
    // Tried again every frame; said once.
    if (!g.window_image_lost)
        report(std::string("cannot draw into the window at its new size (") + SDL_GetError() +
               "), so the window is not drawn until it can be");
    g.window_image_lost = true;
    return false;
}

bool presents_at_refresh()
{
    return g.vsync && !g.soft_window && !g.test_mode;
}

} // namespace zgl

void wnd_SetIcon(const uint8_t* png, size_t size)
{
    std::string why;
    SDL_Surface* s = zgl::decode_png(std::vector<uint8_t>(png, png + size), why);
    if (!s) {
        report("cannot load the window's icon: " + why + ", so the window shows the desktop's default icon");
        return;
    }
    zgl::icon.reset(s);
    if (zgl::g.window)
        SDL_SetWindowIcon(zgl::g.window, s);
}
