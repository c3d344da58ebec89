// The editor the plug-in instance is built with (no VSTGUI types here).
#pragma once

#include "plugin/PluginEditor.h"

namespace morlake {

class APlugin;

PluginEditor* createEditor (APlugin& plugin);

} // namespace morlake
