// The test mode of the graphics layer: the real SDL backend in an offscreen
// window (SDL's dummy video driver, software renderer), input injected as
// SDL events, the main loop driven tick by tick and frame by frame without
// real time, pixels read back, and a recorder of every primitive drawn.
//
// Used only by tests and benchmarks; all of it is in zgl_test.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/zgl.h"

// One recorded primitive, in the order drawn: a read-only copy of an entry
// of the layer's display list, for checking what was drawn.
struct zgl_prim {
    enum kind_t { LINE, RECT, CIRCLE, SPRITE, TEXT } kind;
    // LINE: (x1, y1) to (x2, y2). RECT: x1, y1 = x, y and x2, y2 = w, h.
    // CIRCLE: x1, y1 = centre, x2 = radius. SPRITE: as RECT.
    // TEXT: x1, y1 = point (text_Draw/Ex) or x, y of the rectangle
    // (text_DrawInRect, with x2, y2 = w, h).
    float x1, y1, x2, y2;
    uint32_t color; // 0xRRGGBB (text: 0xFFFFFF unless text_DrawEx gave one)
    uint8_t alpha;
    uint32_t flags;
    float angle;      // SPRITE only
    float scale;      // TEXT only (1 unless text_DrawEx gave one)
    bool in_rect;     // TEXT only: drawn by text_DrawInRect
    zgl_texture* tex; // SPRITE only
    std::string text; // TEXT only
};

// Switches the layer into test mode: the next zglLoad uses SDL's dummy
// video driver and zgl_Init opens an offscreen width x height window with
// the software renderer, calls the load callback and returns. Call before
// zglLoad.
void ztest_Enable();
// The screen that full screen covers, pixels (0 x 0, the default: the
// window's own size). In full screen the offscreen window takes this size
// and the logical picture is scaled onto it, aspect kept, as on a real
// screen of that size.
void ztest_SetScreen(int width, int height);
// Runs the exit callback (if registered and not yet run), closes the
// window, forgets the callbacks and timers, and resets the input state, so
// the next test starts clean.
void ztest_Shutdown();

// Processes the injected events, then runs every timer procedure once.
void ztest_Tick(int count = 1);
// Processes the injected events, clears the recorder, runs the draw
// callback and rasterises the frame (unless rasterising is off).
void ztest_Frame();
// Whether frames are rasterised (on by default). Off: primitives are only
// recorded, for measuring the cost of a draw procedure alone.
void ztest_SetRaster(bool on);

// Injected input, queued as real SDL events and processed by the next
// ztest_Tick or ztest_Frame.
void ztest_KeyDown(uint8_t scan_code, bool repeat = false);
void ztest_KeyUp(uint8_t scan_code);
void ztest_MouseMove(int x, int y); // logical pixels
// A move to a pixel of the screen (of the offscreen window): in full screen
// with a scaled picture, the layer maps it back to logical pixels.
void ztest_ScreenMouseMove(int x, int y);
void ztest_MouseButton(int button, bool down);
void ztest_Wheel(int dir); // M_WUP or M_WDOWN
void ztest_Text(const std::string& utf8);
// The window loses the keyboard focus (the user switched to another window).
void ztest_FocusLost();
// A file dropped on the window.
void ztest_DropFile(const std::string& path);
// A key event by SDL scancode number (a USB HID usage: Up is 82, Escape
// 41), for checking how SDL keys map to scan codes.
void ztest_SDLKey(int sdl_scancode, bool down, bool repeat = false);

// The recorder: every primitive since the last ztest_Frame or
// ztest_ClearPrims, including those drawn outside the main loop. The vector
// and references into it stay valid until something more is drawn.
const std::vector<zgl_prim>& ztest_Prims();
void ztest_ClearPrims();
// Draw calls dropped since the test mode started because a coordinate,
// size, angle or scale was not a finite number.
uint64_t ztest_NonFiniteSkipped();

// Pixels of the last rasterised frame, 0xRRGGBB.
uint32_t ztest_Pixel(int x, int y);
bool ztest_SavePNG(const std::string& path);
// The pixels of a PNG file, 0xRRGGBB row by row, into `pixels`; false (and
// nothing changed) when it cannot be read.
bool ztest_LoadPNG(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels);
// Whether the last ztest_Frame was rasterised and presented (false when it
// equalled the frame shown before).
bool ztest_LastFramePresented();
// SDL line drawing calls (a polyline of joined segments is one) made for
// the last rasterised frame.
int ztest_LineCalls();
// The colour a stroke of colour `rgb` is drawn in, in the projector scheme.
uint32_t ztest_InkColour(uint32_t rgb);
// State the tests check.
bool ztest_ExitRequested();
std::string ztest_Caption();
int ztest_WindowWidth();
int ztest_WindowHeight();
bool ztest_Fullscreen();
