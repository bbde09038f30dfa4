// Vlnkar: the program's entry: vlnkar [--desktop] [SET-UP]. The desktop
// menu starts it with --desktop: it then keeps its settings in the user's
// configuration folder instead of the current one. A set-up file (a file
// manager passes one) is opened at start.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/settings_folder.h"
#include "app/shell.h"
#include "common/report.h"

int main(int argc, char** argv)
{
    // A standard stream closed by whoever started the program would be the
    // next file opened (config.ini's new contents, say), and a message meant
    // for stderr would land in it: such a stream is opened on /dev/null.
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    // A message to a pipe nobody reads is dropped rather than ending the
    // program; a write past the file-size limit fails (and is reported)
    // rather than ending it.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    bool desktop = false;
    std::string setup;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--desktop") == 0) {
            desktop = true;
        } else if (setup.empty()) {
            // Named from here: the settings folder changes the current one.
            std::error_code ec;
            const std::filesystem::path absolute = std::filesystem::absolute(argv[i], ec);
            setup = ec ? argv[i] : absolute.string();
        } else {
            report(std::string("only one set-up is opened at start, so ") + argv[i] + " is left unopened");
        }
    }
    settings_folder folder;
    if (desktop)
        folder = enter_settings_folder();
    const int status = vlnkar_main(folder.note, setup);
    if (!folder.temp.empty())
        remove_temporary_folder(folder.temp);
    return status;
}
