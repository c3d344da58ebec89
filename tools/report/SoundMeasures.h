// What an engineer reads off a reverb's impulse response: decay times,
// echo density, the evenness of the late tail's spectrum and its width; and
// the residue a steady sine leaves above 4 kHz.
#pragma once

#include "tools/report/Fft.h"

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace morlake::sound {

inline constexpr std::array<double, 7> kOctaveBands = {125.0, 250.0, 500.0, 1000.0, 2000.0, 4000.0, 8000.0};
// Echo density that counts as fully mixed (1 is Gaussian noise).
inline constexpr double kDenseEnough = 0.9;
inline constexpr double kSineResidueFromHz = 4000.0;

// One octave band (two band-pass biquads in series), forward only.
std::vector<float> octaveBand (std::span<const float> x, double rate, double centreHz);

// Sample by sample power of a stereo pair (right may be empty).
std::vector<double> power (std::span<const float> left, std::span<const float> right);
// Schroeder energy decay in dB (0 at the start) of a power sequence. The
// energy past the end is estimated from the last part's slope, so a cut-off
// tail does not bend the curve down.
std::vector<double> energyDecayDb (std::span<const double> power, double rate);
// Time for 60 dB from the -5 .. -35 dB stretch of the decay (-5 .. -25 when
// the decay never falls 35 dB); NaN when it falls less than 25 dB.
double decayTime (std::span<const double> power, double rate);

// Index of the first sample within 20 dB of the peak of either channel.
std::size_t firstArrival (std::span<const float> left, std::span<const float> right);

// Normalised echo density (Abel and Huang): the share of samples beyond one
// standard deviation in a 20 ms window, over that of Gaussian noise; one
// value a millisecond from `from` on, both channels averaged.
std::vector<double> echoDensity (std::span<const float> left, std::span<const float> right, double rate,
                                 std::size_t from, double seconds);

struct LateTail
{
    double flatnessDb = 0.0; // 1/3-octave bands 125 Hz .. 8 kHz, averaged; white noise about -2.5
    double lineHz = 0.0;     // strongest narrow line over its neighbourhood
    double lineDb = 0.0;
    double correlation = 0.0; // inter-channel, at lag 0
    double balanceDb = 0.0;   // left energy over right
};

// From `from` for `seconds`; the decay is removed by an exponential fitted to
// the window itself. The spectrum's resolution grows with the window, so
// longer windows see sparser modes.
LateTail lateTail (std::span<const float> left, std::span<const float> right, double rate, std::size_t from,
                   double seconds);

struct ImpulseMeasures
{
    double t30 = 0.0;
    std::array<double, kOctaveBands.size ()> t30Band {};
    double arrival = 0.0;     // seconds
    double mixingTime = 0.0;  // after the first arrival; infinity if never dense
    double lateDensity = 0.0; // median density 200 .. 500 ms after the first arrival
    LateTail tail;
};

// The late-tail window starts this long after the first arrival and lasts
// while the tail falls 30 dB (half its T30), within these bounds.
inline constexpr double kLateTailAfter = 0.15;
inline constexpr double kLateTailShortest = 0.25;
inline constexpr double kLateTailLongest = 4.0;

ImpulseMeasures measureImpulse (std::span<const float> left, std::span<const float> right, double rate);

// Energy above kSineResidueFromHz over the whole energy, in dB, of a steady
// stereo output (Blackman-Harris window over the largest power of two).
double sineResidueDb (std::span<const float> left, std::span<const float> right, double rate);

} // namespace morlake::sound
