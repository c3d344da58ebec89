// The editor a format adapter opens (no toolkit types here).
#pragma once

#include "instance/EditorModel.h"
#include "instance/InstanceEditor.h"

namespace morlake {

InstanceEditor* createEditor (EditorModel& model);

} // namespace morlake
