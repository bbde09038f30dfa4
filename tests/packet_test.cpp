// The wave packet against facts that do not come from its own code: the
// free Gaussian's motion and spreading, conservation of probability,
// Ehrenfest's theorem, the plane-wave average its R and T must end with,
// and the textbook transmission of a barrier and a step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/constants.h"
#include "engines/packet/packet.h"

namespace {

constexpr double C = HBAR * HBAR / TWO_M; // eV unit^2

packet_setup free_packet(double sigma, double e_kin, double half_range)
{
    packet_setup s{3.0 + e_kin, 3.0, 3.0, 3.0, 1.0, 0.0, sigma, half_range};
    s.absorb = false;
    return s;
}

TEST(Packet, FreePacketMovesAtHbarK0OverMAndSpreadsLikeTheGaussian)
{
    const struct {
        double sigma, e_kin, half_range;
    } cases[] = {{0.2, 0.5, 12}, {0.6, 3.4, 15}, {3.0, 1.0, 30}, {0.2, 47, 15}, {1.0, 20, 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "sigma " << c.sigma << ", E - V " << c.e_kin);
        packet p;
        ASSERT_TRUE(packet_start(p, free_packet(c.sigma, c.e_kin, c.half_range)));
        const double xc = -4.0 * c.sigma, v = HBAR * std::sqrt(c.e_kin / C) / MASS;
        // At t = 0, between nodes: the normalised Gaussian's modulus.
        const double x = xc + 0.37 * c.sigma;
        EXPECT_NEAR(std::abs(packet_psi(p, x)),
                    std::pow(2.0 * PI * c.sigma * c.sigma, -0.25) * std::exp(-0.37 * 0.37 / 4.0), 1e-4);
        const double left = p.x_first + p.inner_begin * p.dx, right = p.x_first + p.inner_end * p.dx;
        for (int frame = 0; frame < 400; ++frame) {
            packet_advance(p, 2.5e-16);
            const packet_readout r = packet_measure(p);
            const double width = c.sigma * std::hypot(1.0, HBAR * p.time / (2.0 * MASS * c.sigma * c.sigma));
            if (r.mean_x + 5.0 * width > right || r.mean_x - 5.0 * width < left)
                break; // the walls would start to matter
            ASSERT_NEAR(r.mean_x, xc + v * p.time, 0.01) << "t = " << p.time;
            ASSERT_NEAR(r.spread_x / width, 1.0, 0.005) << "t = " << p.time;
        }
        EXPECT_GT(p.time, 0.0);
    }
}

// A barrier, a well and a fast narrow packet: jumps of the potential and
// the shortest waves.
const packet_setup potentials[] = {
    {6.4, 3.0, 7.0, 0.0, 1.0, 0.0, 0.6}, {6.4, 3.0, -2.0, 3.0, 2.5, -1.25, 0.2}, {50, 3.0, 45, 0.0, 0.5, 0.0, 0.2}};

TEST(Packet, NormStaysOneWithoutLayers)
{
    // (With the layers, what they took is checked with R and T below.)
    for (packet_setup s : potentials) {
        SCOPED_TRACE(testing::Message() << "E " << s.E << ", V2 " << s.V2);
        s.absorb = false;
        packet p;
        ASSERT_TRUE(packet_start(p, s));
        packet_advance(p, 4000 * p.dt);
        ASSERT_EQ(p.steps, 4000u);
        EXPECT_NEAR(packet_measure(p).norm, 1.0, 1e-10);
    }
}

TEST(Packet, MeanPositionMovesAtMeanMomentumOverMass)
{
    for (packet_setup s : potentials) {
        SCOPED_TRACE(testing::Message() << "E " << s.E << ", V2 " << s.V2);
        s.absorb = false;
        packet p;
        ASSERT_TRUE(packet_start(p, s));
        double before = packet_measure(p).mean_x, worst = 0.0, fastest = 0.0;
        packet_advance(p, p.dt);
        packet_readout now = packet_measure(p);
        for (int step = 0; step < 1000; ++step) {
            packet_advance(p, p.dt);
            const packet_readout after = packet_measure(p);
            // d<x>/dt by central differences against <p>/m at the middle.
            worst = std::max(worst, std::fabs((after.mean_x - before) / (2.0 * p.dt) - now.mean_p_over_m));
            fastest = std::max(fastest, std::fabs(now.mean_p_over_m));
            before = now.mean_x;
            now = after;
        }
        EXPECT_LT(worst, 0.01 * fastest);
    }
}

TEST(Packet, FinalReflectionAndTransmissionAreThePlaneWavesAveragedOverThePacket)
{
    const struct {
        const char* what;
        packet_setup s;
    } cases[] = {
        {"tunnelling through a barrier", {6.4, 3.0, 7.0, 0.0, 1.0, 0.0, 0.6}},
        {"above a barrier", {6.4, 3.0, 5.0, 0.0, 1.0, 0.0, 0.6}},
        {"a step up", {6.4, 3.0, 5.0, 5.0, 0.0, 0.0, 0.6}},
        {"a step up near its threshold", {6.4, 3.0, 6.0, 6.0, 0.0, 0.0, 1.5}},
        {"a step down", {6.4, 3.0, 0.0, 0.0, 0.0, 0.0, 0.6}},
        {"a well", {4.0, 2.0, -3.0, 2.0, 1.5, -1.0, 0.8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        packet p;
        ASSERT_TRUE(packet_start(p, c.s));
        // Until what is left on the grid, left of region 3, can no longer
        // move R or T by 1e-4: the rest is in region 3 and stays there.
        packet_readout r = packet_measure(p);
        while (r.norm - (r.T - p.absorbed_right) > 1e-4 && p.time < 1e-12) {
            packet_advance(p, 2e-16);
            r = packet_measure(p);
        }
        const double t = packet_expected_transmission(c.s);
        EXPECT_NEAR(r.T, t, 1e-3);
        EXPECT_NEAR(r.R, 1.0 - t, 1e-3);
        EXPECT_NEAR(r.norm + p.absorbed_left + p.absorbed_right, 1.0, 1e-9);
    }
}

TEST(Packet, PlaneWaveTransmissionMatchesTheTextbook)
{
    const auto barrier = [](double E, double V0, double a) { // V0 > E, V0 = E, V0 < E
        const double q = std::sqrt(std::fabs(E - V0) / C) * a;
        const double s2 = E < V0 ? std::pow(std::sinh(q), 2) : E > V0 ? std::pow(std::sin(q), 2) : 0.0;
        return E == V0 ? 1.0 / (1.0 + V0 * a * a / (4.0 * C)) : 1.0 / (1.0 + V0 * V0 * s2 / (4.0 * E * std::fabs(E - V0)));
    };
    const auto step = [](double e1, double e3) { // kinetic energies either side
        const double k1 = std::sqrt(e1), k3 = std::sqrt(e3);
        return 4.0 * k1 * k3 / ((k1 + k3) * (k1 + k3));
    };
    const struct {
        double E, V1, V2, V3, a, T;
    } cases[] = {
        {2.0, 0.0, 5.0, 0.0, 1.0, barrier(2.0, 5.0, 1.0)},  {5.0, 0.0, 5.0, 0.0, 0.8, barrier(5.0, 5.0, 0.8)},
        {7.0, 0.0, 5.0, 0.0, 1.3, barrier(7.0, 5.0, 1.3)},  {1.0, 0.0, -4.0, 0.0, 1.0, barrier(1.0, -4.0, 1.0)},
        {5.0, 0.0, 3.0, 3.0, 0.7, step(5.0, 2.0)},           {3.0, 2.0, 0.0, 0.0, 0.4, step(1.0, 3.0)},
        {5.0, 2.0, 6.0, 6.0, 1.0, 0.0},                      {5.0, 2.0, 9.0, 5.0, 0.3, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "E " << c.E << ", V " << c.V1 << " " << c.V2 << " " << c.V3);
        const plane_wave_rt rt = plane_wave_transmission(c.E, c.V1, c.V2, c.V3, c.a);
        EXPECT_NEAR(rt.T, c.T, 1e-12);
        EXPECT_NEAR(rt.R + rt.T, 1.0, 1e-12);
    }
    // With nothing in the way, every component moving right gets through.
    const packet_setup s = free_packet(0.3, 0.4, 5.25);
    const double k0 = std::sqrt(0.4 / C), sk = 1.0 / 0.6;
    EXPECT_NEAR(packet_expected_transmission(s), 0.5 * std::erfc(-k0 / (sk * std::sqrt(2.0))), 1e-9);
}

TEST(Packet, RefusesWhatCannotStartAndIgnoresWildRequests)
{
    packet p;
    EXPECT_FALSE(packet_start(p, {3.0, 3.0, 0.0, 0.0, 1.0, 0.0})); // E = V1: nothing comes in
    EXPECT_FALSE(packet_start(p, {NAN, 3.0, 0.0, 0.0, 1.0, 0.0}));
    EXPECT_FALSE(packet_start(p, {6.0, 3.0, 0.0, 0.0, -1.0, 0.0}));
    packet_advance(p, 1e-15);
    EXPECT_EQ(packet_measure(p).norm, 0.0);
    EXPECT_EQ(packet_psi(p, 0.0), std::complex<double>(0.0, 0.0));
    EXPECT_EQ(packet_expected_transmission({3.0, 3.0, 0.0, 0.0, 1.0, 0.0}), 0.0);

    ASSERT_TRUE(packet_start(p, {6.4, 3.0, 7.0, 0.0, 1.0, 0.0, 0.01})); // sigma held to 0.2
    EXPECT_EQ(p.setup.sigma, PACKET_SIGMA_MIN);
    ASSERT_TRUE(packet_start(p, {6.4, 3.0, 7.0, 0.0, 1.0, 0.0, 0.6}));
    packet_advance(p, NAN);
    packet_advance(p, -1e-15);
    EXPECT_EQ(p.steps, 0u);
    packet_advance(p, 1.0); // a second of simulated time: capped, not a hang
    EXPECT_EQ(p.steps, PACKET_MAX_STEPS_PER_CALL);
    EXPECT_EQ(p.owed, 0.0);
    EXPECT_NEAR(packet_measure(p).R + packet_measure(p).T, 1.0, 1e-3); // split and gone
    EXPECT_EQ(packet_psi(p, 1e6), std::complex<double>(0.0, 0.0));
}

} // namespace
