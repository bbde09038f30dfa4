// Translations of the program's texts through gettext catalogues: the help
// overlay, the start hint, the tooltips and the words of the packet's
// listing. Numbers, units and the figures' names (T1, R1, E=) are not
// translated.
#pragma once

#include <string>

// The catalogue's name: <dir>/<language>/LC_MESSAGES/vlnkar.mo.
inline constexpr const char* I18N_DOMAIN = "vlnkar";

// Takes the language from the user's locale (LC_ALL, LC_MESSAGES, LANG;
// only the messages category is set, numbers keep their own setting) and
// points gettext at the catalogue folder: `dir` when given, otherwise
// i18n_catalogue_dir of the running program. Without a catalogue for the
// language the texts stay English. Safe to call again.
void i18n_init(const std::string& dir = "");
// The folder with the catalogues for a program at `exe`: "locale" beside
// it when that folder exists (the build folder), otherwise
// "../share/locale" from it (an installed program).
std::string i18n_catalogue_dir(const std::string& exe);
// The translation of an English text, or the text itself.
const char* tr(const char* english);
