// The one writer of stderr messages.
#include "common/report.h"

#include <cctype>
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

std::string plain_reason(std::string reason)
{
    while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ' || reason.back() == '\n'))
        reason.pop_back();
    const auto upper = [&](size_t i) { return std::isupper(static_cast<unsigned char>(reason[i])) != 0; };
    if (reason.size() > 1 && upper(0) && !upper(1))
        reason[0] = char(std::tolower(static_cast<unsigned char>(reason[0])));
    return reason.empty() ? "unknown error" : reason;
}
