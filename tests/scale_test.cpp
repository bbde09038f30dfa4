// The ticks of a scale, for ranges from the tiniest to the widest view: a
// step of 1, 2 or 5 x 10^n, every multiple of it in the range, 4 to 10
// labels that read back as their value and never touch.
#include <gtest/gtest.h>

#include <cmath>

#include "common/numtext.h"
#include "engines/scale/ticks.h"

TEST(Scale, TicksAreRoundStepsWithFourToTenLabelsApart)
{
    // A label 7 px a character (a minus sign is three bytes, one character),
    // centred on its tick; upwards, 15 px tall above it.
    auto across = [](const std::string& t) {
        const double w = 7.0 * static_cast<double>(t.size() - 2 * (t.rfind("\u2212", 0) == 0));
        return label_span{-w / 2.0, w / 2.0};
    };
    auto up = [](const std::string&) { return label_span{-17.0, -2.0}; };
    struct row {
        double lo, hi, pixels;
        bool upwards;
        std::vector<std::pair<double, double>> blocked;
    } rows[] = {
        {-1.16, 1.16, 700, false, {}}, {-60.04, 60.04, 700, false, {}}, {-2.1, 2.1, 1500, false, {}},
        {-1e-6, 1e-6, 700, false, {}}, {-5e6, 5e6, 700, false, {}},     {-2.1, 2.1, 700, false, {{380, 420}}},
        {0, 0.05, 150, true, {}},      {0, 6.4, 150, true, {}},         {0, 50, 150, true, {{470, 500}}},
        {0, 1234.5, 400, true, {}},    {0, 3e-7, 150, true, {}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.lo << " .. " << r.hi << " over " << r.pixels << " px");
        const double per = (r.upwards ? -r.pixels : r.pixels) / (r.hi - r.lo);
        const double origin = r.upwards ? 550.0 : 400.0 - per * (r.lo + r.hi) / 2.0;
        const double ends[2] = {origin + per * r.lo, origin + per * r.hi};
        const tick_axis a{
            r.lo, r.hi,     origin, per, std::min(ends[0], ends[1]) - 20, std::max(ends[0], ends[1]),
            6.0,  r.blocked};
        const tick_choice c = choose_ticks(a, r.upwards ? "eV" : "nm", r.upwards ? up : across);
        const double mantissa = c.step / std::pow(10.0, std::floor(std::log10(c.step) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                    std::fabs(mantissa - 5) < 1e-9)
            << c.step;
        EXPECT_EQ(c.ticks.size(), std::floor(r.hi / c.step + 1e-9) - std::ceil(r.lo / c.step - 1e-9) + 1);
        EXPECT_GE(c.labelled, 4);
        EXPECT_LE(c.labelled, 10);
        double last_end = -HUGE_VAL;
        for (const tick& t : c.ticks) {
            EXPECT_NEAR(t.value / c.step, std::round(t.value / c.step), 1e-6) << t.value;
            EXPECT_NEAR(t.at, origin + per * t.value, 1e-6);
            std::string number = t.text.substr(0, t.text.size() - 3);
            if (number.rfind("\u2212", 0) == 0)
                number.replace(0, 3, "-");
            double read = NAN;
            EXPECT_TRUE(parse_number(number, read) && read == t.value) << t.text;
            EXPECT_EQ(t.text.substr(t.text.size() - 3), r.upwards ? " eV" : " nm");
            if (!t.labelled)
                continue;
            // The label's span along the axis, in the direction the values grow.
            const label_span s = (r.upwards ? up : across)(t.text);
            const double from = t.at + s.before, to = t.at + s.after;
            EXPECT_GE(r.upwards ? -to : from, last_end + 6.0) << t.text;
            last_end = r.upwards ? -from : to;
            for (const auto& [b_from, b_to] : r.blocked)
                EXPECT_TRUE(t.at + s.after <= b_from || t.at + s.before >= b_to) << t.text;
        }
    }
    EXPECT_EQ(scale_label(-0.5, "nm"), "\u22120.5 nm");
    EXPECT_EQ(scale_label(-0.0, "eV"), "0 eV");
}
