// The graphics layer: window, main loop, 10 ms timer, keyboard and mouse, the
// picture archive, textures, the font and 2-D drawing. The shell and the
// engines see only this header: plain values (scan codes, pixels, 0xRRGGBB
// colours, alpha 0-255) and opaque handles, never SDL types.
//
// Relies on: SDL2, SDL2_image, SDL2_ttf and PhysFS, used only by the
// platform's own sources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Opaque handles. A null handle is valid everywhere: drawing with it draws
// nothing, so a missing picture gives an invisible but working button.
struct zgl_texture;
struct zgl_font;

// A rectangle in window pixels, origin top left.
struct zgl_rect {
    float x, y, w, h;
};

// Callback slots of zgl_Reg.
enum : int {
    SYS_LOAD = 3, // once, when the window is ready, before the first frame
    SYS_DRAW = 4, // once per frame
    SYS_EXIT = 6, // once, when the main loop ends
};

// Flags of zgl_Enable / zgl_Disable.
enum : uint32_t {
    CORRECT_RESOLUTION = 0x20,
    CORRECT_WIDTH = 0x40,
    CORRECT_HEIGHT = 0x80,
};

// Drawing flags.
enum : uint32_t {
    PR2D_FILL = 0x10000, // pr2d_Rect, pr2d_Circle: filled instead of outline
    FX_BLEND = 0x100000, // ssprite2d_Draw: alpha blending
    TEXT_HALIGN_CENTER = 0x02,
    TEXT_VALIGN_CENTER = 0x20,
};

// PC keyboard scan codes (set 1, extended keys with the high bit set).
enum : uint8_t {
    K_ESCAPE = 0x01,
    K_1 = 0x02,
    K_2 = 0x03,
    K_W = 0x11,
    K_E = 0x12,
    K_R = 0x13,
    K_I = 0x17,
    K_P = 0x19,
    K_LBRACKET = 0x1A,
    K_RBRACKET = 0x1B,
    K_ENTER = 0x1C, // keypad Enter is reported as Enter too
    K_CTRL = 0x1D, // either Ctrl key (the right one also reports its own 0x9D)
    K_S = 0x1F,
    K_F = 0x21,
    K_K = 0x25,
    K_L = 0x26,
    K_X = 0x2D,
    K_B = 0x30,
    K_N = 0x31,
    K_M = 0x32,
    K_SPACE = 0x39,
    K_F1 = 0x3B,
    K_KP_MINUS = 0x4A,
    K_KP_PLUS = 0x4E,
    K_UP = 0xC8,
    K_PGUP = 0xC9,
    K_LEFT = 0xCB,
    K_RIGHT = 0xCD,
    K_DOWN = 0xD0,
    K_PGDN = 0xD1,
    K_SHIFT = 0xFC, // either Shift key
};

// Mouse buttons and wheel directions.
enum : int {
    M_BLEFT = 0,
    M_BMIDDLE = 1,
    M_BRIGHT = 2,
    M_WUP = 0,
    M_WDOWN = 1,
};

// ---- Life -------------------------------------------------------------

// Starts the graphics. Returns false when they cannot start: no display,
// SDL fails to initialise, or only SDL's offscreen/dummy driver is available
// when the test mode did not ask for it. In that case it has already shown
// the message box (where one can be shown) with caption "Error" and text
// "Error while loading ZenGL" and written that text with SDL's reason to
// stderr. Nothing else may be called before it succeeds.
bool zglLoad();

void zgl_Reg(int slot, void (*proc)());
// A procedure run every interval_ms of real time by the main loop.
void timer_Add(void (*proc)(), uint32_t interval_ms);
// Opens the window with the options of scr_SetOptions, calls the load
// callback, runs the main loop and returns true when it ends (after the
// exit callback). In the test mode it opens the offscreen window, calls the
// load callback and returns at once; the test then drives ticks and frames.
// Returns false, having said why on stderr (and, outside the test mode, in
// the message box), when no window can be opened; nothing has run then.
bool zgl_Init(uint8_t fsaa = 0, uint8_t stencil = 0);
// Asks the main loop to end after the current tick or frame.
void zgl_Exit();
void wnd_SetCaption(const std::string& caption);
// The window's icon, which the desktop shows in the title bar, the task bar
// and the dock, from the bytes of a PNG file: set on the window zgl_Init
// opens, or at once on an open one. A picture that cannot be decoded is said
// on stderr, and the window keeps the desktop's default icon.
void wnd_SetIcon(const uint8_t* png, size_t size);
void wnd_ShowCursor(bool show);
void scr_SetOptions(uint16_t width, uint16_t height, uint16_t refresh, bool fullscreen, bool vsync);
// The logical drawing size that is scaled (aspect kept) to the real screen.
void scr_CorrectResolution(uint16_t width, uint16_t height);
// The colour scheme frames are rasterised in: false (the default) draws as
// given, on black; true is the projector scheme, on white. In it every line,
// curve, outline, text and button picture is darkened to a colour of the same
// hue with a contrast of at least 4.5:1 against white (a colour bright on
// black, such as white or yellow, becomes among the darkest), lines and
// outlines are two pixels wide, and an opaque filled rectangle (alpha 200 or
// more) becomes a light surface of its hue; a translucent fill takes the
// darkened colour at its alpha, a light tint. What is drawn is recorded as
// given either way; the next frame is shown in the new scheme even when it
// is the same as the last.
void scr_SetScheme(bool projector);
void zgl_Enable(uint32_t what);
void zgl_Disable(uint32_t what);

// ---- Input --------------------------------------------------------------

bool key_Press(uint8_t code); // pressed since the last key_ClearState; auto-repeat is not a press
bool key_Down(uint8_t code);  // held now
// Collects typed characters (UTF-8) after `initial`, at most max_chars
// characters; Backspace removes the last one.
void key_BeginReadText(const std::string& initial, int max_chars);
std::string key_GetText();
void key_EndReadText();
void key_ClearState();

int mouse_X(); // logical window pixels
int mouse_Y();
bool mouse_Down(int button);  // held now
bool mouse_Up(int button);    // released since the last clear
bool mouse_Click(int button); // pressed since the last clear
bool mouse_Wheel(int dir);    // M_WUP / M_WDOWN since the last clear
void mouse_ClearState();

// ---- Files --------------------------------------------------------------

// Mounts a zip archive; while it is open, file names resolve inside it. A
// relative name is looked up in the current directory, then beside the
// executable. Returns false (and says why on stderr) when it cannot.
bool file_OpenArchive(const std::string& name, const std::string& password);
void file_CloseArchive();
// A PNG picture; null on any failure (reported on stderr once per name).
zgl_texture* tex_LoadFromFile(const std::string& name, uint32_t transparent_color = 0xFF000000,
                              uint32_t flags = 0x432);
// The font; null on failure.
zgl_font* font_LoadFromFile(const std::string& name);
// The path of the file last dropped on the window since the last call, ""
// for none; each drop is given once.
std::string wnd_TakeDroppedFile();
// The window's pixels as they were last shown (in full screen the whole
// screen), as a PNG file at `path`: written beside it under a temporary
// name and then given the name, never over an existing file. False with
// the reason in `why` (a clause) when it cannot be done.
bool scr_SavePNG(const std::string& path, std::string& why);

// ---- Drawing ------------------------------------------------------------
// Coordinates in logical window pixels. A primitive with a non-finite
// coordinate is skipped.

void pr2d_Line(float x1, float y1, float x2, float y2, uint32_t color, uint8_t alpha = 255,
               uint32_t flags = 0);
void pr2d_Rect(float x, float y, float w, float h, uint32_t color, uint8_t alpha = 255, uint32_t flags = 0);
void pr2d_Circle(float x, float y, float radius, uint32_t color, uint8_t alpha = 255, uint16_t quality = 32,
                 uint32_t flags = 0);
// Picture over (x, y, w, h), turned by angle degrees about the centre.
void ssprite2d_Draw(zgl_texture* tex, float x, float y, float w, float h, float angle, uint8_t alpha = 255,
                    uint32_t flags = FX_BLEND);
// Text is UTF-8, white by default. With TEXT_HALIGN_CENTER / TEXT_VALIGN_CENTER
// the point (x, y) is the centre of the text.
void text_Draw(zgl_font* font, float x, float y, const std::string& text, uint32_t flags = 0);
void text_DrawEx(zgl_font* font, float x, float y, float scale, float step, const std::string& text,
                 uint8_t alpha, uint32_t color, uint32_t flags = 0);
// Word-wrapped to the rectangle's width; a line feed starts a new line.
// Flags 0 (top left), 0x02, 0x20, 0x22 centre horizontally and/or vertically.
// Lines past the rectangle's bottom are still drawn.
void text_DrawInRect(zgl_font* font, zgl_rect rect, const std::string& text, uint32_t flags = 0);
// Every text after this call, drawn or measured, is `scale` times as large
// as its own scale asks: the shell grows all its texts with a large window
// this way. 1 at the start; a scale that is not finite or not above 0 is
// taken as 1.
void text_SetScale(float scale);
// The width in pixels of one line of text as text_DrawEx draws it at this
// scale, and the height of a line (the distance from one line to the next;
// a descender may reach one pixel below it). 0 for a null font or a scale
// the font cannot be drawn at.
float text_GetWidth(zgl_font* font, const std::string& text, float scale = 1.0f);
float text_GetHeight(zgl_font* font, float scale = 1.0f);

// Called by the draw callback instead of drawing, when its picture would be
// the same as the last frame's: that frame is kept as it is and is drawn and
// presented again only when the screen needs it (the window was exposed,
// resized or switched to full screen). What the callback draws besides is
// ignored.
void zgl_KeepFrame();
