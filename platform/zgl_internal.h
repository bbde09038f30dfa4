// The graphics layer's own state, shared by its sources (life and main loop,
// input, files, the display list, text, the test mode). Only platform/ sees
// this header: it is where the SDL, SDL_image, SDL_ttf and PhysFS types live.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cmath>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/zgl.h"

// A picture. The decoded pixels stay in `surface` so the SDL texture can be
// (re)created for whatever renderer is current: pictures may be loaded before
// the window opens, and a lost or recreated renderer costs no reload.
struct zgl_texture {
    SDL_Surface* surface = nullptr; // ARGB8888, owned
    SDL_Texture* texture = nullptr; // for the current renderer, or null until first drawn
    int w = 0, h = 0;               // pixels
    bool nearest = false;           // the texture samples nearest (else linear) texels
    // The picture darkened for the projector scheme, made on first use.
    SDL_Surface* dark_surface = nullptr;
    SDL_Texture* dark_texture = nullptr;
    bool dark_nearest = false;
};

// The font: the raw TrueType bytes, kept alive as long as any TTF_Font reads
// them (SDL_ttf reads lazily), and one TTF_Font per pixel size in use.
struct zgl_font {
    std::vector<uint8_t> bytes;
    std::map<int, TTF_Font*> sizes; // point size (= pixel size at 72 dpi) -> font
};

namespace zgl {

// Coordinates are kept within this band (px) before they reach SDL, which
// turns them into int and walks lines point by point: a stray 1e12 from a
// diverging curve must cost nothing and must not overflow.
constexpr float kBand = 16384;
inline bool in_band(float x, float y)
{
    return std::fabs(x) <= kBand && std::fabs(y) <= kBand;
}

// Point size of the font at scale 1: DejaVu Sans then has a line skip of
// 14 px, so about seven lines fit into a 100-pixel-high listing.
constexpr int kFontPoints = 12;
// One timer procedure and its backlog of real time.
struct timer {
    void (*proc)();
    uint32_t interval_ms;
    double backlog_ms; // real time not yet turned into calls
};

// One entry of the display list: a primitive as drawn, in logical window
// pixels. A frame is the list of them in drawing order; a frame whose list
// equals the one last shown is not drawn again. The entry is kept small and
// plain (a line is recorded thousands of times a frame): what only pictures
// and texts need lies in a prim_extra beside the list.
struct prim {
    enum kind_t : uint8_t { LINE, RECT, CIRCLE, SPRITE, TEXT } kind;
    uint8_t alpha;    // 0..255
    uint16_t quality; // CIRCLE: segments
    uint32_t color;   // 0xRRGGBB (text: 0xFFFFFF unless text_DrawEx gave one)
    uint32_t flags;   // PR2D_FILL, FX_BLEND, TEXT_*
    // LINE: (x1, y1) to (x2, y2). RECT: x1, y1 = x, y and x2, y2 = w, h.
    // CIRCLE: x1, y1 = centre, x2 = radius. SPRITE: as RECT.
    // TEXT: x1, y1 = point (text_Draw/Ex) or x, y of the rectangle
    // (text_DrawInRect, with x2, y2 = w, h).
    float x1, y1, x2, y2;
    uint32_t extra; // SPRITE, TEXT: index of its prim_extra in the same list; 0 otherwise
    bool operator==(const prim&) const = default;
};

// What a picture or a text needs besides its prim.
struct prim_extra {
    float angle = 0;            // SPRITE: degrees, clockwise about the centre
    float scale = 1;            // TEXT: 1 unless text_DrawEx gave one
    float step = 0;             // TEXT: extra spacing between characters, px
    bool in_rect = false;       // TEXT: drawn by text_DrawInRect (wrapped to x2)
    zgl_texture* tex = nullptr; // SPRITE; may be null (nothing drawn)
    zgl_font* font = nullptr;   // TEXT; may be null (nothing drawn)
    std::string text;           // TEXT, UTF-8
    bool operator==(const prim_extra&) const = default;
};

// A frame's display list.
struct display_list {
    std::vector<prim> prims;
    std::vector<prim_extra> extras;
    bool operator==(const display_list&) const = default;
    void clear()
    {
        prims.clear();
        extras.clear();
    }
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
    // software renderer draws into `surface`. Where OpenGL is itself only a
    // software rasteriser, SDL's software renderer draws into the window's
    // own image instead (`soft_window`): `window_surface`, owned by SDL, is
    // the image the renderer was made for; a new size makes a new image.
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Surface* surface = nullptr;
    bool soft_window = false;
    SDL_Surface* window_surface = nullptr;
    int window_surface_w = 0, window_surface_h = 0;
    bool window_image_lost = false; // reported that it cannot be drawn into
    SDL_Texture* target = nullptr; // logical picture when it is scaled to the screen
    int target_w = 0, target_h = 0;
    // Placement of the logical picture on the output, for mapping the mouse.
    float out_x = 0, out_y = 0, out_scale = 1;
    int logical_w = 800, logical_h = 600;

    // The display list of the frame being drawn (also the test mode's
    // recorder) and the one last shown. When a frame is done its list is
    // swapped into `shown` (never copied); `frame_done` says that the
    // current frame's list is then `shown`. A draw callback that keeps the
    // last frame (zgl_KeepFrame) draws nothing and the shown list stays.
    // `generation` counts changes to the current frame's list, so the test
    // mode knows when its copy is stale.
    display_list frame;
    display_list shown;
    bool frame_done = false;
    bool kept = false;
    uint64_t generation = 0;
    bool redraw = true; // show the next frame even if it did not change
    bool raster = true;
    bool last_presented = false;
    uint64_t frame_no = 0;
    // Draw calls dropped for a non-finite coordinate: each is a curve or
    // label some caller failed to compute (the test mode reports the count).
    uint64_t nonfinite_skipped = 0;
    int line_calls = 0; // SDL line drawing calls of the last rasterised frame
    bool projector = false; // frames are rasterised in the projector scheme (scr_SetScheme)

    // Input.
    bool held[SDL_NUM_SCANCODES] = {}; // SDL scancodes held now
    bool pressed[256] = {};            // scan codes pressed since the last clear
    int mouse_x = 0, mouse_y = 0;      // logical px
    bool mouse_down[3] = {}, mouse_up[3] = {}, mouse_click[3] = {};
    bool wheel[2] = {};
    bool reading = false;
    std::string text;
    int text_limit = 0;                       // characters
    std::string dropped;                      // path of the file last dropped on the window, "" for none
    std::deque<SDL_Event> injected;           // test mode: events queued for the next tick or frame
    int test_screen_w = 0, test_screen_h = 0; // test mode: the screen full screen covers; 0 = the window

    // Files.
    std::string archive;         // mounted path, empty when none
    bool archive_failed = false; // the last file_OpenArchive failed (and said so)
    std::map<std::string, zgl_texture*> textures;
    std::map<std::string, zgl_font*> fonts;
    std::map<std::string, bool> reported; // names whose failure was reported

    // Every text is drawn and measured this many times its own scale
    // (text_SetScale); 1 unless the shell asks for larger text.
    float text_scale = 1;

    // Rendered texts by font (at its size) and text.
    std::map<std::pair<TTF_Font*, std::string>, text_entry> text_cache;
    // Widths of measured texts (shaping a text costs more than drawing
    // it), by font and text; emptied when it grows large or the fonts go.
    std::map<std::pair<TTF_Font*, std::string>, int> text_widths;
};

extern state g;

// Life (zgl_sdl.cpp).
// Runs the exit callback once, if registered.
void run_exit();
// Closes the window (or the offscreen surface) and ends SDL, SDL_image,
// SDL_ttf and PhysFS.
void stop_all();

// Window (zgl_window.cpp).
// The size of the test mode's window: the window size, or in full screen
// the simulated screen when the test set one.
void offscreen_size(int& w, int& h);
// The test mode's window: an ARGB8888 surface the software renderer draws
// into, so the pixels can be read back.
bool open_offscreen();
void close_offscreen();
// Opens the window and its renderer; on failure leaves the reason in `why`.
bool open_window(std::string& why);
void close_window();
// Before a frame is drawn into the window's own image: makes the software
// renderer anew when the window's size has changed (the image with it);
// false when there is nothing to draw into.
bool window_image_ready();
// Presenting waits for the display's refresh (OpenGL with vsync).
bool presents_at_refresh();

// Ends from outside (zgl_signals.cpp).
// SIGTERM and SIGINT set a flag instead of ending the process (SDL's own
// handlers are switched off). Called before SDL starts.
void install_stop_handlers();
// Whether SIGTERM or SIGINT has come: the program should end cleanly.
bool stop_signalled();
// Shows SDL's modal message box (error icon) and waits until it is closed,
// or until SIGTERM or SIGINT comes: the box then goes at once, with every
// process that shows it.
void show_error_box(const char* title, const char* text);
// Under X11: a lost connection to the display ends the program with one
// line on stderr and status 1. Called once SDL's video has started.
void watch_display_connection();

// Input (zgl_input.cpp).
// An SDL key for a scan code (the first of those that report it), or
// SDL_SCANCODE_UNKNOWN.
SDL_Scancode sdl_from_scan(uint8_t code);
void handle_event(const SDL_Event& e);
// The injected events of the test mode, then whatever SDL has queued.
void process_events();

// Files (zgl_files.cpp).
void free_files();
// The font at a point size, opened on first use from the kept bytes; null
// when it cannot be opened.
TTF_Font* font_at(zgl_font* f, int points);

// Pictures (zgl_png.cpp).
// The largest picture side, pixels: the buttons are 40 px and the arrow
// 90 px; 4096 x 4096 in ARGB is 64 MB decoded, and a header promising more
// is refused before a single pixel is allocated.
constexpr uint32_t kMaxPictureSide = 4096;
// A PNG file's bytes as an ARGB8888 surface (the caller frees it), or null
// with the reason in `why` (a clause completing "cannot load ...: "): no
// PNG, larger than kMaxPictureSide on a side, or damaged.
SDL_Surface* decode_png(const std::vector<uint8_t>& bytes, std::string& why);
// Pixels, 0xAARRGGBB row by row, as the bytes of an RGB PNG file (alpha
// dropped: the window is opaque); false with the reason in `why`.
bool encode_png(const std::vector<uint32_t>& pixels, int w, int h, std::string& out, std::string& why);

// The display list (zgl_draw.cpp).
// Rasterises and presents the current frame if it differs from the one
// shown (or a redraw is due; a kept frame is drawn again only then), then
// makes it the frame shown; returns whether it presented.
bool show_frame();
// The frame last shown, drawn and presented again, with the output's
// pixels read back (0xAARRGGBB) before the present; false when there is no
// output to read.
bool read_shown_frame(std::vector<uint32_t>& pixels, int& w, int& h);
// Makes the current frame the one shown without drawing it (the test mode
// with rasterising off).
void retire_frame();
// The list of the current frame: the one being drawn, or after the frame
// is done, the one it became.
const display_list& current_frame();
// Forgets every SDL texture (renderer gone or recreated); they are made
// again from the kept pixels when next drawn.
void drop_textures();
SDL_Texture* texture_for(zgl_texture* t);
// The texture of `surface` in `slot`, made on first use (sampling linear
// texels, which `nearest` records); null when it cannot be made.
SDL_Texture* texture_of(SDL_Surface* surface, SDL_Texture*& slot, bool& nearest);
// Empties the display list for a new frame.
void begin_frame();
// A primitive of this kind with everything else at its neutral value.
inline prim make_prim(prim::kind_t kind, float x1, float y1, float x2, float y2, uint32_t color,
                      uint8_t alpha, uint32_t flags)
{
    return prim{kind, alpha, 0, color & 0xFFFFFF, flags, x1, y1, x2, y2, 0};
}
// Appends a primitive to the display list; a picture or text with what it
// needs besides.
inline void add(const prim& p)
{
    g.frame.prims.push_back(p);
    g.generation++;
}
void add(prim p, prim_extra extra);
// Counts a draw call dropped for a non-finite coordinate.
void skip_nonfinite();

// The projector scheme (zgl_scheme.cpp).
// A stroke or text colour darkened for the white background: same hue,
// contrast with white at least 4.5:1, never lighter than given.
uint32_t ink_colour(uint32_t rgb);
// An opaque surface's colour made light: HSL lightness inverted (at least
// 0.88), hue and saturation kept.
uint32_t surface_colour(uint32_t rgb);
// The picture with every texel's colour darkened as ink_colour (a black
// backing made light instead) and its alpha doubled.
SDL_Texture* dark_texture_for(zgl_texture* t);

// Text (zgl_text.cpp).
// Draws a TEXT primitive with the current renderer.
void draw_text(const prim& p, const prim_extra& e);
// Lets go of rendered texts not drawn for a while (called once per shown
// frame).
void evict_texts();
// Forgets every rendered text (the renderer is gone or recreated).
void drop_texts();

} // namespace zgl
