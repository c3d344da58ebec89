#include "platform/AudioThread.h"

namespace morlake {

namespace {

// Initial-exec: a dlopen'ed plug-in would otherwise reach this through
// __tls_get_addr, which may allocate on a thread's first access.
thread_local bool tlsAudioThread __attribute__ ((tls_model ("initial-exec"))) = false;

} // namespace

bool isAudioThread () { return tlsAudioThread; }

AudioThreadScope::AudioThreadScope () : previous (tlsAudioThread) { tlsAudioThread = true; }

AudioThreadScope::~AudioThreadScope () { tlsAudioThread = previous; }

} // namespace morlake
