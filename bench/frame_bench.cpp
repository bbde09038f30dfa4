// Cost of one frame of every system, run as the program runs it (the shell
// in the offscreen test mode, 800 x 600, the system's defaults; the two
// bound-state systems also with all ten states superposed, and so again
// with the expectation-value marker on), in the same run:
//  - EngineDraw: the engine's draw alone, primitives recorded but not
//    rasterised; counters: primitives and lines recorded per frame;
//  - FrameRunning: a whole frame with time advanced by one tick before it,
//    rasterised by the software renderer; counter: SDL line calls per frame
//    (a polyline of joined segments is one);
//  - FrameStopped: a whole frame when nothing changed since the last one;
//  - the deep well: "jama" with both walls at 5,000 eV, the engine's draw
//    right after the walls moved (bound levels searched) and again.
// Targets: "jama" at 5,000 eV under 1 ms a draw.
//
//   cmake --build <build> --target bench_frame && (cd <build> && ./bench_frame)
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/shell.h"
#include "platform/zgl_test.h"

namespace fs = std::filesystem;

namespace {

struct bench_case {
    const char* name;
    const char* system;
    bool superposition;
    bool expectation; // the expectation-value marker and lines on (key X)
};

const bench_case CASES[] = {
    {"volna", "volna", false, false},
    {"bariera", "bariera", false, false},
    {"jama", "jama", false, false},
    {"jama_inf", "jama_inf", false, false},
    {"jama_inf_superposition", "jama_inf", true, false},
    {"jama_inf_superposition_marker", "jama_inf", true, true},
    {"oscilator", "oscilator", false, false},
    {"oscilator_superposition", "oscilator", true, false},
    {"oscilator_superposition_marker", "oscilator", true, true},
};

fs::path g_archive; // textury.dat of the build folder
fs::path g_old_dir, g_dir;

// The program started on the case's system in a fresh folder.
bool start(const bench_case& c)
{
    g_old_dir = fs::current_path();
    char tmpl[] = "/tmp/vlnkar_bench_XXXXXX";
    if (!mkdtemp(tmpl))
        return false;
    g_dir = tmpl;
    fs::create_symlink(g_archive, g_dir / "textury.dat");
    fs::current_path(g_dir);
    std::ofstream(g_dir / "config.ini", std::ios::binary)
        << "Konfigurace Vlnkar\r\n[SIRKA]=800\r\n[VYSKA]=600\r\n[VYCHOZI SYSTEM]=" << c.system << "\r\n";
    ztest_Enable();
    if (vlnkar_main() != 0)
        return false;
    shell.konf.show_expectation = c.expectation;
    if (c.superposition) {
        situace& s = shell.sit;
        s.E = -1.0;
        for (int j = 0; j < COEF_COUNT; ++j)
            s.coef[FIRST_COEF + j] = std::polar(std::sqrt(0.1), 0.7 * j);
        shell.konf.t = 1.234e-15L;
        s.layout(s, shell.konf);
        s.step(s, shell.konf);
    }
    return true;
}

void stop()
{
    ztest_Shutdown();
    fs::current_path(g_old_dir);
    std::error_code ec;
    fs::remove_all(g_dir, ec);
}

size_t lines_of(const std::vector<zgl_prim>& v)
{
    size_t n = 0;
    for (const zgl_prim& p : v)
        n += p.kind == zgl_prim::LINE;
    return n;
}

void engine_draw(benchmark::State& state, const bench_case& c)
{
    if (!start(c)) {
        state.SkipWithError("the program did not start");
        return;
    }
    ztest_SetRaster(false);
    situace& s = shell.sit;
    for (auto _ : state) {
        ztest_ClearPrims();
        s.draw(s, shell.konf, shell.font);
    }
    const auto& v = ztest_Prims();
    state.counters["prims"] = double(v.size());
    state.counters["lines"] = double(lines_of(v));
    stop();
}

void frame_running(benchmark::State& state, const bench_case& c)
{
    if (!start(c)) {
        state.SkipWithError("the program did not start");
        return;
    }
    for (auto _ : state) {
        shell.konf.t += shell.konf.dt;
        ztest_Frame();
    }
    state.counters["line_calls"] = ztest_LineCalls();
    stop();
}

void frame_stopped(benchmark::State& state, const bench_case& c)
{
    if (!start(c)) {
        state.SkipWithError("the program did not start");
        return;
    }
    ztest_Frame();
    for (auto _ : state)
        ztest_Frame();
    stop();
}

// "jama" with both walls at 5,000 eV (the state snapped as the step
// leaves it). `moved`: the walls move by a hair before every draw, so
// whatever depends on them is found afresh.
void deep_well(benchmark::State& state, bool moved)
{
    const bench_case c{"jama", "jama", false, false};
    if (!start(c)) {
        state.SkipWithError("the program did not start");
        return;
    }
    ztest_SetRaster(false);
    situace& s = shell.sit;
    s.V1 = s.V3 = 5000.0;
    s.layout(s, shell.konf);
    s.step(s, shell.konf);
    int flip = 0;
    for (auto _ : state) {
        if (moved) {
            flip ^= 1;
            s.V1 = s.V3 = 5000.0 + 1e-9 * flip;
        }
        ztest_ClearPrims();
        s.draw(s, shell.konf, shell.font);
    }
    const auto& v = ztest_Prims();
    state.counters["prims"] = double(v.size());
    state.counters["lines"] = double(lines_of(v));
    stop();
}

const int registered = [] {
    g_archive = fs::absolute("textury.dat");
    for (const bench_case& c : CASES) {
        benchmark::RegisterBenchmark((std::string("EngineDraw/") + c.name).c_str(), engine_draw, c)
            ->Unit(benchmark::kMicrosecond);
    }
    for (const bench_case& c : CASES) {
        benchmark::RegisterBenchmark((std::string("FrameRunning/") + c.name).c_str(), frame_running, c)
            ->Unit(benchmark::kMicrosecond);
    }
    for (const bench_case& c : CASES) {
        benchmark::RegisterBenchmark((std::string("FrameStopped/") + c.name).c_str(), frame_stopped, c)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("DeepWellDraw/walls_5000eV_moved", deep_well, true)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("DeepWellDraw/walls_5000eV", deep_well, false)
        ->Unit(benchmark::kMicrosecond);
    return 0;
}();

} // namespace
