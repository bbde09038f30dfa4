// The one writer of stderr messages.
#include "common/report.h"

#include <cstdio>

void report(const std::string& sentence)
{
    std::string line = "vlnkar: ";
    line.reserve(line.size() + sentence.size() + 2);
    for (char c : sentence)
        line += (c == '\n' || c == '\r') ? ' ' : c;
    // Library reasons come with or without a full stop and sometimes with
    // trailing spaces: end every message the same way.
    while (!line.empty() && (line.back() == ' ' || line.back() == '.'))
        line.pop_back();
    line += ".\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
