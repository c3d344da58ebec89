// What the instance asks of the host it runs in. A format adapter implements
// it in that format's terms; the instance never sees the format.
#pragma once

#include "dsp/TSignalChain.h"

namespace morlake {

class InstanceHost
{
public:
    virtual ~InstanceHost () = default;

    // The user changed a parameter (the editor, a menu, a typed value): the
    // host records `value`, what the parameter now holds.
    virtual void parameterEdited (int tag, float value) = 0;
    // A drag or other continuous edit of `tag` begins or ends. True when
    // the host took note.
    virtual bool gestureBegan (int tag) = 0;
    virtual bool gestureEnded (int tag) = 0;
    // Transport and tempo for the block about to run; on the audio thread.
    virtual ChainTime transport () = 0;
    // The editor wants the host's idle calls served now (a long edit).
    virtual void requestIdle () = 0;
};

} // namespace morlake
