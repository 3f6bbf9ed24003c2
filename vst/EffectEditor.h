// The editor object an AudioEffect may own. The effect's dispatcher forwards the host's window
// and key opcodes to it; without one those opcodes answer 0.
#pragma once

#include "VstInterface.h"

class EffectEditor
{
public:
    virtual ~EffectEditor();

    /** Writes the address of the editor's rectangle into *rect; the rectangle stays owned by the
        editor. */
    virtual bool getWindowRect (EditorRect** rect) = 0;
    /** Opens the editor inside the host's parent window. */
    virtual bool openWindow (void* parentWindow) = 0;
    virtual void closeWindow() = 0;
    virtual void idle() = 0;
    virtual bool keyDown (EditorKeyCode& keyCode) = 0;
    virtual bool keyUp (EditorKeyCode& keyCode) = 0;
    virtual bool setKnobMode (std::int32_t mode) = 0;
};
