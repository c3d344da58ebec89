// Who the plug-in says it is, and the maker's own host it recognises.
#pragma once

#include "plugin/vst24.h"

namespace morlake::identity {

inline constexpr const char* kEffectName = "Morlake";
inline constexpr const char* kVendorName = "Aldermoor";
inline constexpr const char* kProductName = "Morlake";
inline constexpr vst::int32 kUniqueID = vst::fourCC ('M', 'k', 'L', 'r');
// The maker's own host: one of the hosts that exchange chunks.
inline constexpr const char* kOwnHostProduct = "AL-KILNCAST";

} // namespace morlake::identity
