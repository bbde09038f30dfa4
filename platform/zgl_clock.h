// The timer's bookkeeping of real time, apart from SDL so it can be checked
// on its own: how many calls of a timer procedure are due.
#pragma once

#include <algorithm>

namespace zgl {

// A stall (a slow frame, a dragged window) is made up by at most this many
// calls at once; the rest of the backlog is dropped, so a stall never turns
// into a burst.
constexpr int kMaxCatchUp = 10;

// Adds `elapsed_ms` of real time to the backlog of a timer of period
// `interval_ms` and returns how many calls are due now; the backlog keeps
// the remainder, so the calls average one per interval (100 a second for
// 10 ms).
inline int due_calls(double& backlog_ms, double elapsed_ms, double interval_ms)
{
    interval_ms = std::max(interval_ms, 1.0);
    backlog_ms += std::max(elapsed_ms, 0.0);
    int calls = int(std::min(backlog_ms / interval_ms, double(kMaxCatchUp) + 1));
    if (calls > kMaxCatchUp) {
        backlog_ms = 0;
        return kMaxCatchUp;
    }
    backlog_ms -= calls * interval_ms;
    return calls;
}

} // namespace zgl
