// Help for a first-time user, in the running program (offscreen test mode):
// F1 and its overlay, the start hint, the tooltips, that every help text
// stays inside the window, and the Czech catalogue.
#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/help.h"
#include "app/help_layout.h"
#include "app/i18n.h"
#include "app/shell.h"
#include "engines/infinite_well/infinite_well.h"
#include "engines/oscillator/oscillator.h"
#include "engines/three_region/three_region.h"
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
        ASSERT_EQ(konf.width, size.w);
        ASSERT_NE(font, nullptr);
        started_ = true;
    }
    void TearDown() override
    {
        if (!started_)
            return;
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
        const control* c = find_control(konf.controls, name);
        ASSERT_NE(c, nullptr) << name;
        ztest_MouseMove(int(c->rect.x + c->rect.w / 2), int(c->rect.y + c->rect.h / 2));
        ztest_MouseButton(M_BLEFT, true);
        ztest_Tick();
        ztest_MouseButton(M_BLEFT, false);
        ztest_Tick();
    }
    // A corner pixel that only the background covers.
    static void mouse_to_background() { ztest_MouseMove(1, 1); }
    static bool drawn(const std::string& text)
    {
        for (const zgl_prim& p : ztest_Prims())
            if (p.kind == zgl_prim::TEXT && p.text == text)
                return true;
        return false;
    }
    static const zgl_prim* drawn_prim(const std::string& text)
    {
        for (const zgl_prim& p : ztest_Prims())
            if (p.kind == zgl_prim::TEXT && p.text == text)
                return &p;
        return nullptr;
    }
    static std::string title() { return help_lines(sit).front().text; }

    fs::path old_dir_, dir_;
    bool started_ = false;
};

// The words of a text, for checking that a layout drops none.
void add_words(const std::string& text, std::multiset<std::string>& words)
{
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.insert(w);
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

TEST_F(Help, F1TogglesTheOverlayNoEngineSeesItAndEverythingElseKeepsWorking)
{
    start();
    mouse_to_background();
    ztest_Frame();
    ASSERT_FALSE(drawn(title()));
    g_engine_calls = 0;
    g_engine_saw_f1 = false;
    sit.input = spy_input;

    press(K_F1);
    EXPECT_TRUE(help.shown);
    ztest_Frame();
    EXPECT_TRUE(drawn(title()));
    // Time and display keys still act while it shows.
    press(K_SPACE);
    EXPECT_TRUE(konf.running);
    ztest_Tick(3);
    press(K_F1);
    EXPECT_FALSE(help.shown);
    ztest_Frame();
    EXPECT_FALSE(drawn(title()));

    EXPECT_GT(g_engine_calls, 0);
    EXPECT_FALSE(g_engine_saw_f1);

    // Escape still ends the program with the overlay on.
    press(K_F1);
    press(K_ESCAPE);
    EXPECT_TRUE(ztest_ExitRequested());
    EXPECT_TRUE(help.shown);
}

TEST_F(Help, StartHintStandsForFiveSecondsOrUntilF1)
{
    start();
    mouse_to_background();
    const std::string hint = help_hint_text();
    ztest_Tick(int(HELP_HINT_TICKS) - 1);
    ztest_Frame();
    EXPECT_TRUE(drawn(hint));
    ztest_Tick();
    ztest_Frame();
    EXPECT_FALSE(drawn(hint));
    help.ticks = 0; // as at start, but F1 has been used
    press(K_F1);
    press(K_F1);
    ztest_Frame();
    EXPECT_FALSE(drawn(hint));
}

TEST_F(Help, OverlayListsTheActionsOfTheSystemOnScreen)
{
    start();
    mouse_to_background();
    press(K_F1);
    struct row {
        const char* button;
        std::vector<const char*> listed, absent;
    };
    const row rows[] = {
        {"tl_def", {"energy E", "slope arrows (real part)"}, {"next / previous state", "turn its phase"}},
        {"tl_bar", {"its potential", "move the middle region"}, {"wider / narrower well"}},
        {"tl_jam", {"energy E"}, {"higher / lower frequency ω"}},
        {"tl_nek",
         {"wider / narrower well", "next / previous state", "turn its phase"},
         {"energy E", "real, imaginary part on or off"}},
        {"tl_osc", {"higher / lower frequency ω", "energy and width labels", "turn its phase"}, {"energy E"}},
    };
    for (const row& r : rows) {
        click_on(r.button);
        mouse_to_background();
        ztest_Tick();
        ztest_Frame();
        for (const char* text : r.listed)
            EXPECT_TRUE(drawn(text)) << r.button << ": " << text;
        for (const char* text : r.absent)
            EXPECT_FALSE(drawn(text)) << r.button << ": " << text;
        EXPECT_TRUE(drawn("end the program")) << r.button;
    }
}

class HelpAtSize : public Help, public ::testing::WithParamInterface<window_size> {};

INSTANTIATE_TEST_SUITE_P(Windows, HelpAtSize, ::testing::Values(window_size{800, 600}, window_size{320, 240}),
                         [](const auto& info) {
                             return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

// The boxes of what the frame drew after the hover highlight of c: the
// help's panel, texts and tooltip.
std::vector<zgl_rect> drawn_after_highlight(const control& c)
{
    const std::vector<zgl_prim>& prims = ztest_Prims();
    size_t first = prims.size();
    for (size_t i = 0; i < prims.size(); ++i) {
        const zgl_prim& p = prims[i];
        if (p.kind == zgl_prim::RECT && p.x1 == c.hover_rect.x && p.y1 == c.hover_rect.y &&
            p.x2 == c.hover_rect.w && p.color == c.hover_color && p.alpha == c.hover_alpha)
            first = i + 1;
    }
    EXPECT_LT(first, prims.size() + 1) << c.name;
    std::vector<zgl_rect> out;
    for (size_t i = first; i < prims.size(); ++i) {
        const zgl_prim& p = prims[i];
        if (p.kind == zgl_prim::RECT)
            out.push_back({p.x1, p.y1, p.x2, p.y2});
        else if (p.kind == zgl_prim::TEXT)
            out.push_back({p.x1, p.y1, text_GetWidth(font, p.text, p.scale), text_GetHeight(font, p.scale)});
    }
    return out;
}

bool overlap(const zgl_rect& a, const zgl_rect& b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// With the overlay on, for every control the hit test finds at its centre:
// a tooltip after 50 ticks of rest and not one tick earlier, only on
// buttons, the switch and the boxes, inside the window; nothing of the help
// over the control (but over the plot strips, which are the plot); the
// tooltip gone when the mouse leaves. Three-region systems show the plot
// strips, the infinite well with its panel open the switch and the boxes.
TEST_P(HelpAtSize, TooltipsAfterHalfASecondOnlyOnButtonsSwitchAndBoxesAndNeverOverTheControl)
{
    const window_size size = GetParam();
    start(size);
    ztest_SetRaster(false);
    press(K_F1);
    int shown = 0;
    for (const char* system : {"tl_def", "tl_nek"}) {
        click_on(system);
        if (std::string(system) == "tl_nek")
            click_on("tl_sup");
        for (control* c = konf.controls; c != nullptr; c = c->next) {
            const int x = int(c->rect.x + c->rect.w / 2), y = int(c->rect.y + c->rect.h / 2);
            ztest_MouseMove(x, y);
            ztest_Tick();
            if (c == konf.controls || hit_test(konf.controls) != c)
                continue; // the background, a hidden control, or one under another here
            const bool wanted = c->name.starts_with("tl_") || (c->name.size() == 2 && c->name[0] == 'C');
            const std::string tip = help_tooltip(*c, false);
            EXPECT_EQ(!tip.empty(), wanted) << c->name;
            ztest_Tick(int(HELP_REST_TICKS) - 1);
            ztest_Frame();
            EXPECT_FALSE(wanted && drawn(tip)) << c->name << " too early";
            ztest_Tick();
            ztest_Frame();
            EXPECT_EQ(drawn(tip), wanted) << c->name;
            if (!c->name.starts_with("V")) {
                for (const zgl_rect& r : drawn_after_highlight(*c))
                    EXPECT_FALSE(overlap(r, c->rect)) << c->name << " covered at " << r.x << ", " << r.y;
            }
            if (!wanted)
                continue;
            const zgl_prim* p = drawn_prim(tip);
            ASSERT_NE(p, nullptr) << c->name;
            ++shown;
            const float w = text_GetWidth(font, tip, p->scale), h = text_GetHeight(font, p->scale);
            EXPECT_TRUE(p->x1 >= 0 && p->y1 >= 0 && p->x1 + w <= float(size.w) && p->y1 + h <= float(size.h))
                << c->name;
            mouse_to_background();
            ztest_Tick();
            ztest_Frame();
            EXPECT_FALSE(drawn(tip)) << c->name << " after leaving";
        }
    }
    // Eleven buttons less the one hidden in three-region systems, the switch
    // and ten boxes, twice less the boxes; fewer where controls overlap in
    // the small window.
    EXPECT_GE(shown, size.w == 800 ? 32 : 15);
}

// Every system, with the panel open for the bound-state ones: the overlay's
// layout keeps every word of its lines, all of it is drawn, and every text
// of the overlay and the start hint, as drawn, lies inside the window
// (tooltips: the test above).
TEST_P(HelpAtSize, NoHelpTextRunsOutsideTheWindow)
{
    const window_size size = GetParam();
    start(size);
    mouse_to_background();
    press(K_F1);
    for (const char* system : {"tl_def", "tl_bar", "tl_jam", "tl_nek", "tl_osc", "tl_sup"}) {
        click_on(system);
        mouse_to_background();
        ztest_Tick();
        ztest_Frame();

        const std::vector<help_line> lines = help_lines(sit);
        help_overlay lay;
        ASSERT_TRUE(help_lay_out_overlay(konf, lines, font, lay)) << system;
        std::multiset<std::string> words, laid;
        for (const help_line& l : lines) {
            add_words(l.key, words);
            add_words(l.text, words);
        }
        for (const help_text_box& t : lay.texts) {
            add_words(t.text, laid);
            EXPECT_TRUE(drawn(t.text)) << system << ": " << t.text;
        }
        EXPECT_EQ(laid, words) << system;

        std::set<std::string> help_texts{help_hint_text()};
        for (const help_text_box& t : lay.texts)
            help_texts.insert(t.text);
        // The overlay's frame, then one with the start hint instead.
        for (bool overlay : {true, false}) {
            help = help_state{};
            help.shown = overlay;
            ztest_Frame();
            EXPECT_EQ(drawn(help_hint_text()), !overlay) << system;
            for (const zgl_prim& p : ztest_Prims()) {
                if (p.kind != zgl_prim::TEXT || !help_texts.contains(p.text))
                    continue;
                const float w = text_GetWidth(font, p.text, p.scale), h = text_GetHeight(font, p.scale);
                EXPECT_TRUE(p.x1 >= 0 && p.y1 >= 0 && p.x1 + w <= float(size.w) && p.y1 + h <= float(size.h))
                    << system << ": \"" << p.text << "\" at " << p.x1 << ", " << p.y1 << " width " << w;
            }
        }
        help.shown = true;
    }
}

// ---------------------------------------------------------------- languages

class HelpLanguage : public ::testing::Test {
  protected:
    static inline fs::path dir;
    static inline bool available = false;

    static void SetUpTestSuite()
    {
        dir = fs::temp_directory_path() / ("vlnkar-help-locale-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const std::string cmd =
            "localedef -i cs_CZ -f UTF-8 '" + (dir / "cs_CZ.UTF-8").string() + "' >/dev/null 2>&1";
        const int rc = std::system(cmd.c_str());
        // localedef returns 1 for mere warnings; the folder is what counts.
        available = (rc == 0 || WEXITSTATUS(rc) == 1) && fs::exists(dir / "cs_CZ.UTF-8");
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void SetUp() override
    {
        ASSERT_TRUE(available) << "localedef could not build cs_CZ.UTF-8 (package 'locales')";
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE", "LOCPATH"}) {
            const char* v = std::getenv(name);
            if (v != nullptr)
                saved_[name] = v;
            ::unsetenv(name);
        }
    }
    void TearDown() override
    {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE", "LOCPATH"}) {
            auto it = saved_.find(name);
            if (it != saved_.end())
                ::setenv(name, it->second.c_str(), 1);
            else
                ::unsetenv(name);
        }
        i18n_init();
    }
    static void czech(const char* variable)
    {
        ::setenv("LOCPATH", dir.c_str(), 1);
        ::setenv(variable, "cs_CZ.UTF-8", 1);
    }

    // Every help text of every system and every tooltip, in the current
    // language, in a fixed order; `key` marks an entry's key.
    struct text {
        std::string s;
        bool key;
        bool operator==(const text&) const = default;
    };
    static std::vector<text> all_texts()
    {
        std::vector<text> out{{help_hint_text(), false}};
        for (input_proc_t input : {three_region_input, infinite_well_input, oscillator_input}) {
            situace s{};
            s.input = input;
            for (const help_line& l : help_lines(s)) {
                out.push_back({l.text, false});
                if (l.kind == HELP_ENTRY)
                    out.push_back({l.key, true});
            }
        }
        control c{};
        for (const char* name : {"tl_cas", "tl_lupa", "tl_roz", "tl_re", "tl_im", "tl_def", "tl_bar",
                                 "tl_jam", "tl_nek", "tl_osc", "tl_sup", "tl_%", "C4"}) {
            c.name = name;
            for (bool mode : {false, true}) {
                c.active = mode;
                out.push_back({help_tooltip(c, mode), false});
            }
        }
        return out;
    }
    // Keys naming mouse actions are words to translate; key names (F1,
    // Shift, the arrows) are not.
    static bool translatable(const text& t)
    {
        if (!t.key)
            return true;
        for (const char* word : {"click", "wheel", "button", "drag"})
            if (t.s.find(word) != std::string::npos)
                return true;
        return false;
    }

    std::map<std::string, std::string> saved_;
};

TEST_F(HelpLanguage, CzechCatalogueUnderACzechLocaleAndEnglishOtherwise)
{
    const std::string numbers = std::setlocale(LC_NUMERIC, nullptr);
    i18n_init();
    const std::vector<text> english = all_texts();
    EXPECT_EQ(help_hint_text(), "F1: help");

    for (const char* variable : {"LANG", "LC_MESSAGES", "LC_ALL"}) {
        czech(variable);
        i18n_init();
        EXPECT_EQ(help_hint_text(), "F1: nápověda") << variable;
        const std::vector<text> czech_texts = all_texts();
        ASSERT_EQ(czech_texts.size(), english.size());
        for (size_t i = 0; i < english.size(); ++i) {
            if (translatable(english[i])) {
                EXPECT_NE(czech_texts[i].s, english[i].s) << "untranslated";
            }
        }
        // Only the messages follow the locale; numbers keep theirs.
        EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), numbers);
        ::unsetenv(variable);
    }

    // Czech locale without a catalogue: English.
    czech("LANG");
    i18n_init((dir / "no-catalogues-here").string());
    EXPECT_EQ(all_texts(), english);
    // Another language: English.
    ::setenv("LANG", "C.UTF-8", 1);
    i18n_init();
    EXPECT_EQ(all_texts(), english);
}

TEST_F(HelpLanguage, CatalogueIsFoundBesideTheProgramOrUnderShareLocale)
{
    const fs::path root = dir / "tree";
    fs::create_directories(root / "usr" / "bin");
    EXPECT_EQ(i18n_catalogue_dir((root / "usr" / "bin" / "vlnkar").string()),
              (root / "usr" / "share" / "locale").string());
    fs::create_directories(root / "build" / "locale");
    EXPECT_EQ(i18n_catalogue_dir((root / "build" / "vlnkar").string()), (root / "build" / "locale").string());
    // The build folder's catalogue exists for the programs built there.
    EXPECT_TRUE(fs::exists(fs::path(VLNKAR_BUILD_DIR) / "locale" / "cs" / "LC_MESSAGES" / "vlnkar.mo"));
}
