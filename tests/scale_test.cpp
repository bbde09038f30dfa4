// The ticks of a scale, from the tiniest range to the widest: a step of 1, 2
// or 5 x 10^n, every multiple of it in the range, 4 to 10 labels that touch
// neither each other nor a blocked stretch.
#include <gtest/gtest.h>

#include <cmath>

#include "engines/scale/ticks.h"

TEST(Scale, TicksAreRoundStepsWithFourToTenLabelsApart)
{
    // Across: 7 px a character (a minus sign is three bytes), centred; up
    // (energies from the 0 eV line at y = 550): 15 px tall, 2 px above it.
    auto across = [](const std::string& t) {
        const double w = 7.0 * static_cast<double>(t.size() - 2 * (t.rfind("\u2212", 0) == 0));
        return label_span{-w / 2.0, w / 2.0};
    };
    auto up = [](const std::string&) { return label_span{-17.0, -2.0}; };
    const double rows[][5] = {
        {-1.16, 1.16, 700, 0, 0}, {-60.04, 60.04, 700, 0, 0}, {-2.1, 2.1, 1500, 0, 0},
        {-1e-6, 1e-6, 700, 0, 0}, {-5e6, 5e6, 700, 0, 0},     {-2.1, 2.1, 700, 380, 420},
        {0, 0.05, 150, 0, 0},     {0, 6.4, 150, 0, 0},        {0, 50, 150, 470, 500},
        {0, 1234.5, 400, 0, 0},   {0, 3e-7, 150, 0, 0}};
    for (const auto& [lo, hi, pixels, b_from, b_to] : rows) {
        SCOPED_TRACE(testing::Message() << lo << " .. " << hi << " over " << pixels << " px");
        const bool upwards = lo == 0.0;
        const double per = (upwards ? -pixels : pixels) / (hi - lo), origin = upwards ? 550.0 : 400.0;
        const double room_lo = upwards ? 530.0 - pixels : 380.0 - pixels / 2,
                     room_hi = upwards ? 550.0 : 420.0 + pixels / 2;
        const tick_axis a{lo, hi, origin, per, room_lo, room_hi, 6.0, {{b_from, b_to}}};
        const tick_choice c = choose_ticks(a, upwards ? "eV" : "nm", upwards ? up : across);
        const double m = c.step / std::pow(10.0, std::floor(std::log10(c.step) + 1e-9));
        EXPECT_TRUE(std::fabs(m - 1) < 1e-9 || std::fabs(m - 2) < 1e-9 || std::fabs(m - 5) < 1e-9) << c.step;
        EXPECT_EQ(c.ticks.size(), std::floor(hi / c.step + 1e-9) - std::ceil(lo / c.step - 1e-9) + 1);
        EXPECT_TRUE(c.labelled >= 4 && c.labelled <= 10) << c.labelled;
        double last_end = -HUGE_VAL;
        for (const tick& t : c.ticks) {
            EXPECT_NEAR(t.value / c.step, std::round(t.value / c.step), 1e-6) << t.value;
            EXPECT_TRUE(t.text.ends_with(upwards ? " eV" : " nm")) << t.text;
            // The label's span, in the direction the values grow.
            const label_span s = (upwards ? up : across)(t.text);
            const double from = t.at + s.before, to = t.at + s.after;
            if (t.labelled) {
                EXPECT_TRUE(to <= b_from || from >= b_to) << t.text;
                EXPECT_GE(upwards ? -to : from, last_end + 6.0) << t.text;
                last_end = upwards ? -from : to;
            }
        }
    }
    EXPECT_EQ(scale_label(-0.5, "nm"), "\u22120.5 nm");
    EXPECT_EQ(scale_label(-0.0, "eV"), "0 eV");
}
