// Life of the graphics layer: starting SDL, opening the window, the main
// loop with the 10 ms timer, and the screen options.
//
// Relies on SDL2 (video, events, timer), SDL_ttf and PhysFS; the window and
// its renderer, the display list, text, input, files and the test mode
// live in zgl_window.cpp, zgl_draw.cpp, zgl_text.cpp, zgl_input.cpp,
// zgl_files.cpp and zgl_test.cpp.
#include <SDL_image.h>
#include <physfs.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/report.h"
#include "platform/zgl_clock.h"
#include "platform/zgl_internal.h"

namespace zgl {

state g;

namespace {

// Reports that the graphics cannot start: stderr always, the message box
// where one can be shown (never in the test mode, where nobody would close it).
bool fail_to_start(const std::string& reason)
{
    report("error while loading ZenGL: " + plain_reason(reason) + ", so the program ends");
    if (!g.test_mode)
        show_error_box("Error", "Error while loading ZenGL");
    return false;
}

// The offscreen and dummy drivers open no visible window; they are fine only
// when asked for (the test mode, or SDL_VIDEODRIVER naming them).
bool invisible_driver(const char* driver)
{
    if (!driver)
        return true;
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0)
        return false;
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return !(asked && SDL_strcasecmp(asked, driver) == 0);
}

// Without XDG_RUNTIME_DIR, libwayland can reach no compositor unless
// WAYLAND_DISPLAY names its socket by a full path; SDL's probe would then
// only print libwayland's complaint to stderr. Leave Wayland out of the
// drivers SDL tries (unless the user chose them with SDL_VIDEODRIVER).
void skip_unreachable_wayland()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* socket = std::getenv("WAYLAND_DISPLAY");
    if (std::getenv("SDL_VIDEODRIVER") || (runtime && *runtime) || (socket && socket[0] == '/'))
        return;
    std::string others;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); i++) {
        const char* name = SDL_GetVideoDriver(i);
        if (name && std::strcmp(name, "wayland") != 0)
            others += std::string(others.empty() ? "" : ",") + name;
    }
    if (!others.empty())
        SDL_SetHint(SDL_HINT_VIDEODRIVER, others.c_str());
}

} // namespace

void run_exit()
{
    if (g.exit && !g.exit_run) {
        g.exit_run = true;
        g.exit();
    }
}

void stop_all()
{
    if (g.test_mode)
        close_offscreen();
    else
        close_window();
    free_files();
    if (g.ttf && TTF_WasInit())
        TTF_Quit();
    g.ttf = false;
    if (g.img)
        IMG_Quit();
    g.img = false;
    if (g.physfs)
        PHYSFS_deinit();
    g.physfs = false;
    if (g.sdl)
        SDL_Quit();
    g.sdl = false;
}

namespace {

double now_ms()
{
    return double(SDL_GetPerformanceCounter()) * 1000.0 / double(SDL_GetPerformanceFrequency());
}

// Time between display refreshes, ms.
double refresh_period_ms()
{
    int hz = g.refresh > 1 ? g.refresh : 0;
    if (hz == 0 && g.window) {
        SDL_DisplayMode mode;
        int display = SDL_GetWindowDisplayIndex(g.window);
        if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0)
            hz = mode.refresh_rate;
    }
    if (hz <= 0)
        hz = 60;
    return 1000.0 / hz;
}

// The main loop: events, then the timer procedures by real time (a fixed
// 10 ms step, caught up after a slow frame), then a frame when one is due.
// Between them it sleeps until the next tick or frame is due.
void main_loop()
{
    double last = now_ms();
    double next_frame = last;
    double last_pump = -1e9;
    bool presented = true; // the last frame was drawn and shown
    std::vector<int> calls(g.timers.size());
    while (!g.exit_requested) {
        if (stop_signalled())
            break;
        double now = now_ms();
        double elapsed = now - last;
        last = now;
        bool tick_due = false;
        for (size_t i = 0; i < g.timers.size(); i++) {
            calls[i] = due_calls(g.timers[i].backlog_ms, elapsed, g.timers[i].interval_ms);
            tick_due = tick_due || calls[i] > 0;
        }
        // Events are read before the ticks that act on them. Asking the X
        // server is most of an idle program's cost, so it is done once per
        // tick (and now and then for the window's own events), not per frame.
        if (tick_due || now - last_pump >= 20) {
            process_events();
            last_pump = now;
        }
        for (size_t i = 0; i < g.timers.size() && !g.exit_requested; i++)
            for (int k = 0; k < calls[i] && !g.exit_requested; k++)
                g.timers[i].proc();
        if (g.exit_requested)
            break;

        double period = refresh_period_ms();
        if (now_ms() >= next_frame) {
            double start = now_ms();
            begin_frame();
            if (g.draw)
                g.draw();
            presented = show_frame();
            // With vsync the present itself waits for the refresh; the small
            // allowance keeps its phase. Otherwise frames are paced to the
            // refresh rate from when each was due, not from when the sleep
            // ended (sleeps end up to a millisecond late, which would lose
            // a frame a second), unless the loop fell a whole frame behind.
            if (presented && zgl::presents_at_refresh()) {
                next_frame = start + period - 2;
            } else {
                next_frame += period;
                if (next_frame <= start)
                    next_frame = start + period;
            }
        }

        // Sleep until the next tick or frame. Input is read only by the
        // timer procedures, so waking early for an event gains nothing.
        // While frames come out unchanged (time stopped, nothing touched),
        // the next one waits for the next tick rather than waking the
        // program on its own: only a tick can change it.
        double due = presented || g.timers.empty() ? next_frame : INFINITY;
        for (const timer& t : g.timers)
            due = std::min(due, last + std::max<uint32_t>(1, t.interval_ms) - t.backlog_ms);
        // Sleeping a little past the due time costs nothing (the backlog
        // keeps the real time); waking early would spin.
        double wait = due - now_ms();
        if (wait > 0)
            SDL_Delay(Uint32(std::ceil(std::min(wait, 100.0))));
    }
}

} // namespace

} // namespace zgl

using zgl::g;

bool zglLoad()
{
    if (g.sdl)
        return true;
    if (g.test_mode)
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    // Without a GPU, Mesa's software OpenGL (llvmpipe) hands each frame to
    // worker threads; for an 800 x 600 2-D picture the hand-offs cost more
    // than they save (measured under Xvfb with time running: 14% of a core
    // with the threads, 10% without). Hardware drivers ignore the variable,
    // and a value the user set is kept.
    if (!g.test_mode) {
        setenv("LP_NUM_THREADS", "0", 0);
        zgl::skip_unreachable_wayland();
        // From here on SIGTERM and SIGINT end the program cleanly.
        zgl::install_stop_handlers();
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::string why = SDL_GetError();
        SDL_Quit();
        return zgl::fail_to_start(why);
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!g.test_mode && zgl::invisible_driver(driver)) {
        std::string why = std::string("no display is available (SDL offers only its ") +
                          (driver ? driver : "null") + " video driver)";
        SDL_Quit();
        return zgl::fail_to_start(why);
    }
    if (!g.test_mode)
        zgl::watch_display_connection();
    if (TTF_Init() != 0) {
        std::string why = TTF_GetError();
        SDL_Quit();
        return zgl::fail_to_start(why);
    }
    g.ttf = true;
    IMG_Init(IMG_INIT_PNG); // pictures that cannot be decoded are reported when loaded
    g.img = true;
    g.sdl = true;
    return true;
}

void zgl_Reg(int slot, void (*proc)())
{
    switch (slot) {
    case SYS_LOAD:
        g.load = proc;
        break;
    case SYS_DRAW:
        g.draw = proc;
        break;
    case SYS_EXIT:
        g.exit = proc;
        break;
    default:
        break;
    }
}

void timer_Add(void (*proc)(), uint32_t interval_ms)
{
    if (proc)
        g.timers.push_back({proc, interval_ms, 0});
}

bool zgl_Init(uint8_t /*fsaa*/, uint8_t /*stencil*/)
{
    if (!g.sdl) {
        report("the graphics were not started, so no window opens");
        return false;
    }
    // Asked to end (SIGTERM, SIGINT) before or while the window opens, or
    // during the load callback: end as after Escape, without running on.
    const auto stop_early = [] {
        zgl::run_exit();
        zgl::stop_all();
        return true;
    };
    if (zgl::stop_signalled())
        return stop_early();
    std::string why;
    bool open = g.test_mode ? (g.renderer || zgl::open_offscreen()) : zgl::open_window(why);
    if (!open) {
        if (g.test_mode) {
            report(std::string("cannot open the offscreen window (") + SDL_GetError() +
                   "), so the test ends");
            return false;
        }
        // Nothing is open and nothing has run yet: report it as when the
        // graphics cannot start, and let the caller end with its status.
        zgl::fail_to_start(why);
        zgl::stop_all();
        return false;
    }
    g.exit_run = false;
    if (zgl::stop_signalled())
        return stop_early();
    if (g.load)
        g.load();
    if (g.test_mode)
        return true;
    zgl::main_loop();
    zgl::run_exit();
    zgl::stop_all();
    return true;
}

void zgl_Exit()
{
    g.exit_requested = true;
}

void wnd_SetCaption(const std::string& caption)
{
    g.caption = caption;
    if (g.window)
        SDL_SetWindowTitle(g.window, caption.c_str());
}

void wnd_ShowCursor(bool show)
{
    g.cursor = show;
    if (g.sdl && !g.test_mode)
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void scr_SetOptions(uint16_t width, uint16_t height, uint16_t refresh, bool fullscreen, bool vsync)
{
    g.width = std::max<int>(1, width);
    g.height = std::max<int>(1, height);
    g.refresh = refresh;
    g.fullscreen = fullscreen;
    g.vsync = vsync;
    if (g.window) {
        // Full screen covers the desktop at its own resolution; the logical
        // picture is scaled onto it (see the drawing).
        SDL_SetWindowFullscreen(g.window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        if (!fullscreen)
            SDL_SetWindowSize(g.window, g.width, g.height);
        if (g.renderer)
            SDL_RenderSetVSync(g.renderer, vsync ? 1 : 0);
        g.redraw = true;
    } else if (g.test_mode && g.renderer && g.surface) {
        // The offscreen window follows the size (and, in full screen, the
        // simulated screen).
        int w = 0, h = 0;
        zgl::offscreen_size(w, h);
        if (w != g.surface->w || h != g.surface->h) {
            zgl::close_offscreen();
            zgl::open_offscreen();
        }
    }
}

void scr_CorrectResolution(uint16_t width, uint16_t height)
{
    g.corr_w = width;
    g.corr_h = height;
    g.redraw = true;
}

void zgl_Enable(uint32_t what)
{
    g.enabled |= what;
    g.redraw = true;
}

void zgl_Disable(uint32_t what)
{
    g.enabled &= ~what;
    g.redraw = true;
}
