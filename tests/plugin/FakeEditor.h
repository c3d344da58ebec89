// An editor that records what the instance passes to it.
#pragma once

#include "instance/InstanceEditor.h"

#include <vector>

namespace morlake::test {

class FakeEditor : public InstanceEditor
{
public:
    EditorSize getSize () const override { return {1100, 712}; }
    bool open (void*) override { return opened = true; }
    void close () override { opened = false; }
    void idle () override {}
    bool isOpen () const override { return opened; }
    void setParameter (int tag, float value) override { moves.push_back ({tag, value}); }
    void setEditTag (int tag) override { editTag = tag; }
    void refreshAll () override { ++refreshes; }
    bool onWheel (float) override { return false; }
    int onKeyDown (const KeyStroke&) override { return 0; }
    int onKeyUp (const KeyStroke&) override { return 0; }
    bool setKnobMode (int) override { return true; }

    struct Move
    {
        int tag;
        float value;
    };
    std::vector<Move> moves;
    bool opened = true;
    int editTag = -2;
    int refreshes = 0; // whole-editor refreshes: one per program load
};

} // namespace morlake::test
