// Morlake finds its factory preset by the name stored in parameter slots
// 145..172; a host selects one by writing the name there and asking for
// program 0. These helpers do that through the plug-in's parameter interface.
#pragma once

#include "instance/Identity.h"
#include "presets/FactoryPresets.h"
#include "tools/harness/HostedPlugin.h"

#include <string>
#include <string_view>
#include <vector>

namespace morlake {

// What the command-line tools tell a plug-in about their host: the maker's
// own host, one of those Morlake exchanges chunks with.
constexpr const char* kToolHostProduct = identity::kOwnHostProduct;
constexpr const char* kToolHostVendor = identity::kVendorName;

constexpr vst::int32 kMorlakeUniqueID = identity::kUniqueID;

bool isMorlake (const HostedPlugin& plugin);

std::vector<std::string> factoryPresetNames ();

// Writes the exact factory name (index 0..56) into the name slots and sends
// effSetProgram 0. False for an index out of range.
bool selectFactoryPreset (HostedPlugin& plugin, int index);

// Writes any name (cut to 28 characters) into the name slots, 0 after it.
void writePresetName (HostedPlugin& plugin, std::string_view name);
std::string readPresetName (HostedPlugin& plugin); // decodes the slots back

} // namespace morlake
