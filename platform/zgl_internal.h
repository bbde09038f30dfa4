// The graphics layer's own state, shared by its sources (life and main loop,
// input, files, drawing). Only platform/ sees this header: it is where the
// SDL, SDL_image, SDL_ttf and PhysFS types live.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/zgl_test.h"

// A picture. The decoded pixels stay in `surface` so the SDL texture can be
// (re)created for whatever renderer is current: pictures may be loaded before
// the window opens, and a lost or recreated renderer costs no reload.
struct zgl_texture {
    SDL_Surface* surface = nullptr; // ARGB8888, owned
    SDL_Texture* texture = nullptr; // for the current renderer, or null until first drawn
    int w = 0, h = 0;               // pixels
};

// The font: the raw TrueType bytes, kept alive as long as any TTF_Font reads
// them (SDL_ttf reads lazily), and one TTF_Font per pixel size in use.
struct zgl_font {
    std::vector<uint8_t> bytes;
    std::map<int, TTF_Font*> sizes; // point size (= pixel size at 72 dpi) -> font
};

namespace zgl {

// Point size of the font at scale 1: DejaVu Sans then has a line skip of
// 14 px, so about seven lines fit into a 100-pixel-high listing.
constexpr int kFontPoints = 12;
// One timer procedure and its backlog of real time.
struct timer {
    void (*proc)();
    uint32_t interval_ms;
    double backlog_ms; // real time not yet turned into calls
};

// What a drawn primitive needs beyond its recorded description.
struct prim_extra {
    zgl_font* font;   // TEXT
    float step;       // TEXT: extra spacing between characters, px
    uint16_t quality; // CIRCLE: segments
    bool operator==(const prim_extra&) const = default;
};

// A rendered text, cached between frames.
struct text_entry {
    SDL_Texture* texture; // null when the text could not be rendered
    int w, h;             // pixels
    uint64_t last_used;   // frame number
};

struct state {
    // Started parts.
    bool test_mode = false;
    bool sdl = false, ttf = false, img = false, physfs = false;

    // Callbacks and timers.
    void (*load)() = nullptr;
    void (*draw)() = nullptr;
    void (*exit)() = nullptr;
    bool exit_run = false;
    std::vector<timer> timers;
    bool exit_requested = false;

    // Screen options.
    int width = 800, height = 600; // window size, px
    int refresh = 1;               // 1 = the display's own rate
    bool fullscreen = false, vsync = true;
    int corr_w = 800, corr_h = 600; // logical size for full screen
    uint32_t enabled = CORRECT_RESOLUTION;
    std::string caption;
    bool cursor = true;

    // Window and renderer. In the test mode `window` stays null and the
    // software renderer draws into `surface`.
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Surface* surface = nullptr;
    SDL_Texture* target = nullptr; // logical picture when it is scaled to the screen
    int target_w = 0, target_h = 0;
    // Placement of the logical picture on the output, for mapping the mouse.
    float out_x = 0, out_y = 0, out_scale = 1;
    int logical_w = 800, logical_h = 600;

    // The display list of the frame being drawn (also the recorder) and the
    // one last shown.
    std::vector<zgl_prim> prims;
    std::vector<prim_extra> extras;
    std::vector<zgl_prim> shown;
    std::vector<prim_extra> shown_extras;
    bool redraw = true; // show the next frame even if it did not change
    bool raster = true;
    bool last_presented = false;
    uint64_t frame_no = 0;

    // Input.
    bool held[SDL_NUM_SCANCODES] = {}; // SDL scancodes held now
    bool pressed[256] = {};            // scan codes pressed since the last clear
    int mouse_x = 0, mouse_y = 0;      // logical px
    bool mouse_down[3] = {}, mouse_up[3] = {}, mouse_click[3] = {};
    bool wheel[2] = {};
    bool reading = false;
    std::string text;
    int text_limit = 0; // characters
    std::deque<SDL_Event> injected;

    // Files.
    std::string archive; // mounted path, empty when none
    std::map<std::string, zgl_texture*> textures;
    std::map<std::string, zgl_font*> fonts;
    std::map<std::string, bool> reported; // names whose failure was reported

    // Rendered texts by font (at its size) and text.
    std::map<std::pair<TTF_Font*, std::string>, text_entry> text_cache;
};

extern state g;

// Input (zgl_input.cpp).
uint8_t scan_from_sdl(SDL_Scancode sc);
SDL_Scancode sdl_from_scan(uint8_t code);
void handle_event(const SDL_Event& e);
void process_events();
void reset_input();

// Files (zgl_files.cpp).
void free_files();
// The font at a point size, opened on first use from the kept bytes; null
// when it cannot be opened.
TTF_Font* font_at(zgl_font* f, int points);

// Drawing (zgl_draw.cpp).
// Rasterises and presents the current display list if it differs from the
// one shown (or a redraw is due); returns whether it did.
bool show_frame();
// Forgets every SDL texture (renderer gone or recreated); they are made
// again from the kept pixels when next drawn.
void drop_textures();
SDL_Texture* texture_for(zgl_texture* t);
void begin_frame();

} // namespace zgl
