// The packet mode of the three-region systems (see packet_mode.h).
#include "engines/three_region/packet_mode.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/i18n.h"

namespace {

// The first peak stands at this fraction of the plot's height when the
// packet starts.
constexpr double PEAK_HEIGHT = 0.75;

packet_mode& mode_for(situace& s)
{
    if (!s.kept)
        s.kept = std::make_shared<packet_mode>();
    return *static_cast<packet_mode*>(s.kept.get());
}

packet_setup setup_of(const situace& s, const packet_mode& m, const konfig& k)
{
    packet_setup setup;
    setup.E = s.E, setup.V1 = s.V1, setup.V2 = s.V2, setup.V3 = s.V3, setup.a = s.a, setup.x0 = s.x0;
    setup.sigma = m.sigma;
    setup.half_range = k.half_range;
    return setup;
}

// Whether the packet was started with these values (the range it was
// started for aside: zooming does not start it again).
bool same_start(const packet_setup& a, const packet_setup& b)
{
    return a.E == b.E && a.V1 == b.V1 && a.V2 == b.V2 && a.V3 == b.V3 && a.a == b.a && a.x0 == b.x0 &&
           a.sigma == b.sigma;
}

// The packet's own clock: what it has stepped plus what it still owes.
double clock_of(const packet& p)
{
    return p.time + p.owed;
}

// Far below a tick's time step (1e-18 s), far above the rounding of the
// clock: a clock this much behind the packet was put back.
constexpr double CLOCK_SLACK = 1e-22;

// The packet placed at its start (its own clock at 0) with the values on
// screen.
void start(situace& s, packet_mode& m, const konfig& k)
{
    const packet_setup setup = setup_of(s, m, k);
    ++s.kept_version;
    if (!packet_start(m.p, setup))
        return;
    m.peak_density = m.peak_part = 0.0;
    for (const auto& v : m.p.psi) {
        m.peak_density = std::max(m.peak_density, std::norm(v));
        m.peak_part = std::max(m.peak_part, std::abs(v));
    }
    m.expected_T = packet_expected_transmission(setup);
    m.energy_spread = packet_energy_spread(setup);
}

// The packet moved to the clock's time: on from where it is, or, when the
// clock was put back (the clock's right click, key L), from its start.
void catch_up(situace& s, packet_mode& m, const konfig& k)
{
    const double t = static_cast<double>(k.t);
    if (t < clock_of(m.p) - CLOCK_SLACK)
        start(s, m, k);
    const double ahead = t - clock_of(m.p);
    if (m.p.running && ahead > 0.0) {
        packet_advance(m.p, ahead);
        ++s.kept_version;
    }
}

} // namespace

packet_mode* packet_mode_of(const situace& s)
{
    // Only this engine keeps anything in situace, and choosing a system
    // drops what the last one kept.
    return static_cast<packet_mode*>(s.kept.get());
}

const packet_mode* shown_packet(const situace& s)
{
    const packet_mode* m = packet_mode_of(s);
    return m != nullptr && m->wanted && m->p.running ? m : nullptr;
}

bool three_region_packet_on(const situace& s)
{
    const packet_mode* m = packet_mode_of(s);
    return m != nullptr && m->wanted;
}

void packet_toggle(situace& s, konfig& k)
{
    packet_mode& m = mode_for(s);
    m.wanted = !m.wanted;
    m.p.running = false; // the step starts it afresh
    k.t = 0.0L;
    ++s.kept_version;
}

void packet_widen(situace& s, double factor)
{
    packet_mode& m = mode_for(s);
    m.sigma = std::clamp(m.sigma * factor, PACKET_SIGMA_MIN, PACKET_SIGMA_MAX);
}

void packet_follow(situace& s, konfig& k)
{
    packet_mode* m = packet_mode_of(s);
    if (m == nullptr || !m->wanted)
        return;
    if (!(s.E > s.V1)) {
        // Nothing travels in from the left: the stationary state shows,
        // and the listing says why.
        if (m->p.running)
            ++s.kept_version;
        m->p.running = false;
        return;
    }
    if (!m->p.running || !same_start(m->p.setup, setup_of(s, *m, k))) {
        // New values: the packet starts again, and time with it.
        k.t = 0.0L;
        start(s, *m, k);
    } else {
        catch_up(s, *m, k);
    }
}

void three_region_advance(situace& s, const konfig& k)
{
    packet_mode* m = packet_mode_of(s);
    if (m != nullptr && m->wanted && m->p.running)
        catch_up(s, *m, k);
}

wave_source packet_wave(const packet_mode& m, double baseline)
{
    wave_source w;
    w.p = &m.p;
    w.phase = packet_phase(m.p);
    const double height = PEAK_HEIGHT * baseline;
    w.density_scale = m.peak_density > 0.0 ? height / m.peak_density : 0.0;
    w.part_scale = m.peak_part > 0.0 ? height / m.peak_part : 0.0;
    return w;
}

std::string packet_listing(const packet_mode& m)
{
    const packet_readout r = packet_measure(m.p);
    std::string t;
    add_listing_figure(t, "R", r.R);
    add_listing_figure(t, "T", r.T);
    add_listing_figure(t, tr("T expected"), m.expected_T);
    return t;
}

std::string packet_blocked_line(const situace& s)
{
    const packet_mode* m = packet_mode_of(s);
    if (m == nullptr || !m->wanted || s.E > s.V1)
        return std::string();
    return std::string(tr("No packet: E must lie above V1")) + "\n";
}
