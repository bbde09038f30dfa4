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

// The SDL keys that are no letter, digit or F1..F10, with their set-1 codes
// (extended keys, sent after the E0 prefix, with the high bit set).
struct key_code {
    SDL_Scancode sdl;
    uint8_t set1;
};
constexpr key_code kOtherKeys[] = {
    {SDL_SCANCODE_RETURN, 0x1C},       {SDL_SCANCODE_ESCAPE, 0x01},      {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},          {SDL_SCANCODE_SPACE, 0x39},       {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},       {SDL_SCANCODE_LEFTBRACKET, 0x1A}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_BACKSLASH, 0x2B},    {SDL_SCANCODE_NONUSHASH, 0x2B},   {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},   {SDL_SCANCODE_GRAVE, 0x29},       {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},       {SDL_SCANCODE_SLASH, 0x35},       {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F11, 0x57},          {SDL_SCANCODE_F12, 0x58},         {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},   {SDL_SCANCODE_PAUSE, 0xC5},       {SDL_SCANCODE_INSERT, 0xD2},
    {SDL_SCANCODE_HOME, 0xC7},         {SDL_SCANCODE_PAGEUP, 0xC9},      {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_END, 0xCF},          {SDL_SCANCODE_PAGEDOWN, 0xD1},    {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_LEFT, 0xCB},         {SDL_SCANCODE_DOWN, 0xD0},        {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_KP_DIVIDE, 0xB5},   {SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {SDL_SCANCODE_KP_MINUS, 0x4A},     {SDL_SCANCODE_KP_PLUS, 0x4E},     {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_KP_1, 0x4F},         {SDL_SCANCODE_KP_2, 0x50},        {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_4, 0x4B},         {SDL_SCANCODE_KP_5, 0x4C},        {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_7, 0x47},         {SDL_SCANCODE_KP_8, 0x48},        {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_0, 0x52},         {SDL_SCANCODE_KP_PERIOD, 0x53},   {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_APPLICATION, 0xDD},  {SDL_SCANCODE_LCTRL, 0x1D},       {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_LALT, 0x38},         {SDL_SCANCODE_LGUI, 0xDB},        {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_RSHIFT, 0x36},       {SDL_SCANCODE_RALT, 0xB8},        {SDL_SCANCODE_RGUI, 0xDC},
};

// The set-1 code of an SDL key, 0 for a key the layer does not know.
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
    for (const key_code& k : kOtherKeys)
        if (k.sdl == sc)
            return k.set1;
    return 0;
}

// The scan codes one SDL key stands for: its own and, for the keys the
// program treats as one, the shared code (either Shift; keypad Enter is
// Enter as well, right Ctrl is Ctrl). Returns how many were written.
int codes_of(SDL_Scancode sc, uint8_t out[2])
{
    int n = 0;
    if (uint8_t c = set1_of(sc))
        out[n++] = c;
    if (sc == SDL_SCANCODE_LSHIFT || sc == SDL_SCANCODE_RSHIFT)
        out[n++] = kEitherShift;
    if (sc == SDL_SCANCODE_KP_ENTER)
        out[n++] = 0x1C;
    // Either Ctrl is K_CTRL, the left one's code.
    if (sc == SDL_SCANCODE_RCTRL)
        out[n++] = 0x1D;
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
        // A key pressed with Ctrl held counts Ctrl as pressed in the same
        // tick, even when Ctrl was pressed in an earlier one and let go
        // before this tick read the keys (a quick Ctrl+S).
        if (e.key.keysym.mod & KMOD_CTRL)
            g.pressed[0x1D] = true;
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
    case SDL_DROPFILE:
        // SDL hands over the path, which is ours to free; the last of
        // several dropped at once wins.
        if (e.drop.file) {
            g.dropped = e.drop.file;
            SDL_free(e.drop.file);
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

std::string wnd_TakeDroppedFile()
{
    std::string path;
    path.swap(g.dropped);
    return path;
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
