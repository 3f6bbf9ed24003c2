#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The controls of the editor's panels, each made in its style. */
namespace ControlStyle
{
    /** A panel's name, and the caption of a selector row. */
    std::unique_ptr<juce::Label> titleLabel (const juce::String& name, const juce::String& text);
    std::unique_ptr<juce::Label> rowCaption (const juce::String& name, const juce::String& text);

    /** A label of the bottom bar: white text straight on the bar's green, no background of its own. */
    std::unique_ptr<juce::Label> barLabel (const juce::String& name, const juce::String& text);

    /** The caption under a visible knob. */
    std::unique_ptr<juce::Label> knobCaption (const juce::String& name, const juce::String& text);

    /** The number of a depth or level parameter, dragged through the invisible knob over it. */
    std::unique_ptr<juce::Label> valueLabel (const juce::String& name);

    std::unique_ptr<juce::Slider> visibleKnob (const juce::String& name, double maximum, double interval);
    std::unique_ptr<juce::Slider> invisibleKnob (const juce::String& name);

    /** Gives the knob's thumb, track and both rotary parts this colour. */
    void colourKnob (juce::Slider& knob, juce::Colour colour);

    std::unique_ptr<juce::ComboBox> sourceBox (const juce::String& name);
    std::unique_ptr<juce::ComboBox> modeBox (const juce::String& name);

    /** A text button whose clicks toggle its state. */
    std::unique_ptr<juce::TextButton> toggleButton (const juce::String& name, const juce::String& text);
}
