// An editor that records what the instance passes to it.
#pragma once

#include "plugin/PluginEditor.h"

#include <vector>

namespace morlake::test {

class FakeEditor : public PluginEditor
{
public:
    bool getRect (vst::ERect** rect) override
    {
        *rect = &rectangle;
        return true;
    }
    bool open (void*) override { return opened = true; }
    void close () override { opened = false; }
    void idle () override {}
    bool isOpen () const override { return opened; }
    void setParameter (int tag, float value) override
    {
        moves.push_back ({tag, value});
    }
    void setEditTag (int tag) override { editTag = tag; }
    void refreshAll () override { ++refreshes; }
    bool onWheel (float) override { return false; }
    int onKeyDown (const VstKeyCode&) override { return 0; }
    int onKeyUp (const VstKeyCode&) override { return 0; }
    bool setKnobMode (int) override { return true; }

    struct Move
    {
        int tag;
        float value;
    };
    std::vector<Move> moves;
    vst::ERect rectangle {0, 0, 712, 1100};
    bool opened = true;
    int editTag = -2;
    int refreshes = 0; // whole-editor refreshes: one per program load
};

} // namespace morlake::test
