// How stepped parameters read their values: step k of a parameter read
// with scale s is trunc(value * s + 0.1), limited to its steps, and the
// value stored for step k is (k + 0.1) / s. A parameter of n steps reads
// with scale n - 0.01.
#pragma once

namespace morlake {

// Steps of the stepped parameters.
namespace steps {
enum : int
{
    OnOff = 2,
    EarlyPath = 2,
    LatePath = 2,
    ReverbPreDelay = 15, // tempo divisions while synced
    ReverbPreset = 10,
    LateLength = 21, // tempo divisions while synced
    DisruptQuantization = 13,
    DisruptSpringTime = 18,
    LazyMode = 12,
    LazySpeed = 31, // tempo divisions while synced
    LazyTrigger = 21,
    FollowerSource = 7,
};
} // namespace steps

constexpr float scaleForSteps (int n) { return static_cast<float> (n) - 0.01f; }

namespace scale {
inline constexpr float OnOff = scaleForSteps (steps::OnOff);
inline constexpr float EarlyPath = scaleForSteps (steps::EarlyPath);
inline constexpr float LatePath = scaleForSteps (steps::LatePath);
inline constexpr float ReverbPreDelay = scaleForSteps (steps::ReverbPreDelay);
inline constexpr float LateLength = scaleForSteps (steps::LateLength);
inline constexpr float DisruptQuantization = scaleForSteps (steps::DisruptQuantization);
inline constexpr float DisruptSpringTime = scaleForSteps (steps::DisruptSpringTime);
inline constexpr float LazyMode = scaleForSteps (steps::LazyMode);
inline constexpr float LazySpeed = scaleForSteps (steps::LazySpeed);
inline constexpr float FollowerSource = scaleForSteps (steps::FollowerSource);
// The reverb character's ten steps read as eleven.
inline constexpr float ReverbPreset = scaleForSteps (steps::ReverbPreset + 1);
// List parameters (sources, destinations, the lazy trigger) read in hundredths.
inline constexpr float List = scaleForSteps (100);
} // namespace scale

// The value that selects step k of a parameter read with `scale` (unclamped).
constexpr float stepValue (int k, float scale) { return (static_cast<float> (k) + 0.1f) / scale; }

} // namespace morlake
