// The LV2 port layout and how a control port's value in the user's units
// maps onto a parameter's normalised value. The plug-in and the Turtle
// generator read the same functions, so the description and the code agree.
#pragma once

#include "params/ParameterTable.h"

#include <span>
#include <string_view>
#include <vector>

namespace morlake::lv2 {

inline constexpr const char* kPluginUri = "https://aldermoor.example/lv2/morlake";
inline constexpr const char* kUiUri = "https://aldermoor.example/lv2/morlake#ui";
inline constexpr const char* kStateKeyUri = "https://aldermoor.example/lv2/morlake#state";
inline constexpr const char* kPresetUriPrefix = "https://aldermoor.example/lv2/morlake/preset/";

// Fixed ports, then one control port per user parameter in tag order.
enum FixedPort : int
{
    kPortInL = 0,
    kPortInR,
    kPortSideL,
    kPortSideR,
    kPortOutL,
    kPortOutR,
    kPortEvents,
    kFirstControlPort
};

// How a control port shows a parameter.
enum class PortKind
{
    Continuous,
    Toggle,
    Enumeration
};

struct PortUnit
{
    PortKind kind = PortKind::Continuous;
    const char* unitUri = nullptr; // units: term; null for none
    bool logarithmic = false;
    double minimum = 0.0, maximum = 1.0;
};

PortUnit portUnitOf (const ParameterTable& table, int tag);

// The port value (user units) of normalised `value`, as a float port carries it.
float toPortValue (const ParameterTable& table, int tag, float value);
// The normalised value a port value selects: out-of-range values are
// clamped; where several normalised values show as `port`, the one nearest
// the exact inverse.
float fromPortValue (const ParameterTable& table, int tag, float port);

// Tags with a control port, in port order.
std::vector<int> controlPortTags (const ParameterTable& table);

} // namespace morlake::lv2
