// Translations through GNU gettext (part of the C library here). Only the
// messages category of the locale is taken from the environment; the
// number format has its own set-up (common/numtext.h), so a Czech user
// gets Czech help texts and, independently, the decimal comma.
//
// Relies on: <libintl.h> and <clocale>; /proc/self/exe for the program's
// own path.
#include "common/i18n.h"

#include <libintl.h>

#include <clocale>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string i18n_catalogue_dir(const std::string& exe)
{
    const fs::path bin = fs::path(exe).parent_path();
    std::error_code ec;
    if (fs::is_directory(bin / "locale", ec))
        return (bin / "locale").string();
    return (bin / ".." / "share" / "locale").lexically_normal().string();
}

void i18n_init(const std::string& dir)
{
    // A locale the system does not have leaves messages in "C": English.
    std::setlocale(LC_MESSAGES, "");
    std::string where = dir;
    if (where.empty()) {
        std::error_code ec;
        const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (ec)
            return; // no way to find the catalogue: English
        where = i18n_catalogue_dir(exe.string());
    }
    bindtextdomain(I18N_DOMAIN, where.c_str());
    // The catalogue is UTF-8 and so is every text the font draws, whatever
    // character set the locale names.
    bind_textdomain_codeset(I18N_DOMAIN, "UTF-8");
}

const char* tr(const char* english)
{
    // gettext answers "" with the catalogue's header, not with "".
    if (english == nullptr || english[0] == '\0')
        return "";
    return dgettext(I18N_DOMAIN, english);
}
