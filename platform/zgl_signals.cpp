// Ends that come from outside the window: SIGTERM and SIGINT, and the X
// server going away.
//
// The signals only set a flag, which the start-up and the main loop look at,
// so the program ends the way Escape ends it (the exit callback runs, the
// window closes, the status is 0) at any moment, start-up included. SDL's
// own handlers would turn a signal into a quit event only while events are
// pumped, that is not during start-up; they are switched off. A second
// signal while the first is being acted on ends the program at once, as a
// user pressing Ctrl-C twice expects.
//
// Xlib's default reaction to a lost connection prints its own two lines and
// calls exit(), whose clean-up would talk to the dead server again. Ours
// says what happened in our one-line style and ends with status 1 at once.
//
// Relies on POSIX sigaction, and on dlopen to reach the libX11 that SDL has
// already loaded (no X headers or link dependency of our own; under Wayland
// or without libX11 nothing is installed).
#include <dlfcn.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/report.h"
#include "platform/zgl_internal.h"

namespace zgl {

namespace {

volatile sig_atomic_t g_stop_signal = 0;

void on_stop_signal(int sig)
{
    if (g_stop_signal != 0) {
        // Asked again while ending: end now, by the signal itself.
        signal(sig, SIG_DFL);
        raise(sig);
        return;
    }
    g_stop_signal = sig;
}

// Xlib's IO error handler: called when the connection to the display is
// lost; it must not return (Xlib would exit on its own).
int on_display_lost(void* /*Display*/)
{
    report("the connection to the X server was lost, so the program ends");
    _exit(1);
}

} // namespace

void install_stop_handlers()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction sa {};
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    // Interrupted system calls resume: the flag is looked at between ticks.
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT}) {
        // A signal the caller chose to ignore stays ignored (a shell starts
        // background programs with SIGINT ignored, so Ctrl-C in the
        // terminal is not theirs).
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(sig, &sa, nullptr);
    }
}

bool stop_signalled()
{
    return g_stop_signal != 0;
}

// SDL shows its box on X11 in a child process of its own and waits for it,
// which no signal interrupts. So the box is shown from a child of ours,
// leading a process group of its own (SDL's child joins it); we poll for
// its end and for a stop signal, and on a signal end the whole group.
void show_error_box(const char* title, const char* text)
{
    if (stop_signalled())
        return;
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        // No second process: the box as it comes, unkillable but shown.
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr);
        return;
    }
    if (child == 0) {
        setpgid(0, 0);
        // Our flag-setting handlers are no use here: a signal sent to the
        // box itself ends it, and so does the end of its parent.
        signal(SIGTERM, SIG_DFL);
        signal(SIGINT, SIG_DFL);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) // the parent ended before the line above
            _exit(0);
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr);
        _exit(0);
    }
    // Set from both sides, so the group exists before the parent may kill it.
    setpgid(child, child);
    for (;;) {
        const pid_t r = waitpid(child, nullptr, WNOHANG);
        if (r == child || (r < 0 && errno != EINTR))
            return;
        if (stop_signalled()) {
            kill(-child, SIGKILL);
            waitpid(child, nullptr, 0);
            return;
        }
        usleep(20 * 1000);
    }
}

void watch_display_connection()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0)
        return;
    // RTLD_NOLOAD: only the libX11 SDL already uses, never a second copy.
    void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (x11 == nullptr)
        return;
    using io_handler = int (*)(void*);
    using set_io_handler = io_handler (*)(io_handler);
    if (auto set = reinterpret_cast<set_io_handler>(dlsym(x11, "XSetIOErrorHandler")))
        set(on_display_lost);
    // Drops only the reference taken here; SDL keeps the library loaded.
    dlclose(x11);
}

} // namespace zgl
