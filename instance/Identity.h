// Who the plug-in says it is, and the maker's own host it recognises.
#pragma once

#include <cstdint>

namespace morlake::identity {

inline constexpr const char* kEffectName = "Morlake";
inline constexpr const char* kVendorName = "Aldermoor";
inline constexpr const char* kProductName = "Morlake";
// Version as hosts read it: 1.0.0.
inline constexpr int kVendorVersion = 65536;
// Four characters 'MkLr', as the formats with a numeric identifier carry it.
inline constexpr int32_t kUniqueID = ('M' << 24) | ('k' << 16) | ('L' << 8) | 'r';
// The maker's own host: one of the hosts that exchange chunks.
inline constexpr const char* kOwnHostProduct = "AL-KILNCAST";

} // namespace morlake::identity
