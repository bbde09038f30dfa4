// Help for a first-time user, in the running program (offscreen test mode):
// F1 and its overlay, the start hint, the tooltips, that no help text
// leaves the window or covers the control under the mouse, and the Czech
// catalogue.
#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/controls.h"
#include "app/help.h"
#include "app/help_layout.h"
#include "common/i18n.h"
#include "app/shell.h"
#include "platform/zgl_test.h"

namespace fs = std::filesystem;

namespace {

struct window_size {
    int w, h;
};

// The program started in a fresh folder holding the archive and a
// "config.ini" for the window size under test.
class Help : public ::testing::Test {
  protected:
    void start(window_size size = {800, 600})
    {
        old_dir_ = fs::current_path();
        char tmpl[] = "/tmp/vlnkar_help_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        fs::create_symlink(fs::path(VLNKAR_BUILD_DIR) / "textury.dat", dir_ / "textury.dat");
        std::ofstream(dir_ / "config.ini", std::ios::binary)
            << "Konfigurace Vlnkar\r\n[SIRKA]=" << size.w << "\r\n[VYSKA]=" << size.h
            << "\r\n[VYCHOZI SYSTEM]=volna\r\n";
        fs::current_path(dir_);
        ztest_Enable();
        ASSERT_EQ(vlnkar_main(), 0);
        ASSERT_NE(shell.font, nullptr);
    }
    void TearDown() override
    {
        ztest_Shutdown();
        fs::current_path(old_dir_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static void press(uint8_t key)
    {
        ztest_KeyDown(key);
        ztest_Tick();
        ztest_KeyUp(key);
    }
    static void click_on(const char* name)
    {
        const control* c = find_control(shell.konf.controls, name);
        ASSERT_NE(c, nullptr) << name;
        ztest_MouseMove(int(c->rect.x + c->rect.w / 2), int(c->rect.y + c->rect.h / 2));
        ztest_MouseButton(M_BLEFT, true);
        ztest_Tick();
        ztest_MouseButton(M_BLEFT, false);
        ztest_Tick();
        ztest_MouseMove(1, 1); // a corner only the background covers
        ztest_Tick();
    }
    // The text drawn in the last frame, or null.
    static const zgl_prim* drawn(const std::string& text)
    {
        for (const zgl_prim& p : ztest_Prims())
            if (p.kind == zgl_prim::TEXT && p.text == text)
                return &p;
        return nullptr;
    }
    // The box of a drawn rectangle or text, measured as the layout does.
    static zgl_rect box_of(const zgl_prim& p)
    {
        if (p.kind == zgl_prim::TEXT)
            return {p.x1, p.y1, text_GetWidth(shell.font, p.text, p.scale),
                    text_GetHeight(shell.font, p.scale)};
        return {p.x1, p.y1, p.x2, p.y2};
    }
    static bool inside_window(const zgl_rect& r)
    {
        return r.x >= 0 && r.y >= 0 && r.x + r.w <= float(shell.konf.width) &&
               r.y + r.h <= float(shell.konf.height);
    }

    fs::path old_dir_, dir_;
};

class HelpAtSize : public Help, public ::testing::WithParamInterface<window_size> {};

bool overlap(const zgl_rect& a, const zgl_rect& b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// An input procedure that notes whether it ever saw F1 pressed.
int g_engine_calls;
bool g_engine_saw_f1;
void spy_input(situace&, konfig&, control*, bool&)
{
    ++g_engine_calls;
    g_engine_saw_f1 = g_engine_saw_f1 || key_Press(K_F1);
}

} // namespace

TEST_F(Help, F1TogglesTheOverlayNoEngineSeesItAndTheHintStandsFiveSeconds)
{
    start();
    const std::string title = help_lines(shell.sit).front().text;
    shell.sit.input = spy_input;
    press(K_F1);
    ztest_Frame();
    EXPECT_TRUE(drawn(title));
    EXPECT_FALSE(drawn(help_hint_text())); // F1 found: no more hint
    // Everything else keeps working under it.
    press(K_SPACE);
    EXPECT_TRUE(shell.konf.running);
    ztest_Tick(3); // ticks for the engine
    press(K_F1);
    ztest_Frame();
    EXPECT_FALSE(drawn(title));
    EXPECT_GT(g_engine_calls, 0);
    EXPECT_FALSE(g_engine_saw_f1);
    // Escape still ends the program with the overlay on.
    press(K_F1);
    press(K_ESCAPE);
    EXPECT_TRUE(ztest_ExitRequested());

    // Without F1 the hint stands for 500 ticks of 10 ms.
    help_start();
    ztest_Tick(int(HELP_HINT_TICKS) - 1);
    ztest_Frame();
    EXPECT_TRUE(drawn(help_hint_text()));
    ztest_Tick();
    ztest_Frame();
    EXPECT_FALSE(drawn(help_hint_text()));
}

TEST_F(Help, OverlayListsTheActionsOfTheSystemOnScreen)
{
    start();
    press(K_F1);
    const struct {
        const char* button;
        std::vector<const char*> listed, absent;
    } rows[] = {
        {"tl_def", {"energy E", "slope arrows (real part)"}, {"next / previous state", "turn its phase"}},
        {"tl_jam", {"its potential", "move the middle region"}, {"wider / narrower well"}},
        {"tl_nek",
         {"wider / narrower well", "turn its phase"},
         {"energy E", "real, imaginary part on or off"}},
        {"tl_osc", {"higher / lower frequency ω", "energy and width labels"}, {"energy E"}},
    };
    for (const auto& r : rows) {
        click_on(r.button);
        ztest_Frame();
        EXPECT_TRUE(drawn("end the program")) << r.button;
        for (const char* text : r.listed)
            EXPECT_TRUE(drawn(text)) << r.button << ": " << text;
        for (const char* text : r.absent)
            EXPECT_FALSE(drawn(text)) << r.button << ": " << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, HelpAtSize, ::testing::Values(window_size{800, 600}, window_size{320, 240}),
                         [](const auto& info) {
                             return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

// With the overlay on, for every control the hit test finds at its centre
// (the plot strips in a three-region system, the switch and the boxes on
// the infinite well's open panel): a tooltip after 50 ticks of rest and
// not one earlier, only on buttons, the switch and the boxes, inside the
// window, gone when the mouse leaves; and nothing the help draws after the
// hover highlight lies over the control, but over the plot strips.
TEST_P(HelpAtSize, TooltipsAfterHalfASecondOnlyOnButtonsSwitchAndBoxesNeverOverTheControl)
{
    start(GetParam());
    ztest_SetRaster(false);
    press(K_F1);
    int shown = 0;
    for (const char* system : {"tl_def", "tl_nek"}) {
        click_on(system);
        if (system == std::string("tl_nek"))
            click_on("tl_sup");
        for (control* c = shell.konf.controls->next; c != nullptr; c = c->next) {
            ztest_MouseMove(int(c->rect.x + c->rect.w / 2), int(c->rect.y + c->rect.h / 2));
            ztest_Tick();
            if (hit_test(shell.konf.controls) != c)
                continue; // hidden, or under another control here
            const bool wanted = c->name.starts_with("tl_") || c->name[0] == 'C';
            const std::string tip = help_tooltip(*c, false);
            EXPECT_EQ(tip.empty(), !wanted) << c->name;
            ztest_Tick(int(HELP_REST_TICKS) - 1);
            ztest_Frame();
            EXPECT_FALSE(wanted && drawn(tip)) << c->name << " too early";
            ztest_Tick();
            ztest_Frame();
            const zgl_prim* p = drawn(tip);
            EXPECT_EQ(p != nullptr, wanted) << c->name;
            shown += p != nullptr;
            EXPECT_TRUE(p == nullptr || inside_window(box_of(*p))) << c->name;
            // What follows the highlight (a filled rectangle over hover_rect).
            const std::vector<zgl_prim>& prims = ztest_Prims();
            size_t i = prims.size();
            while (i > 0 && !(prims[i - 1].kind == zgl_prim::RECT && prims[i - 1].x1 == c->hover_rect.x &&
                              prims[i - 1].y1 == c->hover_rect.y && prims[i - 1].alpha == c->hover_alpha))
                --i;
            ASSERT_GT(i, 0u) << c->name << ": no highlight";
            for (; i < prims.size() && c->name[0] != 'V'; ++i)
                EXPECT_FALSE(overlap(box_of(prims[i]), c->rect)) << c->name << " covered";
            ztest_MouseMove(1, 1);
            ztest_Tick();
            ztest_Frame();
            EXPECT_FALSE(drawn(tip)) << c->name << " after leaving";
        }
    }
    // Ten visible buttons of a three-region system, eleven and the switch
    // and ten boxes with the panel open; fewer where controls overlap in the
    // small window.
    EXPECT_GE(shown, shell.konf.width == 800 ? 32 : 15);
}

// Every system, with the panel open for the bound-state ones: the layout
// keeps every word of the overlay's lines, all of it is drawn, and every
// text of the overlay and of the start hint lies inside the window.
TEST_P(HelpAtSize, NoHelpTextRunsOutsideTheWindow)
{
    start(GetParam());
    for (const char* system : {"tl_def", "tl_bar", "tl_jam", "tl_nek", "tl_osc", "tl_sup"}) {
        click_on(system);
        const std::vector<help_line> lines = help_lines(shell.sit);
        help_overlay lay;
        ASSERT_TRUE(help_lay_out_overlay(shell.konf, lines, shell.font, lay)) << system;
        std::multiset<std::string> words, laid;
        auto add = [](const std::string& text, std::multiset<std::string>& to) {
            std::istringstream in(text);
            for (std::string w; in >> w;)
                to.insert(w);
        };
        for (const help_line& l : lines) {
            add(l.key, words);
            add(l.text, words);
        }
        std::set<std::string> texts{help_hint_text()};
        for (const help_text_box& t : lay.texts) {
            add(t.text, laid);
            texts.insert(t.text);
        }
        EXPECT_EQ(laid, words) << system;
        for (bool overlay : {true, false}) {
            shell.help = help_state{};
            shell.help.shown = overlay;
            ztest_Frame();
            EXPECT_EQ(drawn(help_hint_text()) != nullptr, !overlay) << system;
            for (const help_text_box& t : lay.texts)
                EXPECT_EQ(drawn(t.text) != nullptr, overlay) << system << ": " << t.text;
            for (const zgl_prim& p : ztest_Prims()) {
                const bool help_text = p.kind == zgl_prim::TEXT && texts.contains(p.text);
                EXPECT_TRUE(!help_text || inside_window(box_of(p)))
                    << system << ": " << p.text << " at " << p.x1;
            }
        }
    }
}

// ---------------------------------------------------------------- languages

// Every help text of every system and every tooltip in the language of the
// moment, each with whether it is an entry's key.
std::vector<std::pair<std::string, bool>> all_texts()
{
    std::vector<std::pair<std::string, bool>> out{{help_hint_text(), false}};
    for (const system_record* system : all_systems()) {
        situace s{};
        s.system = system;
        for (const help_line& l : help_lines(s)) {
            out.push_back({l.text, false});
            if (l.kind == HELP_ENTRY)
                out.push_back({l.key, true});
        }
    }
    control c{};
    for (const char* name : {"tl_cas", "tl_lupa", "tl_roz", "tl_re", "tl_im", "tl_pkt", "tl_def", "tl_bar", "tl_jam",
                             "tl_nek", "tl_osc", "tl_sup", "tl_%", "C4"})
        for (bool mode : {false, true}) {
            c.name = name;
            c.active = mode;
            out.push_back({help_tooltip(c, mode), false});
        }
    return out;
}

// Keys naming mouse actions are words to translate; key names (F1, Esc,
// Shift, the arrows) are not.
bool to_translate(const std::pair<std::string, bool>& t)
{
    for (const char* word : {"click", "wheel", "button", "drag", "over"})
        if (t.first.find(word) != std::string::npos)
            return true;
    return !t.second;
}

TEST(HelpLanguage, CzechCatalogueUnderACzechLocaleAndEnglishOtherwise)
{
    const fs::path dir = fs::temp_directory_path() / ("vlnkar-help-locale-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string cmd =
        "localedef -i cs_CZ -f UTF-8 '" + (dir / "cs_CZ.UTF-8").string() + "' >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(cmd.c_str()); // 1 for mere warnings: the folder is what counts
    ASSERT_TRUE(fs::exists(dir / "cs_CZ.UTF-8"))
        << "localedef could not build cs_CZ.UTF-8 (package 'locales')";
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE", "LOCPATH"};
    std::vector<std::string> saved;
    for (const char* n : names) {
        saved.push_back(std::getenv(n) ? std::getenv(n) : "");
        ::unsetenv(n);
    }
    const std::string numbers = std::setlocale(LC_NUMERIC, nullptr);
    i18n_init();
    const auto english = all_texts();
    EXPECT_EQ(help_hint_text(), "F1: help");

    ::setenv("LOCPATH", dir.c_str(), 1);
    for (const char* variable : {"LANG", "LC_MESSAGES", "LC_ALL"}) {
        ::setenv(variable, "cs_CZ.UTF-8", 1);
        i18n_init();
        EXPECT_EQ(help_hint_text(), "F1: nápověda") << variable;
        const auto czech = all_texts();
        ASSERT_EQ(czech.size(), english.size());
        for (size_t i = 0; i < english.size(); ++i) {
            if (to_translate(english[i])) {
                EXPECT_NE(czech[i].first, english[i].first) << "untranslated";
            }
        }
        EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), numbers); // numbers keep their own locale
        ::unsetenv(variable);
    }
    // A Czech locale without a catalogue, or another language: English.
    ::setenv("LANG", "cs_CZ.UTF-8", 1);
    i18n_init((dir / "no-catalogues-here").string());
    EXPECT_EQ(all_texts(), english);
    ::setenv("LANG", "C.UTF-8", 1);
    i18n_init();
    EXPECT_EQ(all_texts(), english);

    for (size_t i = 0; i < saved.size(); ++i)
        saved[i].empty() ? ::unsetenv(names[i]) : ::setenv(names[i], saved[i].c_str(), 1);
    i18n_init();
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST(HelpLanguage, CatalogueIsBesideTheProgramInTheBuildOrUnderShareLocaleWhenInstalled)
{
    EXPECT_EQ(i18n_catalogue_dir("/nonexistent/usr/bin/vlnkar"), "/nonexistent/usr/share/locale");
    EXPECT_EQ(i18n_catalogue_dir(VLNKAR_BUILD_DIR "/vlnkar"), VLNKAR_BUILD_DIR "/locale");
    EXPECT_TRUE(fs::exists(fs::path(VLNKAR_BUILD_DIR) / "locale" / "cs" / "LC_MESSAGES" / "vlnkar.mo"));
}
