// Vlnkar: the program's entry. It takes no arguments, except that the
// desktop menu starts it with --desktop: it then keeps its settings in the
// user's configuration folder instead of the current one.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "app/settings_folder.h"
#include "app/shell.h"

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

    settings_folder folder;
    if (argc > 1 && std::strcmp(argv[1], "--desktop") == 0)
        folder = enter_settings_folder();
    const int status = vlnkar_main(folder.note);
    if (!folder.temp.empty())
        remove_temporary_folder(folder.temp);
    return status;
}
