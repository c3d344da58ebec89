// The editor's sense of time for its rate limits (idle passes, program
// steps, tooltips, repaint counts): a steady clock in milliseconds, which a
// test may replace to step time without sleeping.
#pragma once

#include <cstdint>

namespace morlake::editorclock {

using Source = uint64_t (*) ();

uint32_t now ();
// Null restores the steady clock.
void setSource (Source source);

} // namespace morlake::editorclock
