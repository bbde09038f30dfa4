// Cost of the oscillator's plot in superposition mode at the default view
// (800 x 600, half range 5.25, 2101 samples, real part shown): all ten
// states present, primitives recorded but not rasterised. The same draw
// with psi from the plain formula (a factorial, two powers, a Hermite
// recurrence, an exponential and a complex exponential per state and
// sample) runs beside it for comparison.
// Targets: the draw under 0.15 ms, and at least five times faster than
// with the plain formula.
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench/bench_view.h"
#include "engines/oscillator/oscillator.h"
#include "tests/oscillator_reference.h"

namespace {

situace bench_state;
konfig bench_view;

void set_up_superposition()
{
    bench_view = default_view();
    bench_view.t = 1.3e-15L;
    bench_state = situace{};
    bench_state.E = -1.0;
    bench_state.a = 1e15;
    // Equal weights with assorted phases, normalised.
    for (int j = 0; j < COEF_COUNT; ++j)
        bench_state.coef[FIRST_COEF + j] = std::polar(1.0 / std::sqrt(10.0), 0.9 * j);
    oscillator_step(bench_state, bench_view);
}

void run(benchmark::State& state, oscillator_sampler sampler)
{
    set_up_superposition();
    start_offscreen();
    for (auto _ : state) {
        ztest_ClearPrims();
        oscillator_draw_with(bench_state, bench_view, nullptr, sampler);
        benchmark::ClobberMemory();
    }
    state.counters["prims"] = double(ztest_Prims().size());
    ztest_Shutdown();
}

// The program's draw: per-frame constants, one exponential and one shared
// recurrence per sample.
void BM_OscillatorDraw(benchmark::State& state)
{
    run(state, oscillator_wave);
}
BENCHMARK(BM_OscillatorDraw)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The same draw with every state evaluated by the plain formula.
void BM_OscillatorDrawPlainFormula(benchmark::State& state)
{
    run(state, reference_wave);
}
BENCHMARK(BM_OscillatorDrawPlainFormula)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
