// The desktop start's settings folder.
//
// Relies on: POSIX chdir, access and mkdtemp; std::filesystem to make the
// folders.
#include "app/settings_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/report.h"

namespace fs = std::filesystem;

namespace {

// The folder the settings belong in, or "" with the reason in `why`.
std::string usual_folder(std::string& why)
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return std::string(xdg) + "/vlnkar";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.config/vlnkar";
    why = "neither XDG_CONFIG_HOME nor HOME names a folder";
    return {};
}

// Makes `dir` (and what leads to it) and changes into it; a folder that
// exists but cannot be written is no use either.
bool enter(const std::string& dir, std::string& why)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        why = plain_reason(ec.message());
        return false;
    }
    if (::chdir(dir.c_str()) != 0 || ::access(".", W_OK | X_OK) != 0) {
        why = plain_reason(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

settings_folder enter_settings_folder()
{
    std::string why;
    const std::string dir = usual_folder(why);
    if (!dir.empty() && enter(dir, why))
        return {};
    const std::string where = dir.empty() ? "no settings folder can be found (" + why + ")"
                                          : "the settings folder " + dir + " cannot be used (" + why + ")";
    const char* tmpdir = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmpdir != nullptr && tmpdir[0] == '/' ? tmpdir : "/tmp") + "/vlnkar-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr || ::chdir(name.data()) != 0) {
        report(where + ", nor can a temporary folder (" + plain_reason(std::strerror(errno)) +
               "), so the program starts in the current folder");
        return {"Settings are not saved: " + where, std::string()};
    }
    report(where + ", so the program starts in the temporary folder " + name.data() +
           " with its default settings, which are not saved");
    return {"Settings are not saved: " + where, name.data()};
}

void remove_temporary_folder(const std::string& temp)
{
    std::error_code ec;
    fs::remove_all(temp, ec);
}
