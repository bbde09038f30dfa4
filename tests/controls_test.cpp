// The on-screen controls: the list built for a window size, the pictures
// each button receives, and the hit test with the mouse placed through the
// graphics layer's test mode.
#include "app/controls.h"
#include "app/config.h"
#include "engines/screen_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/zgl_test.h"

namespace {

// Opens the offscreen 800 x 600 window so that mouse positions can be
// injected, and gives each test its own konfig.
class Controls : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ztest_Enable();
        ASSERT_TRUE(zglLoad());
        scr_SetOptions(800, 600, 1, false, true);
        zgl_Init(0, 0);
        k.width = 800;
        k.height = 600;
        k.controls = nullptr;
    }
    void TearDown() override
    {
        free_controls(k);
        file_CloseArchive();
        ztest_Shutdown();
    }
    // Places the mouse and lets the layer take the event.
    static void mouse_at(int x, int y)
    {
        ztest_MouseMove(x, y);
        ztest_Tick();
    }
    std::string hit_at(int x, int y)
    {
        mouse_at(x, y);
        control* h = hit_test(k.controls);
        return h != nullptr ? h->name : std::string("(null)");
    }
    // Opens the superposition panel the way the shell does: "tl_sup" and
    // every control after it become visible.
    void open_panel()
    {
        for (control* c = find_control(k.controls, "tl_sup"); c != nullptr; c = c->next) {
            c->visible = true;
        }
    }
    konfig k{};
};

void expect_rect(const zgl_rect& got, const zgl_rect& want, const std::string& what)
{
    EXPECT_FLOAT_EQ(got.x, want.x) << what;
    EXPECT_FLOAT_EQ(got.y, want.y) << what;
    EXPECT_FLOAT_EQ(got.w, want.w) << what;
    EXPECT_FLOAT_EQ(got.h, want.h) << what;
}

std::vector<control*> as_vector(control* head)
{
    std::vector<control*> v;
    for (control* c = head; c != nullptr; c = c->next) {
        v.push_back(c);
    }
    return v;
}

// The background, the listing, three strips, six display and time buttons
// and five system buttons, then the panel button "tl_sup", the panel, its
// switch and its ten boxes.
constexpr std::size_t SUP_AT = 16;
constexpr std::size_t CONTROL_COUNT = SUP_AT + 13;

bool inside(const zgl_rect& in, const zgl_rect& out)
{
    return in.x >= out.x && in.y >= out.y && in.x + in.w <= out.x + out.w && in.y + in.h <= out.y + out.h;
}

bool apart(const zgl_rect& a, const zgl_rect& b)
{
    return a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y;
}

} // namespace

TEST_F(Controls, EveryWindowGetsItsControlsInsideItApartAndInTheOrderTheHelpersNeed)
{
    for (auto [w, h] : {std::pair{800, 600}, {1024, 601}, {1600, 1200}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        k.width = w, k.height = h;
        build_controls(k);
        const std::vector<control*> got = as_vector(k.controls);
        ASSERT_EQ(got.size(), CONTROL_COUNT);
        expect_rect(got[0]->rect, {0, 0, float(w), float(h)}, "plocha");
        const zgl_rect window = got[0]->rect;
        const control* panel = find_control(k.controls, "pl_sup");
        std::vector<const control*> shown;
        for (std::size_t i = 0; i < got.size(); ++i) {
            const control& c = *got[i];
            EXPECT_TRUE(c.name.size() <= 10 && find_control(k.controls, c.name.c_str()) == &c) << c.name;
            EXPECT_FALSE(c.active) << c.name;
            EXPECT_TRUE(inside(c.rect, window)) << c.name;
            if (c.name[0] == 'V') {
                // The strips cover the energy diagram's band; the layout
                // gives them their x and width.
                const screen_map m = screen_of(k);
                EXPECT_FLOAT_EQ(c.rect.y, float(m.energy_top_y())) << c.name;
                EXPECT_FLOAT_EQ(c.rect.h, float(m.energy_band_height())) << c.name;
            } else if (i > 0) {
                EXPECT_TRUE(inside(c.hover_rect, c.rect)) << c.name;
            }
            if (c.visible && i > 0 && c.name[0] != 'V')
                shown.push_back(&c);
            // The panel and its members, which do not move with the window,
            // come last: "tl_sup", "pl_sup", then what lies on the panel.
            const bool member = i > SUP_AT + 1;
            EXPECT_EQ(member, c.name == "tl_%" || box_index(&c) >= 0) << c.name;
            if (member) {
                EXPECT_FALSE(c.visible) << c.name;
                EXPECT_TRUE(inside(c.rect, panel->rect)) << c.name;
            }
        }
        EXPECT_EQ(got[SUP_AT]->name, "tl_sup");
        EXPECT_EQ(got[SUP_AT + 1], panel);
        EXPECT_EQ(box_index(got[SUP_AT + 3]), 0);
        for (std::size_t i = 0; i < shown.size(); ++i)
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_TRUE(apart(shown[i]->rect, shown[j]->rect)) << shown[i]->name << " " << shown[j]->name;
        EXPECT_EQ(shown.size(), SUP_AT - 3); // the listing and every button before the panel's
    }
}

TEST_F(Controls, RebuildingReplacesTheListAndFreeingEmptiesIt)
{
    build_controls(k);
    find_control(k.controls, "vypis")->active = true;
    find_control(k.controls, "tl_sup")->visible = false;
    build_controls(k); // the old list is released (the leak checker watches)
    EXPECT_EQ(as_vector(k.controls).size(), CONTROL_COUNT);
    EXPECT_FALSE(find_control(k.controls, "vypis")->active);
    EXPECT_TRUE(find_control(k.controls, "tl_sup")->visible);
    free_controls(k);
    EXPECT_EQ(k.controls, nullptr);
    free_controls(k); // freeing an empty list is harmless
    EXPECT_EQ(find_control(k.controls, "plocha"), nullptr);
    EXPECT_EQ(hit_test(nullptr), nullptr);
}

TEST_F(Controls, EachButtonGetsItsOwnPictureFromTheArchive)
{
    ASSERT_TRUE(file_OpenArchive(VLNKAR_BUILD_DIR "/textury.dat", ""));
    build_controls(k);
    const std::pair<const char*, const char*> pictures[] = {
        {"tl_sup", "sup.png"}, {"tl_%", "prepinac.png"}, {"tl_osc", "oscil.png"}, {"tl_nek", "njam.png"},
        {"tl_jam", "jam.png"}, {"tl_bar", "bar.png"},    {"tl_def", "def.png"},   {"tl_im", "ima.png"},
        {"tl_re", "rea.png"},  {"tl_roz", "prav.png"},   {"tl_lupa", "lupa.png"}, {"tl_cas", "cas.png"},
        {"tl_pkt", "pkt.png"},
    };
    std::vector<zgl_texture*> seen;
    for (const auto& [name, file] : pictures) {
        const control* c = find_control(k.controls, name);
        ASSERT_NE(c, nullptr) << name;
        ASSERT_NE(c->texture, nullptr) << name << " has no picture";
        for (zgl_texture* t : seen) {
            EXPECT_NE(c->texture, t) << name << " shares a picture";
        }
        seen.push_back(c->texture);
    }
    // Panels, regions, boxes and the background carry no picture.
    for (control* c = k.controls; c != nullptr; c = c->next) {
        if (c->name.rfind("tl_", 0) != 0) {
            EXPECT_EQ(c->texture, nullptr) << c->name;
        }
    }
    // The slope arrow is in the archive too, for the engines.
    EXPECT_NE(tex_LoadFromFile("sipka.png", 0xFF000000, 0x432), nullptr);
}

TEST_F(Controls, WithoutTheArchiveTheButtonsStillExistAndAreHit)
{
    build_controls(k);
    EXPECT_EQ(find_control(k.controls, "tl_def")->texture, nullptr);
    EXPECT_EQ(as_vector(k.controls).size(), CONTROL_COUNT);
    EXPECT_EQ(hit_at(20, 390), "tl_def");
}

TEST_F(Controls, BorderPixelsOfAButtonAreOutsideIt)
{
    build_controls(k);
    // "tl_def" spans x 5..45, y 375..415.
    EXPECT_EQ(hit_at(5, 390), "plocha");
    EXPECT_EQ(hit_at(6, 390), "tl_def");
    EXPECT_EQ(hit_at(44, 390), "tl_def");
    EXPECT_EQ(hit_at(45, 390), "plocha");
    EXPECT_EQ(hit_at(20, 375), "plocha");
    EXPECT_EQ(hit_at(20, 376), "tl_def");
    EXPECT_EQ(hit_at(20, 414), "tl_def");
    // "tl_bar" starts at y 420: the gap between them is background.
    EXPECT_EQ(hit_at(20, 417), "plocha");
    EXPECT_EQ(hit_at(20, 421), "tl_bar");
    // The window's outermost pixels are on the background's own border.
    EXPECT_EQ(hit_at(0, 300), "plocha");
    EXPECT_EQ(hit_at(400, 0), "plocha");
}

TEST_F(Controls, MouseInRectIsStrictAgainstFractionalEdges)
{
    const zgl_rect r{10.5f, 20.5f, 5.0f, 5.0f}; // x 10.5..15.5, y 20.5..25.5
    mouse_at(11, 21);
    EXPECT_TRUE(mouse_in_rect(r));
    mouse_at(15, 25);
    EXPECT_TRUE(mouse_in_rect(r));
    mouse_at(10, 21);
    EXPECT_FALSE(mouse_in_rect(r));
    mouse_at(16, 21);
    EXPECT_FALSE(mouse_in_rect(r));
    mouse_at(11, 26);
    EXPECT_FALSE(mouse_in_rect(r));
    mouse_at(12, 22);
    EXPECT_FALSE(mouse_in_rect(zgl_rect{0, 0, 0, 0})); // an empty region is never hit
}

TEST_F(Controls, AHiddenControlIsNeverReturned)
{
    build_controls(k);
    EXPECT_EQ(hit_at(770, 25), "tl_lupa");
    find_control(k.controls, "tl_lupa")->visible = false;
    EXPECT_EQ(hit_at(770, 25), "plocha");
    // The closed panel's boxes are not found either.
    EXPECT_EQ(hit_at(110, 70), "plocha");
}

TEST_F(Controls, OutsideTheFirstControlNothingElseIsLookedAt)
{
    build_controls(k);
    // Shrink the background so that "tl_def" lies outside it.
    find_control(k.controls, "plocha")->rect = zgl_rect{100, 0, 700, 600};
    EXPECT_EQ(hit_at(20, 390), "plocha");
    EXPECT_EQ(hit_at(770, 25), "tl_lupa");
}

TEST_F(Controls, OnTheOpenPanelTheBoxesAreFoundAndTheBarePanelIsBackground)
{
    build_controls(k);
    open_panel();
    // "tl_sup" lies on "pl_sup" and comes before it.
    EXPECT_EQ(hit_at(20, 30), "tl_sup");
    // The boxes and the switch come after the panel and are still found.
    EXPECT_EQ(hit_at(50, 80), "C0");
    EXPECT_EQ(hit_at(110, 70), "C4");
    EXPECT_EQ(hit_at(187, 120), "C9");
    EXPECT_EQ(hit_at(170, 160), "tl_%");
    // Between the boxes, on the panel: the background, never "pl_sup".
    EXPECT_EQ(hit_at(80, 50), "plocha");
    EXPECT_EQ(hit_at(150, 170), "plocha");
    EXPECT_EQ(hit_at(210, 100), "plocha");
    for (int y = 16; y < 183; y += 3) {
        for (int x = 6; x < 211; x += 3) {
            mouse_at(x, y);
            ASSERT_NE(hit_test(k.controls)->name, "pl_sup") << x << "," << y;
        }
    }
}

TEST_F(Controls, RegionsPlacedByTheLayoutAreHitInTheirBand)
{
    build_controls(k);
    control* v2 = find_control(k.controls, "V2");
    v2->rect.x = 300;
    v2->rect.w = 100;
    EXPECT_EQ(hit_at(350, 401), "V2");
    EXPECT_EQ(hit_at(350, 400), "plocha");
    EXPECT_EQ(hit_at(350, 549), "V2");
    EXPECT_EQ(hit_at(350, 550), "plocha");
    // With no width yet, a region is never hit.
    EXPECT_EQ(hit_at(50, 450), "plocha");
}

TEST_F(Controls, EachSystemShowsItsStripsOrItsPanelButtonAndClosesAPanelItHasNot)
{
    for (const system_record* system : all_systems()) {
        SCOPED_TRACE(system->name);
        build_controls(k);
        control* sup = find_control(k.controls, "tl_sup");
        sup->active = true; // a panel left open by the system before
        open_panel();
        for (const char* name : {"tl_lupa", "V1", "V2", "V3", "tl_cas"})
            find_control(k.controls, name)->visible = name == std::string("tl_cas") ? false : !system->strips;
        show_system_controls(k, *system);
        EXPECT_TRUE(find_control(k.controls, "tl_lupa")->visible);
        EXPECT_FALSE(find_control(k.controls, "tl_cas")->visible); // not the system's to show
        for (const char* name : {"V1", "V2", "V3"})
            EXPECT_EQ(find_control(k.controls, name)->visible, system->strips) << name;
        EXPECT_EQ(sup->visible, system->panel);
        EXPECT_EQ(sup->active, system->panel);
        for (const char* name : {"pl_sup", "tl_%", "C0", "C9"}) // the panel's own toggle owns these
            EXPECT_EQ(find_control(k.controls, name)->visible, system->panel) << name;
    }
    // A list without the panel button is walked to its end.
    control v3{"V3", nullptr, {}, {}, 0, 0, false, false, nullptr};
    control lupa{"tl_lupa", nullptr, {}, {}, 0, 0, false, false, &v3};
    konfig bare{};
    bare.controls = &lupa;
    show_system_controls(bare, *all_systems()[0]);
    EXPECT_TRUE(lupa.visible && v3.visible);
}
