// Where the program keeps config.ini when started from the desktop menu:
// its own folder under the user's configuration folder, or, when that
// cannot be had, a temporary folder for this run only.
#pragma once

#include <string>

struct settings_folder {
    std::string note; // what the user must be told on screen; "" when the folder is the usual one
    std::string temp; // the temporary folder made for this run, to be removed at the end; "" for none
};

// Makes ${XDG_CONFIG_HOME}/vlnkar (or ~/.config/vlnkar) and changes into
// it. XDG_CONFIG_HOME counts only as an absolute path, as the XDG base
// directory rules say. When that folder cannot be made or written, the
// program changes into a new temporary folder instead (its settings are
// then not saved) and says so on stderr; the note repeats it for the screen.
settings_folder enter_settings_folder();

// Removes the temporary folder and what the program wrote in it.
void remove_temporary_folder(const std::string& temp);
