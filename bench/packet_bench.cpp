// Cost of the wave packet's frame: the packet moved on by the time one
// frame shows at the largest time step (2.1 fs of simulated time a second,
// 60 frames a second: 0.035 fs), on "bariera"'s potential at the default
// width sigma = 0.6 and at the narrowest, 0.2, whose faster components need
// a finer grid and shorter steps. Target: under 0.5 ms at the default.
#include <benchmark/benchmark.h>

#include "app/config.h"
#include "app/lesson.h"
#include "engines/packet/packet.h"

namespace {

constexpr double FRAME_SECONDS = 2.1e-15 / 60.0;

void BM_PacketFrame(benchmark::State& state)
{
    const double sigma = double(state.range(0)) / 10.0;
    packet p;
    if (!packet_start(p, {6.4, 3.0, 7.0, 0.0, 1.0, 0.0, sigma})) {
        state.SkipWithError("the packet did not start");
        return;
    }
    for (auto _ : state) {
        packet_advance(p, FRAME_SECONDS);
        benchmark::DoNotOptimize(p.psi.data());
        benchmark::ClobberMemory();
    }
    state.counters["nodes"] = double(p.psi.size());
    state.counters["steps_per_frame"] = FRAME_SECONDS / p.dt;
}
BENCHMARK(BM_PacketFrame)
    ->Arg(6)
    ->Arg(2)
    ->ArgName("sigma_x10")
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

// Opening a set-up in packet mode moves the packet on to the set-up's time
// in calls of at most PACKET_MAX_STEPS_PER_CALL steps: its cost at 20 fs
// (the packet through the barrier), and at the latest time a file may give,
// where the number of calls is capped (at about 320 fs). Target: well under
// a tenth of a second at 20 fs; about half a second at worst, for a file
// edited to ask for more.
void BM_OpenPacketSetUp(benchmark::State& state)
{
    setup_values v = setup_defaults(*find_system("bariera"));
    v.packet = true;
    v.t = state.range(0) == 0 ? 2e-14L : 1e-6L;
    konfig k{};
    situace s{};
    for (auto _ : state) {
        apply_setup(v, k, s);
        benchmark::DoNotOptimize(s.kept.get());
    }
    state.counters["reached_fs"] = double(k.t) * 1e15;
}
BENCHMARK(BM_OpenPacketSetUp)->Arg(0)->Arg(1)->ArgName("latest")->Unit(benchmark::kMillisecond)->Iterations(3);
