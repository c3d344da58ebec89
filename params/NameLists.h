// Name lists shared by the host display texts, the menus and the editor
// readouts, indexed by a parameter's step.
#pragma once

#include <array>
#include <string_view>

namespace morlake {

using Names = std::string_view;

inline constexpr int kNumSources = 47;
inline constexpr int kNumDestinations = 57;
inline constexpr int kNumReverbPresets = 10;

extern const std::array<Names, 2> OFF_ON_STR;
extern const std::array<Names, 2> EARLY_PATH_STR;
extern const std::array<Names, 2> LATE_PATH_STR;
extern const std::array<Names, 8> DISRUPT_STR;
extern const std::array<Names, 2> MOD_SLOT_STR;
extern const std::array<Names, 21> LATE_SYNCED_LENGTH_STR;
extern const std::array<Names, 15> REVERB_PRE_DELAY_SYNCED_LENGTH_STR;
extern const std::array<Names, 31> LFO_TEMPO_SYNCED_PERIOD_STR;
extern const std::array<Names, 12> DISRUPT_LAZY_MODE_STR;
extern const std::array<Names, 21> DISRUPT_LAZY_TRIGGER_STR;
extern const std::array<Names, 13> DISRUPT_QUANT_STR;
extern const std::array<Names, 18> DISRUPT_SPRING_TIME_STR;
extern const std::array<Names, 7> FOLLOWER_SOURCE_STR;
extern const std::array<Names, kNumSources> SRC_STR;
extern const std::array<Names, kNumDestinations> DEST_STR;
extern const std::array<Names, kNumDestinations> DEST_SHORT_STR;
extern const std::array<Names, kNumReverbPresets> REVERB_PRESET_STR;

// Entry `index` of a list, or "" when the index is outside it.
template <std::size_t N>
constexpr Names nameAt (const std::array<Names, N>& list, int index)
{
    return index >= 0 && static_cast<std::size_t> (index) < N ? list[static_cast<std::size_t> (index)] : Names {};
}

} // namespace morlake
