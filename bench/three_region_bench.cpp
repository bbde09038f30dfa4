// Cost of the three-region plot at the default view (800 x 600, half range
// 5.25, 2101 samples): one draw with the primitives only recorded, and one
// whole frame rasterised by the offscreen software renderer.
// Targets: the draw under 0.3 ms, the whole frame under 4 ms.
#include <benchmark/benchmark.h>

#include "bench/bench_view.h"
#include "engines/three_region/three_region.h"

namespace {

situace bench_state;
konfig bench_view;

void set_up_free_particle()
{
    bench_view = default_view();
    bench_state = situace{};
    bench_state.E = 5.0, bench_state.V1 = 2.0, bench_state.V2 = 4.0, bench_state.V3 = 3.0;
    bench_state.a = 2.5, bench_state.x0 = -1.25;
    bench_state.coef[0] = cplx(1.0, 0.0);
    three_region_step(bench_state, bench_view);
}

void frame_draw()
{
    three_region_draw(bench_state, bench_view, nullptr);
}

void start_platform()
{
    ztest_Enable();
    zglLoad();
    zgl_Reg(SYS_DRAW, frame_draw);
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
}

// One draw call: the wave sampled 2101 times (about 4200 lines), the energy
// diagram and the labels, recorded but not rasterised.
void BM_ThreeRegionDraw(benchmark::State& state)
{
    set_up_free_particle();
    start_platform();
    for (auto _ : state) {
        ztest_ClearPrims();
        three_region_draw(bench_state, bench_view, nullptr);
        benchmark::ClobberMemory();
    }
    state.counters["prims"] = double(ztest_Prims().size());
    ztest_Shutdown();
}
BENCHMARK(BM_ThreeRegionDraw)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A whole offscreen frame: the draw above, rasterised. Time runs between
// frames, so every frame differs from the one before and is really drawn.
void BM_ThreeRegionFrame(benchmark::State& state)
{
    set_up_free_particle();
    start_platform();
    ztest_SetRaster(true);
    for (auto _ : state) {
        bench_view.t += bench_view.dt;
        ztest_Frame();
        if (!ztest_LastFramePresented()) {
            state.SkipWithError("the frame was not rasterised");
            break;
        }
    }
    ztest_Shutdown();
}
BENCHMARK(BM_ThreeRegionFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
