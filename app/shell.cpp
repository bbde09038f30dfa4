// The program's spine: the shell's state, the entry that starts the
// graphics and hands the shell's procedures to it, and the load and exit
// procedures the main loop calls at its start and end.
//
// Relies on: the graphics layer (platform/zgl.h) for the window, the main
// loop and the archive; the configuration (app/config.h) for "config.ini"
// and the choice of system; the controls (app/controls.h); the number text
// (common/numtext.h) for the user's decimal separator.
#include <chrono>
#include <cstdlib>

#include "app/config.h"
#include "app/controls.h"
#include "app/help.h" // help overlay
#include "app/lesson.h"
#include "app/scheme_file.h"
#include "app/shell.h"
#include "app/window_icon.h"
#include "common/numtext.h"

shell_state shell;

namespace {

// Every picture is loaded with no colour key. The flags ask for clamped,
// linearly filtered pictures with alpha; the graphics layer ignores them
// (it chooses the sampling itself, nearest texel at a picture's own size).
constexpr uint32_t NO_COLOUR_KEY = 0xFF000000;
constexpr uint32_t PICTURE_FLAGS = 0x432;

// The period of the tick (timer_proc), ms of real time.
constexpr uint32_t TICK_MS = 10;

} // namespace

void load_proc()
{
    konfig& konf = shell.konf;
    situace& sit = shell.sit;
    // A list rebuilt below would leave a typed entry pointing into freed
    // controls; no entry can be running here (the screen switch cannot act
    // while one is), but end it cleanly if one is.
    end_entry(shell.entry);

    // While the archive is open every name below resolves inside it. Its
    // result is not checked: without it the loads simply give null handles.
    file_OpenArchive("textury.dat", "");
    shell.font = font_LoadFromFile("font.zfi");
    // The start-up system from "config.ini", with its default parameters
    // (a copy of the name: choose_system receives konf as well).
    const std::string start_system = konf.system;
    choose_system(start_system, konf, sit);
    // The 29 controls for the window size of this moment, with the thirteen
    // button pictures in their load order.
    build_controls(konf);
    // The engine places its controls and computes its first state before the
    // first frame.
    layout_and_step(sit, konf);
    konf.arrow_texture = tex_LoadFromFile("sipka.png", NO_COLOUR_KEY, PICTURE_FLAGS);
    file_CloseArchive();
    // The set-up asked for at start, once; a note from the start (about the
    // settings folder) is not covered by its announcement.
    if (!shell.start_setup.empty()) {
        const std::string path = std::move(shell.start_setup);
        shell.start_setup.clear();
        lesson_open(path, !help_note_shown());
    }
}

void exit_proc()
{
    free_controls(shell.konf);
}

int vlnkar_main(const std::string& note, const std::string& setup)
{
    // A fresh state as a whole: the program runs this once, the tests run it
    // once per test.
    free_controls(shell.konf);
    shell = shell_state{};
    konfig& konf = shell.konf;

    config_forget_reports();
    numtext_init_locale();
    help_start(); // help: fresh help state, help texts in the user's language
    shell.help.note = note;
    shell.start_setup = setup;
    // The random walk of the bound-state engines draws from rand(); seed it
    // from a millisecond clock.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    std::srand(static_cast<unsigned>(ms));

    // Without graphics the program ends at once; zglLoad has already said why.
    if (!zglLoad())
        return 1;

    timer_Add(timer_proc, TICK_MS);
    zgl_Reg(SYS_LOAD, load_proc);
    zgl_Reg(SYS_DRAW, draw_proc);
    zgl_Reg(SYS_EXIT, exit_proc);
    wnd_SetCaption("Vlnkar");
    wnd_SetIcon(vlnkar_icon_png, vlnkar_icon_png_size);
    wnd_ShowCursor(true);
    // Resets the view settings and reads the window size and start-up system;
    // it clears fullscreen, so the program always starts in a window.
    choose_system("config", konf, shell.sit);
    // The colour scheme last chosen with B (key L leaves it as it is).
    shell.projector = read_scheme();
    scr_SetScheme(shell.projector);
    scr_SetOptions(static_cast<uint16_t>(konf.width), static_cast<uint16_t>(konf.height), 1, konf.fullscreen,
                   true);
    // Opens the window and runs the main loop until it ends (in the test mode
    // it returns right after the load procedure). Without a window nothing
    // has run; zgl_Init has already said why.
    if (!zgl_Init(0, 0))
        return 1;
    return 0;
}
