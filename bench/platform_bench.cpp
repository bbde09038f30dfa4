// Cost of one offscreen 800 x 600 frame of the graphics layer: 4200 one-pixel
// lines (curves of joined segments, as the plots draw them) and 20 short
// texts, recorded, compared with the frame shown, rasterised by SDL's
// software renderer and presented.
//
//   cmake --build <build> --target bench_platform && <build>/bench_platform
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/zgl_test.h"

namespace {

zgl_font* g_font = nullptr;
int g_frame = 0;

// Six curves of 700 segments across the plot, shifted every frame so no
// frame equals the one before, plus 20 listing-like texts.
void draw_scene()
{
    const uint32_t colours[6] = {0xFF0000, 0x00FF00, 0x00AAFF, 0xFFFF00, 0xFFFFFF, 0x888888};
    for (int c = 0; c < 6; c++) {
        float y0 = 100.0f + 70.0f * float(c);
        float prev_x = 50, prev_y = y0;
        for (int i = 1; i <= 700; i++) {
            float x = 50.0f + float(i);
            float y = y0 + 30.0f * std::sin(0.03f * float(i + g_frame + 11 * c));
            pr2d_Line(prev_x, prev_y, x, y, colours[c], 255);
            prev_x = x;
            prev_y = y;
        }
    }
    char buf[64];
    for (int t = 0; t < 20; t++) {
        std::snprintf(buf, sizeof buf, "T%d = 0.%02d", t, t * 3);
        text_Draw(g_font, 10.0f + 40.0f * float(t % 4), 500.0f + 18.0f * float(t / 4), buf);
    }
}

void BM_Frame800x600Lines4200Texts20(benchmark::State& state)
{
    ztest_Enable();
    if (!zglLoad()) {
        state.SkipWithError("the graphics did not start");
        return;
    }
    zgl_Reg(SYS_DRAW, draw_scene);
    scr_SetOptions(800, 600, 1, false, true);
    zgl_Init();
    g_font = font_LoadFromFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    if (!g_font)
        state.SkipWithError("no DejaVu Sans font");
    for (auto _ : state) {
        g_frame++;
        ztest_Frame();
        benchmark::DoNotOptimize(ztest_LastFramePresented());
    }
    // Every frame differed from the one before, so every frame was drawn.
    if (!ztest_LastFramePresented() || ztest_Pixel(50, 100) == 0)
        state.SkipWithError("the frames were not drawn");
    ztest_Shutdown();
}
BENCHMARK(BM_Frame800x600Lines4200Texts20)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
