// Every message the program writes to stderr goes through report(), so all
// of them read alike: the program's name, a colon and one plain sentence,
// on a line of its own ("vlnkar: cannot write config.ini: Permission
// denied.").
#pragma once

#include <string>

// Writes "vlnkar: " + sentence + "." and a line feed to stderr in one write.
// The sentence starts in lower case and needs no full stop: one is added
// (a trailing one, as in some library reasons, is not doubled). Line breaks
// inside the sentence become spaces, so a message is always one line.
void report(const std::string& sentence);

// A library's or the system's reason as part of one of our sentences: no
// full stop or spaces at its end, and a capital first letter lowered unless
// the word is an abbreviation ("Permission denied." -> "permission
// denied", "PNG file" stays).
std::string plain_reason(std::string reason);
