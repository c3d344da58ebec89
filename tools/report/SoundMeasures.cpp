#include "tools/report/SoundMeasures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace morlake::sound {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN ();
// Share of Gaussian samples beyond one standard deviation: erfc(1/sqrt 2).
constexpr double kGaussianOutside = 0.3173105078629141;

double db (double energyRatio) { return 10.0 * std::log10 (std::max (energyRatio, 1e-300)); }

// Least-squares slope of y over x.
double slope (std::span<const double> x, std::span<const double> y)
{
    const double n = double (x.size ());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size (); ++i)
    {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const double d = n * sxx - sx * sx;
    return d > 0.0 ? (n * sxy - sx * sy) / d : 0.0;
}

// 1/3-octave centres 125 Hz .. 8 kHz.
std::vector<double> thirdOctaveCentres ()
{
    std::vector<double> c;
    for (int i = 0; i <= 18; ++i)
        c.push_back (125.0 * std::exp2 (i / 3.0));
    return c;
}

double median (std::vector<double> v)
{
    if (v.empty ())
        return 0.0;
    auto mid = v.begin () + std::ptrdiff_t (v.size () / 2);
    std::nth_element (v.begin (), mid, v.end ());
    return *mid;
}

std::vector<double> hannPowerSpectrum (std::span<const float> x, std::span<const double> gain)
{
    const std::size_t n = gain.size ();
    std::vector<std::complex<double>> a (n);
    for (std::size_t i = 0; i < n; ++i)
    {
        const double w = 0.5 - 0.5 * std::cos (2.0 * std::numbers::pi * double (i) / double (x.size ()));
        a[i] = i < x.size () ? double (x[i]) * gain[i] * w : 0.0;
    }
    fft (a);
    std::vector<double> p (n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        p[k] = std::norm (a[k]);
    return p;
}

// Spectral flatness (geometric over arithmetic mean) of each 1/3-octave band, averaged in dB.
double bandFlatnessDb (const std::vector<double>& p, double binHz)
{
    double sum = 0.0;
    int bands = 0;
    for (double c : thirdOctaveCentres ())
    {
        const auto lo = std::size_t (std::ceil (c * std::exp2 (-1.0 / 6.0) / binHz));
        const auto hi = std::min (p.size (), std::size_t (std::ceil (c * std::exp2 (1.0 / 6.0) / binHz)));
        if (hi < lo + 4)
            continue;
        double logSum = 0.0, linSum = 0.0;
        for (std::size_t k = lo; k < hi; ++k)
        {
            logSum += std::log (std::max (p[k], 1e-300));
            linSum += p[k];
        }
        const double count = double (hi - lo);
        if (linSum <= 0.0)
            continue;
        sum += db (std::exp (logSum / count) / (linSum / count));
        ++bands;
    }
    return bands > 0 ? sum / bands : kNaN;
}

} // namespace

std::vector<float> octaveBand (std::span<const float> x, double rate, double centreHz)
{
    if (centreHz >= 0.45 * rate)
        return {};
    // Two stages of Q 0.91 put the octave's edges (the centre over and times
    // the square root of two) 3 dB down.
    const double w0 = 2.0 * std::numbers::pi * centreHz / rate;
    const double alpha = std::sin (w0) / (2.0 * 0.91);
    const double a0 = 1.0 + alpha;
    const double b0 = alpha / a0, b2 = -alpha / a0, a1 = -2.0 * std::cos (w0) / a0, a2 = (1.0 - alpha) / a0;
    std::vector<float> y (x.begin (), x.end ());
    for (int stage = 0; stage < 2; ++stage)
    {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (auto& v : y)
        {
            const double in = v;
            const double out = b0 * in + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = in;
            y2 = y1;
            y1 = out;
            v = float (out);
        }
    }
    return y;
}

std::vector<double> power (std::span<const float> left, std::span<const float> right)
{
    std::vector<double> p (std::max (left.size (), right.size ()), 0.0);
    for (std::size_t i = 0; i < left.size (); ++i)
        p[i] += double (left[i]) * left[i];
    for (std::size_t i = 0; i < right.size (); ++i)
        p[i] += double (right[i]) * right[i];
    return p;
}

std::vector<double> energyDecayDb (std::span<const double> p, double rate)
{
    const std::size_t n = p.size ();
    std::vector<double> edc (n, -300.0);
    if (n == 0)
        return edc;
    // Frame energies of the last third, in dB, for the slope past the end.
    const auto frame = std::max<std::size_t> (1, std::size_t (0.01 * rate));
    std::vector<double> t, level;
    for (std::size_t f = n - n / 3; f + frame <= n; f += frame)
    {
        double e = 0.0;
        for (std::size_t i = f; i < f + frame; ++i)
            e += p[i];
        if (e > 0.0)
        {
            t.push_back (double (f) + 0.5 * double (frame));
            level.push_back (db (e / double (frame)));
        }
    }
    double rest = 0.0;
    if (t.size () >= 4)
    {
        const double s = slope (t, level); // dB a sample
        if (s < -1.0 / rate)
        {
            const double mean = [&] {
                double m = 0.0;
                for (std::size_t i = 0; i < t.size (); ++i)
                    m += level[i] - s * t[i];
                return m / double (t.size ());
            }();
            const double atEnd = std::pow (10.0, (mean + s * double (n)) / 10.0);
            rest = atEnd / (1.0 - std::pow (10.0, s / 10.0));
        }
    }
    double sum = rest;
    std::vector<double> cumulative (n);
    for (std::size_t i = n; i-- > 0;)
    {
        sum += p[i];
        cumulative[i] = sum;
    }
    if (cumulative[0] <= 0.0)
        return edc;
    for (std::size_t i = 0; i < n; ++i)
        edc[i] = db (cumulative[i] / cumulative[0]);
    return edc;
}

double decayTime (std::span<const double> p, double rate)
{
    const auto edc = energyDecayDb (p, rate);
    auto at = [&] (double level) {
        return std::size_t (std::find_if (edc.begin (), edc.end (), [&] (double v) { return v <= level; }) -
                            edc.begin ());
    };
    const std::size_t from = at (-5.0);
    std::size_t to = at (-35.0);
    if (to >= edc.size ())
        to = at (-25.0);
    if (to >= edc.size () || to <= from + 2)
        return kNaN;
    const std::size_t stride = std::max<std::size_t> (1, (to - from) / 4096);
    std::vector<double> t, y;
    for (std::size_t i = from; i < to; i += stride)
    {
        t.push_back (double (i) / rate);
        y.push_back (edc[i]);
    }
    const double s = slope (t, y);
    return s < 0.0 ? -60.0 / s : kNaN;
}

std::size_t firstArrival (std::span<const float> left, std::span<const float> right)
{
    float peak = 0.0f;
    for (float v : left)
        peak = std::max (peak, std::abs (v));
    for (float v : right)
        peak = std::max (peak, std::abs (v));
    const float threshold = 0.1f * peak;
    const std::size_t n = std::max (left.size (), right.size ());
    for (std::size_t i = 0; i < n; ++i)
        if ((i < left.size () && std::abs (left[i]) >= threshold && peak > 0.0f) ||
            (i < right.size () && std::abs (right[i]) >= threshold && peak > 0.0f))
            return i;
    return 0;
}

std::vector<double> echoDensity (std::span<const float> left, std::span<const float> right, double rate,
                                 std::size_t from, double seconds)
{
    const auto half = std::max<std::ptrdiff_t> (2, std::ptrdiff_t (0.01 * rate));
    const auto hop = std::max<std::size_t> (1, std::size_t (rate / 1000.0));
    std::vector<double> w (std::size_t (2 * half + 1));
    double wSum = 0.0;
    for (std::size_t j = 0; j < w.size (); ++j)
    {
        w[j] = 0.5 - 0.5 * std::cos (2.0 * std::numbers::pi * double (j + 1) / double (w.size () + 1));
        wSum += w[j];
    }
    std::vector<double> profile;
    const auto steps = std::size_t (seconds * 1000.0);
    for (std::size_t s = 0; s < steps; ++s)
    {
        const auto centre = std::ptrdiff_t (from + s * hop);
        double densitySum = 0.0, energySum = 0.0;
        for (std::span<const float> x : {left, right})
        {
            double e = 0.0;
            for (std::ptrdiff_t j = -half; j <= half; ++j)
            {
                const std::ptrdiff_t i = centre + j;
                if (i >= 0 && std::size_t (i) < x.size ())
                    e += w[std::size_t (j + half)] * double (x[std::size_t (i)]) * x[std::size_t (i)];
            }
            if (e <= 0.0)
                continue;
            const double sigma = std::sqrt (e / wSum);
            double outside = 0.0;
            for (std::ptrdiff_t j = -half; j <= half; ++j)
            {
                const std::ptrdiff_t i = centre + j;
                if (i >= 0 && std::size_t (i) < x.size () && std::abs (x[std::size_t (i)]) > sigma)
                    outside += w[std::size_t (j + half)];
            }
            densitySum += e * outside / wSum / kGaussianOutside;
            energySum += e;
        }
        profile.push_back (energySum > 0.0 ? densitySum / energySum : 0.0);
    }
    return profile;
}

LateTail lateTail (std::span<const float> left, std::span<const float> right, double rate, std::size_t from,
                   double seconds)
{
    LateTail r;
    const auto length = std::size_t (seconds * rate);
    std::size_t n = 16;
    while (n < length)
        n *= 2;
    auto part = [&] (std::span<const float> x) {
        return from < x.size () ? x.subspan (from, std::min (length, x.size () - from)) : std::span<const float> {};
    };
    const auto l = part (left), rr = part (right);

    // Exponential decay fitted to 10 ms frames of the window, then undone.
    const auto p = power (l, rr);
    const auto frame = std::max<std::size_t> (1, std::size_t (0.01 * rate));
    std::vector<double> t, level;
    for (std::size_t f = 0; f + frame <= p.size (); f += frame)
    {
        double e = 0.0;
        for (std::size_t i = f; i < f + frame; ++i)
            e += p[i];
        if (e > 0.0)
        {
            t.push_back (double (f) + 0.5 * double (frame));
            level.push_back (db (e));
        }
    }
    const double s = t.size () >= 2 ? slope (t, level) : 0.0;
    std::vector<double> gain (n, 0.0);
    for (std::size_t i = 0; i < l.size (); ++i)
        gain[i] = std::pow (10.0, -s * double (i) / 20.0);

    const auto pl = hannPowerSpectrum (l, gain), pr = hannPowerSpectrum (rr, gain);
    const double binHz = rate / double (n);
    double el = 0.0, er = 0.0, lr = 0.0;
    for (std::size_t i = 0; i < std::min (l.size (), rr.size ()); ++i)
        lr += double (l[i]) * rr[i];
    for (float v : l)
        el += double (v) * v;
    for (float v : rr)
        er += double (v) * v;
    r.correlation = el > 0.0 && er > 0.0 ? lr / std::sqrt (el * er) : 0.0;
    r.balanceDb = db (el) - db (er);

    // Flatness per channel, weighted by the channel's energy.
    double flatSum = 0.0, weight = 0.0;
    for (const auto& [spectrum, e] : {std::pair {&pl, el}, std::pair {&pr, er}})
    {
        if (e <= 1e-6 * std::max (el, er))
            continue;
        const double f = bandFlatnessDb (*spectrum, binHz);
        if (std::isfinite (f))
        {
            flatSum += e * f;
            weight += e;
        }
    }
    r.flatnessDb = weight > 0.0 ? flatSum / weight : kNaN;

    // Strongest line: three bins summed against the median of its 1/3-octave band.
    std::vector<double> both (pl.size ());
    for (std::size_t k = 0; k < both.size (); ++k)
        both[k] = pl[k] + pr[k];
    for (double c : thirdOctaveCentres ())
    {
        const auto lo = std::size_t (std::ceil (c * std::exp2 (-1.0 / 6.0) / binHz));
        const auto hi = std::min (both.size () - 1, std::size_t (std::ceil (c * std::exp2 (1.0 / 6.0) / binHz)));
        if (hi < lo + 8 || lo < 1)
            continue;
        std::vector<double> sums;
        for (std::size_t k = lo; k < hi; ++k)
            sums.push_back (both[k - 1] + both[k] + both[k + 1]);
        const double ref = median (sums);
        for (std::size_t k = lo; k < hi; ++k)
            if (ref > 0.0 && db (sums[k - lo] / ref) > r.lineDb)
            {
                r.lineDb = db (sums[k - lo] / ref);
                r.lineHz = double (k) * binHz;
            }
    }
    return r;
}

ImpulseMeasures measureImpulse (std::span<const float> left, std::span<const float> right, double rate)
{
    ImpulseMeasures m;
    m.t30 = decayTime (power (left, right), rate);
    for (std::size_t b = 0; b < kOctaveBands.size (); ++b)
    {
        const auto bl = octaveBand (left, rate, kOctaveBands[b]);
        const auto br = octaveBand (right, rate, kOctaveBands[b]);
        m.t30Band[b] = bl.empty () ? kNaN : decayTime (power (bl, br), rate);
    }
    const std::size_t arrival = firstArrival (left, right);
    m.arrival = double (arrival) / rate;
    const auto profile = echoDensity (left, right, rate, arrival, 0.5);
    const auto dense = std::find_if (profile.begin (), profile.end (), [] (double d) { return d >= kDenseEnough; });
    m.mixingTime =
        dense == profile.end () ? std::numeric_limits<double>::infinity () : double (dense - profile.begin ()) / 1000.0;
    m.lateDensity = median (std::vector<double> (
        profile.begin () + std::ptrdiff_t (std::min<std::size_t> (200, profile.size ())), profile.end ()));
    m.tail = lateTail (left, right, rate, arrival + std::size_t (kLateTailAfter * rate),
                       std::clamp (0.5 * (std::isfinite (m.t30) ? m.t30 : 0.0), kLateTailShortest, kLateTailLongest));
    return m;
}

double sineResidueDb (std::span<const float> left, std::span<const float> right, double rate)
{
    std::size_t n = 1;
    while (n * 2 <= std::min (left.size (), right.size ()))
        n *= 2;
    double above = 0.0, total = 0.0;
    for (std::span<const float> x : {left, right})
    {
        std::vector<std::complex<double>> a (n);
        for (std::size_t i = 0; i < n; ++i)
        {
            const double ph = 2.0 * std::numbers::pi * double (i) / double (n);
            const double w =
                0.35875 - 0.48829 * std::cos (ph) + 0.14128 * std::cos (2 * ph) - 0.01168 * std::cos (3 * ph);
            a[i] = double (x[i]) * w;
        }
        fft (a);
        for (std::size_t k = 0; k < n / 2; ++k)
        {
            const double pk = std::norm (a[k]);
            total += pk;
            if (double (k) * rate / double (n) >= kSineResidueFromHz)
                above += pk;
        }
    }
    return total > 0.0 ? db (above / total) : kNaN;
}

} // namespace morlake::sound
