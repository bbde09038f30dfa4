// The on-screen controls: the 29 controls of the window as one singly linked
// list headed by konfig::controls, their geometry for the window size at the
// time the list is built, and the hit test that tells which control lies
// under the mouse.
//
// Relies on: the records (engines/engine.h) and the graphics layer for the
// mouse position and for loading the button pictures from the open archive.
#include "app/controls.h"

#include "app/config.h"
#include "engines/screen_map.h"

#include <cstddef>

namespace {

// Every picture is loaded with no colour key. The flags ask for clamped,
// linearly filtered pictures with alpha; the graphics layer ignores them
// (it chooses the sampling itself, nearest texel at a picture's own size).
constexpr uint32_t NO_COLOUR_KEY = 0xFF000000;
constexpr uint32_t PICTURE_FLAGS = 0x432;

// Puts a new control in front of the list and returns it. The hover
// rectangle starts equal to rect; buttons and panels set their own below.
control* prepend(konfig& k, const char* name, zgl_rect rect, uint8_t hover_alpha, uint32_t hover_color,
                 bool visible)
{
    control* c = new control{};
    c->name = name;
    c->texture = nullptr;
    c->rect = rect;
    c->hover_rect = rect;
    c->hover_alpha = hover_alpha;
    c->hover_color = hover_color;
    c->visible = visible;
    c->active = false;
    c->next = k.controls;
    k.controls = c;
    return c;
}

// A 40 x 40 picture button at (x, y): its highlight is a white square inset
// by 2 pixels on each side, at opacity 100.
control* prepend_button(konfig& k, const char* name, float x, float y)
{
    control* c = prepend(k, name, zgl_rect{x, y, 40.0f, 40.0f}, 100, 0xFFFFFF, true);
    c->hover_rect = zgl_rect{x + 2.0f, y + 2.0f, 36.0f, 36.0f};
    return c;
}

// The button pictures besides the systems' own, loaded in this order with
// the systems' (from the last system up) between the panel's two and the
// display's.
struct picture_slot {
    const char* control_name;
    const char* file;
};
constexpr picture_slot PANEL_PICTURES[] = {{"tl_sup", "sup.png"}, {"tl_%", "prepinac.png"}};
constexpr picture_slot DISPLAY_PICTURES[] = {
    {"tl_pkt", "pkt.png"},  {"tl_im", "ima.png"},    {"tl_re", "rea.png"},
    {"tl_roz", "prav.png"}, {"tl_lupa", "lupa.png"}, {"tl_cas", "cas.png"},
};

void load_picture(konfig& k, const char* control_name, const char* file)
{
    if (control* c = find_control(k.controls, control_name))
        c->texture = tex_LoadFromFile(file, NO_COLOUR_KEY, PICTURE_FLAGS);
}

// The superposition button sits at (5, 15); its panel and the members on it
// are placed relative to it.
constexpr float SUP_X = 5.0f;
constexpr float SUP_Y = 15.0f;

} // namespace

void free_controls(konfig& k)
{
    // Each node's successors go before the node itself: turn the list round
    // and free it from its old tail, without recursion.
    control* reversed = nullptr;
    for (control* c = k.controls; c != nullptr;) {
        control* next = c->next;
        c->next = reversed;
        reversed = c;
        c = next;
    }
    while (reversed != nullptr) {
        control* next = reversed->next;
        delete reversed;
        reversed = next;
    }
    k.controls = nullptr;
}

void build_controls(konfig& k)
{
    free_controls(k);

    const float W = static_cast<float>(k.width);
    // The potential strips cover the band of the energy diagram (H = 600
    // gives y 400 and height 150).
    const screen_map band = screen_of(k);
    const float band_y = static_cast<float>(band.energy_top_y());
    const float band_h = static_cast<float>(band.energy_band_height());
    const float Hf = static_cast<float>(k.height);

    // Built back to front, each control put in front of the list, so the
    // list reads from "plocha" to "C9".

    // The coefficient boxes C0..C9 take cells 1..10 of a 3 x 4 grid filled
    // column by column over the panel; cell 0 is the button itself and cell
    // 11 the value/phasor switch.
    for (int j = COEF_COUNT - 1; j >= 0; --j) {
        const int i = j + 1;
        const float x = SUP_X + 27.0f + 68.0f * static_cast<float>(i / 4);
        const float y = SUP_Y + 5.0f + 40.0f * static_cast<float>(i % 4);
        const char name[3] = {'C', static_cast<char>('0' + j), '\0'};
        prepend(k, name, zgl_rect{x, y, 38.0f, 38.0f}, 20, 0xFFFFFF, false);
    }
    prepend(k, "tl_%", zgl_rect{SUP_X + 148.0f, SUP_Y + 128.0f, 53.0f, 35.0f}, 20, 0xFFFFFF, false);
    control* panel = prepend(k, "pl_sup", zgl_rect{SUP_X, SUP_Y, 206.0f, 168.0f}, 0, 0xFFFFFF, false);
    panel->hover_rect = zgl_rect{SUP_X, SUP_Y, 40.0f, 40.0f};
    prepend_button(k, "tl_sup", SUP_X, SUP_Y);

    // The system buttons down the left edge, 45 pixels apart, the last
    // system's at the bottom.
    const auto systems = all_systems();
    for (std::size_t i = systems.size(); i-- > 0;)
        prepend_button(k, systems[i]->button, 5.0f, Hf - 45.0f * static_cast<float>(systems.size() - i));

    // The display buttons at the bottom right, time and zoom at the top right.
    prepend_button(k, "tl_pkt", W - 45.0f, Hf - 245.0f);
    prepend_button(k, "tl_im", W - 45.0f, Hf - 95.0f);
    prepend_button(k, "tl_re", W - 45.0f, Hf - 145.0f);
    prepend_button(k, "tl_roz", W - 45.0f, Hf - 195.0f);
    prepend_button(k, "tl_lupa", W - 50.0f, 5.0f);
    prepend_button(k, "tl_cas", W - 50.0f, 50.0f);

    // The three potential regions of the energy diagram; the engine's layout
    // gives them their x and width.
    prepend(k, "V3", zgl_rect{0.0f, band_y, 0.0f, band_h}, 70, 0x555555, true);
    prepend(k, "V2", zgl_rect{0.0f, band_y, 0.0f, band_h}, 70, 0x555555, true);
    prepend(k, "V1", zgl_rect{50.0f, band_y, 0.0f, band_h}, 70, 0x555555, true);

    // The listing panel (its highlight is invisible) and the background.
    // The listing grows with the texts of a large window, leftwards and
    // downwards from its corner beside the zoom button.
    const float grow = static_cast<float>(band.text_scale());
    prepend(k, "vypis", zgl_rect{W - 60.0f - 165.0f * grow, 5.0f, 165.0f * grow, 100.0f * grow}, 0, 0x555555,
            true);
    prepend(k, "plocha", zgl_rect{0.0f, 0.0f, W, Hf}, 0, 0x000000, true);

    // The pictures, from the open archive, in their fixed order. A picture
    // that cannot be loaded leaves a null handle: the button still works,
    // it is just not drawn.
    for (const picture_slot& p : PANEL_PICTURES)
        load_picture(k, p.control_name, p.file);
    for (std::size_t i = systems.size(); i-- > 0;)
        load_picture(k, systems[i]->button, systems[i]->picture);
    for (const picture_slot& p : DISPLAY_PICTURES)
        load_picture(k, p.control_name, p.file);
}

bool mouse_in_rect(const zgl_rect& r)
{
    // Whole-pixel mouse against a single-precision rectangle; the border
    // pixels count as outside. Compared in double so that nothing rounds.
    const double mx = mouse_X();
    const double my = mouse_Y();
    return r.x < mx && mx < static_cast<double>(r.x) + r.w && r.y < my && my < static_cast<double>(r.y) + r.h;
}

control* hit_test(control* head)
{
    if (head == nullptr) {
        return nullptr;
    }
    // The head is the background: outside it (the window's outermost rows
    // and columns) nothing else is looked at.
    if (!mouse_in_rect(head->rect)) {
        return head;
    }
    // The first visible control under the mouse in list order wins. The
    // superposition panel itself is skipped so that the boxes and the
    // switch lying on it are found, and the bare panel between them counts
    // as background.
    for (control* c = head->next; c != nullptr; c = c->next) {
        if (c->visible && c->name != "pl_sup" && mouse_in_rect(c->rect)) {
            return c;
        }
    }
    return head;
}

void show_system_controls(konfig& k, const system_record& system)
{
    // The walk ends at "tl_sup": the panel's members behind it keep the
    // visibility the panel's own toggle gave them.
    for (control* c = k.controls; c != nullptr; c = c->next) {
        if (c->name == "tl_sup") {
            c->visible = system.panel;
            // A panel left open by a bound-state system would keep its
            // boxes clickable with no button to close it: close it.
            if (!system.panel && c->active) {
                c->active = false;
                set_panel_visible(c, false);
            }
            return;
        }
        if (c->name == "tl_lupa")
            c->visible = true;
        else if (!c->name.empty() && c->name[0] == 'V')
            c->visible = system.strips;
        else if (c->name == "tl_pkt")
            c->visible = system.packet;
    }
}

namespace {

// Whether the boxes show their coefficients turned at time t: not at 0,
// and only where the system gives their phase factors.
bool box_turns(const situace& s, long double t)
{
    return t != 0.0L && s.system != nullptr && s.system->box_phase != nullptr;
}

} // namespace

cplx box_shown(const situace& s, int box, long double t)
{
    const cplx c = s.coef[FIRST_COEF + box];
    return box_turns(s, t) ? c * s.system->box_phase(s, box, t) : c;
}

cplx box_coefficient(const situace& s, int box, long double t, cplx shown)
{
    // The phase factor has modulus 1: dividing by it is multiplying by its
    // conjugate.
    return box_turns(s, t) ? shown * std::conj(s.system->box_phase(s, box, t)) : shown;
}

void layout_and_step(situace& s, konfig& k)
{
    if (s.layout == nullptr || s.step == nullptr)
        return;
    s.layout(s, k);
    if (s.system != nullptr)
        show_system_controls(k, *s.system);
    s.step(s, k);
}
