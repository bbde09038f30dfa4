// Cost of the infinite well's plot in superposition mode at the system's
// defaults (800 x 600, half range 5.25, 200 samples a unit: 2101 samples,
// 500 of them inside the well, ten states each), by the engine's sampler
// and by the plain formula (a sine and a complex exponential per sample and
// state), in the same run:
//  - one whole draw with the primitives only recorded (about 4300 lines);
//  - the wave alone at the 500 samples inside the well.
// Targets: the engine's draw under 0.15 ms and at least five times faster
// than the plain formula.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "../tests/infinite_well_reference.h"
#include "bench/bench_view.h"
#include "engines/infinite_well/infinite_well.h"

namespace {

situace bench_state;
konfig bench_view;

void set_up_superposition()
{
    bench_view = default_view();
    bench_view.t = 1.234e-15L;
    bench_state = situace{};
    bench_state.E = -1.0;
    bench_state.V2 = 50.0;
    bench_state.a = 2.5;
    // All ten states with equal weight and different phases.
    for (int j = 0; j < 10; ++j)
        bench_state.coef[5 + j] = std::polar(std::sqrt(0.1), 0.7 * j);
}

void start_platform()
{
    start_offscreen();
}

void run(benchmark::State& state, well_sampler sampler)
{
    set_up_superposition();
    start_platform();
    for (auto _ : state) {
        ztest_ClearPrims();
        infinite_well_plot(bench_state, bench_view, nullptr, sampler);
        benchmark::ClobberMemory();
    }
    state.counters["prims"] = double(ztest_Prims().size());
    ztest_Shutdown();
}

void BM_InfiniteWellDraw(benchmark::State& state)
{
    run(state, sample_wave);
}
BENCHMARK(BM_InfiniteWellDraw)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_InfiniteWellDrawPlainFormula(benchmark::State& state)
{
    run(state, reference::direct_wave);
}
BENCHMARK(BM_InfiniteWellDrawPlainFormula)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The wave at the frame's 500 samples inside the well, x = i / 200.
void wave(benchmark::State& state, well_sampler sampler)
{
    set_up_superposition();
    std::vector<double> x;
    for (int i = 1; i <= 500; ++i)
        x.push_back(i / 200.0);
    std::vector<cplx> psi(x.size());
    for (auto _ : state) {
        sampler(bench_state, bench_view.t, x.data(), static_cast<int>(x.size()), psi.data());
        benchmark::DoNotOptimize(psi.data());
        benchmark::ClobberMemory();
    }
}

void BM_InfiniteWellWave(benchmark::State& state)
{
    wave(state, sample_wave);
}
BENCHMARK(BM_InfiniteWellWave)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_InfiniteWellWavePlainFormula(benchmark::State& state)
{
    wave(state, reference::direct_wave);
}
BENCHMARK(BM_InfiniteWellWavePlainFormula)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
