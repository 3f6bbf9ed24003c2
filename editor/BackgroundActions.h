#pragma once

#include "VarluneAudioProcessor.h"

/** What the background panel's bar buttons do to the processor, apart from the panel's own
    widgets: the panel's handlers call these, and tests call them with no window. Message thread. */
namespace BackgroundActions
{
    /** The preset index "<" asks for: the one before current, or the last when current is not
        above 0 (-1 when there are no presets). */
    int previousPresetIndex (int current, int presetCount) noexcept;

    /** The preset index ">" asks for: the one after current, or the first past the last. */
    int nextPresetIndex (int current, int presetCount) noexcept;

    /** RND: one draw from random per randomised parameter, in parameter order, each value given to
        the host without a gesture. Delay times, feedback, LFO rates, waves, switches, modulation
        depths and mixer controls change; routing, levels, mixer modes and the output stage stay.
        A wave draw above 0.8 draws once more and becomes 1 (S&H) on true. */
    void randomiseParameters (VarluneAudioProcessor& processor, juce::Random& random);

    /** Clear: every learned controller is forgotten; the values stay. */
    void forgetLearnedControllers (VarluneAudioProcessor& processor);
}
