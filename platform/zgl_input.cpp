// Keyboard and mouse: SDL events turned into the PC scan-code key state, the
// mouse state in logical pixels and the collected typed text; the injected
// events of the test mode take the same path.
//
// Relies on SDL scancodes being USB HID usage numbers, which the table below
// maps to PC keyboard set 1 (extended keys, sent after the E0 prefix, with
// the high bit set).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/zgl_internal.h"

namespace zgl {

namespace {

// Either Shift key (a code of its own besides 0x2A left and 0x36 right).
constexpr uint8_t kEitherShift = 0xFC;

uint8_t set1_of(SDL_Scancode sc)
{
    // Letters A..Z (HID 4..29) in set 1.
    static const uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                        0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                        0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
        return letters[sc - SDL_SCANCODE_A];
    // Digits 1..9, 0 lie in order in both sets.
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_0)
        return uint8_t(0x02 + (sc - SDL_SCANCODE_1));
    // F1..F10 are consecutive in both sets too.
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F10)
        return uint8_t(0x3B + (sc - SDL_SCANCODE_F1));
    switch (sc) {
    case SDL_SCANCODE_RETURN:
        return 0x1C;
    case SDL_SCANCODE_ESCAPE:
        return 0x01;
    case SDL_SCANCODE_BACKSPACE:
        return 0x0E;
    case SDL_SCANCODE_TAB:
        return 0x0F;
    case SDL_SCANCODE_SPACE:
        return 0x39;
    case SDL_SCANCODE_MINUS:
        return 0x0C;
    case SDL_SCANCODE_EQUALS:
        return 0x0D;
    case SDL_SCANCODE_LEFTBRACKET:
        return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET:
        return 0x1B;
    case SDL_SCANCODE_BACKSLASH:
        return 0x2B;
    case SDL_SCANCODE_NONUSHASH:
        return 0x2B;
    case SDL_SCANCODE_SEMICOLON:
        return 0x27;
    case SDL_SCANCODE_APOSTROPHE:
        return 0x28;
    case SDL_SCANCODE_GRAVE:
        return 0x29;
    case SDL_SCANCODE_COMMA:
        return 0x33;
    case SDL_SCANCODE_PERIOD:
        return 0x34;
    case SDL_SCANCODE_SLASH:
        return 0x35;
    case SDL_SCANCODE_CAPSLOCK:
        return 0x3A;
    case SDL_SCANCODE_F11:
        return 0x57;
    case SDL_SCANCODE_F12:
        return 0x58;
    case SDL_SCANCODE_PRINTSCREEN:
        return 0xB7;
    case SDL_SCANCODE_SCROLLLOCK:
        return 0x46;
    case SDL_SCANCODE_PAUSE:
        return 0xC5;
    case SDL_SCANCODE_INSERT:
        return 0xD2;
    case SDL_SCANCODE_HOME:
        return 0xC7;
    case SDL_SCANCODE_PAGEUP:
        return 0xC9;
    case SDL_SCANCODE_DELETE:
        return 0xD3;
    case SDL_SCANCODE_END:
        return 0xCF;
    case SDL_SCANCODE_PAGEDOWN:
        return 0xD1;
    case SDL_SCANCODE_RIGHT:
        return 0xCD;
    case SDL_SCANCODE_LEFT:
        return 0xCB;
    case SDL_SCANCODE_DOWN:
        return 0xD0;
    case SDL_SCANCODE_UP:
        return 0xC8;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return 0x45;
    case SDL_SCANCODE_KP_DIVIDE:
        return 0xB5;
    case SDL_SCANCODE_KP_MULTIPLY:
        return 0x37;
    case SDL_SCANCODE_KP_MINUS:
        return 0x4A;
    case SDL_SCANCODE_KP_PLUS:
        return 0x4E;
    case SDL_SCANCODE_KP_ENTER:
        return 0x9C;
    case SDL_SCANCODE_KP_1:
        return 0x4F;
    case SDL_SCANCODE_KP_2:
        return 0x50;
    case SDL_SCANCODE_KP_3:
        return 0x51;
    case SDL_SCANCODE_KP_4:
        return 0x4B;
    case SDL_SCANCODE_KP_5:
        return 0x4C;
    case SDL_SCANCODE_KP_6:
        return 0x4D;
    case SDL_SCANCODE_KP_7:
        return 0x47;
    case SDL_SCANCODE_KP_8:
        return 0x48;
    case SDL_SCANCODE_KP_9:
        return 0x49;
    case SDL_SCANCODE_KP_0:
        return 0x52;
    case SDL_SCANCODE_KP_PERIOD:
        return 0x53;
    case SDL_SCANCODE_NONUSBACKSLASH:
        return 0x56;
    case SDL_SCANCODE_APPLICATION:
        return 0xDD;
    case SDL_SCANCODE_LCTRL:
        return 0x1D;
    case SDL_SCANCODE_LSHIFT:
        return 0x2A;
    case SDL_SCANCODE_LALT:
        return 0x38;
    case SDL_SCANCODE_LGUI:
        return 0xDB;
    case SDL_SCANCODE_RCTRL:
        return 0x9D;
    case SDL_SCANCODE_RSHIFT:
        return 0x36;
    case SDL_SCANCODE_RALT:
        return 0xB8;
    case SDL_SCANCODE_RGUI:
        return 0xDC;
    default:
        return 0;
    }
}

// The scan codes one SDL key stands for: its own and, for the keys the
// program treats as one, the shared code (either Shift; keypad Enter is
// Enter as well). Returns how many were written.
int codes_of(SDL_Scancode sc, uint8_t out[2])
{
    int n = 0;
    if (uint8_t c = set1_of(sc))
        out[n++] = c;
    if (sc == SDL_SCANCODE_LSHIFT || sc == SDL_SCANCODE_RSHIFT)
        out[n++] = kEitherShift;
    if (sc == SDL_SCANCODE_KP_ENTER)
        out[n++] = 0x1C;
    return n;
}

// For each scan code, the SDL keys that report it.
const std::vector<SDL_Scancode>& keys_of(uint8_t code)
{
    static std::vector<SDL_Scancode> table[256];
    static bool built = false;
    if (!built) {
        for (int i = 0; i < SDL_NUM_SCANCODES; i++) {
            uint8_t c[2];
            int n = codes_of(SDL_Scancode(i), c);
            for (int j = 0; j < n; j++)
                table[c[j]].push_back(SDL_Scancode(i));
        }
        built = true;
    }
    return table[code];
}

size_t utf8_chars(const std::string& s)
{
    size_t n = 0;
    for (unsigned char ch : s)
        n += (ch & 0xC0) != 0x80;
    return n;
}

void pop_utf8_char(std::string& s)
{
    while (!s.empty()) {
        unsigned char ch = s.back();
        s.pop_back();
        if ((ch & 0xC0) != 0x80)
            break; // the lead byte ends the character
    }
}

// Appends typed characters one at a time while the limit allows.
void append_typed(const char* utf8)
{
    size_t len = std::strlen(utf8);
    size_t have = utf8_chars(g.text);
    for (size_t i = 0; i < len;) {
        size_t j = i + 1;
        while (j < len && (static_cast<unsigned char>(utf8[j]) & 0xC0) == 0x80)
            j++;
        if (static_cast<int>(have) >= g.text_limit)
            break;
        g.text.append(utf8 + i, j - i);
        have++;
        i = j;
    }
}

// Window pixels to logical pixels: undo the placement of the scaled picture.
void map_mouse(int wx, int wy)
{
    float ratio = 1;
    if (g.window && g.renderer) {
        int ww = 0, wh = 0, ow = 0, oh = 0;
        SDL_GetWindowSize(g.window, &ww, &wh);
        if (SDL_GetRendererOutputSize(g.renderer, &ow, &oh) == 0 && ww > 0)
            ratio = float(ow) / float(ww);
    }
    g.mouse_x = int(std::floor((float(wx) * ratio - g.out_x) / g.out_scale));
    g.mouse_y = int(std::floor((float(wy) * ratio - g.out_y) / g.out_scale));
}

int button_index(uint8_t sdl_button)
{
    switch (sdl_button) {
    case SDL_BUTTON_LEFT:
        return M_BLEFT;
    case SDL_BUTTON_MIDDLE:
        return M_BMIDDLE;
    case SDL_BUTTON_RIGHT:
        return M_BRIGHT;
    default:
        return -1;
    }
}

} // namespace

uint8_t scan_from_sdl(SDL_Scancode sc)
{
    return set1_of(sc);
}

SDL_Scancode sdl_from_scan(uint8_t code)
{
    const auto& keys = keys_of(code);
    return keys.empty() ? SDL_SCANCODE_UNKNOWN : keys.front();
}

void handle_event(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_QUIT:
        g.exit_requested = true;
        break;
    case SDL_KEYDOWN: {
        SDL_Scancode sc = e.key.keysym.scancode;
        if (sc < 0 || sc >= SDL_NUM_SCANCODES)
            break;
        g.held[sc] = true;
        // Backspace edits the typed text on every repeat, like any text field.
        if (g.reading && sc == SDL_SCANCODE_BACKSPACE)
            pop_utf8_char(g.text);
        if (e.key.repeat)
            break; // auto-repeat of a held key is not a new press
        uint8_t c[2];
        int n = codes_of(sc, c);
        for (int i = 0; i < n; i++)
            g.pressed[c[i]] = true;
        break;
    }
    case SDL_KEYUP: {
        SDL_Scancode sc = e.key.keysym.scancode;
        if (sc >= 0 && sc < SDL_NUM_SCANCODES)
            g.held[sc] = false;
        break;
    }
    case SDL_TEXTINPUT:
        if (g.reading)
            append_typed(e.text.text);
        break;
    case SDL_MOUSEMOTION:
        map_mouse(e.motion.x, e.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        map_mouse(e.button.x, e.button.y);
        int b = button_index(e.button.button);
        if (b < 0)
            break;
        if (e.type == SDL_MOUSEBUTTONDOWN) {
            g.mouse_down[b] = true;
            g.mouse_click[b] = true;
        } else {
            g.mouse_down[b] = false;
            g.mouse_up[b] = true;
        }
        break;
    }
    case SDL_MOUSEWHEEL: {
        int y = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            y = -y;
        if (y > 0)
            g.wheel[M_WUP] = true;
        if (y < 0)
            g.wheel[M_WDOWN] = true;
        break;
    }
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Releases go to another window: forget what is held, so no
            // key or button sticks.
            std::memset(g.held, 0, sizeof g.held);
            std::memset(g.mouse_down, 0, sizeof g.mouse_down);
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            g.redraw = true;
            break;
        default:
            break;
        }
        break;
    case SDL_RENDER_TARGETS_RESET:
        g.redraw = true;
        break;
    case SDL_RENDER_DEVICE_RESET:
        drop_textures();
        g.redraw = true;
        break;
    default:
        break;
    }
}

void process_events()
{
    while (!g.injected.empty()) {
        SDL_Event e = g.injected.front();
        g.injected.pop_front();
        handle_event(e);
    }
    if (!g.sdl)
        return;
    // One pump, then the queue is emptied without pumping again: each pump
    // asks the X server, which is most of an idle program's cost.
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
        handle_event(e);
}

void reset_input()
{
    std::memset(g.held, 0, sizeof g.held);
    std::memset(g.pressed, 0, sizeof g.pressed);
    std::memset(g.mouse_down, 0, sizeof g.mouse_down);
    std::memset(g.mouse_up, 0, sizeof g.mouse_up);
    std::memset(g.mouse_click, 0, sizeof g.mouse_click);
    std::memset(g.wheel, 0, sizeof g.wheel);
    g.mouse_x = g.mouse_y = 0;
    g.reading = false;
    g.text.clear();
    g.text_limit = 0;
    g.injected.clear();
}

} // namespace zgl

using zgl::g;

bool key_Press(uint8_t code)
{
    return g.pressed[code];
}

bool key_Down(uint8_t code)
{
    for (SDL_Scancode sc : zgl::keys_of(code))
        if (g.held[sc])
            return true;
    return false;
}

void key_BeginReadText(const std::string& initial, int max_chars)
{
    g.reading = true;
    g.text = initial;
    g.text_limit = max_chars;
    if (g.sdl && !g.test_mode)
        SDL_StartTextInput();
}

std::string key_GetText()
{
    return g.text;
}

void key_EndReadText()
{
    g.reading = false;
    if (g.sdl && !g.test_mode)
        SDL_StopTextInput();
}

void key_ClearState()
{
    std::memset(g.pressed, 0, sizeof g.pressed);
}

int mouse_X()
{
    return g.mouse_x;
}
int mouse_Y()
{
    return g.mouse_y;
}

static bool valid_button(int b)
{
    return b >= 0 && b < 3;
}
bool mouse_Down(int button)
{
    return valid_button(button) && g.mouse_down[button];
}
bool mouse_Up(int button)
{
    return valid_button(button) && g.mouse_up[button];
}
bool mouse_Click(int button)
{
    return valid_button(button) && g.mouse_click[button];
}
bool mouse_Wheel(int dir)
{
    return (dir == M_WUP || dir == M_WDOWN) && g.wheel[dir];
}

void mouse_ClearState()
{
    std::memset(g.mouse_up, 0, sizeof g.mouse_up);
    std::memset(g.mouse_click, 0, sizeof g.mouse_click);
    std::memset(g.wheel, 0, sizeof g.wheel);
}

// ---- Injected input of the test mode ----------------------------------

static void inject_key(SDL_Scancode sc, bool down, bool repeat)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = sc;
    g.injected.push_back(e);
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

// Injected positions are logical pixels; turn them into window pixels so
// they take the same mapping as real ones.
static void logical_to_window(int x, int y, int& wx, int& wy)
{
    wx = int(std::lround(float(x) * g.out_scale + g.out_x));
    wy = int(std::lround(float(y) * g.out_scale + g.out_y));
}

void ztest_MouseMove(int x, int y)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    logical_to_window(x, y, e.motion.x, e.motion.y);
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
