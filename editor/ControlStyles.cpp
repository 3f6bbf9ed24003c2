#include "ControlStyles.h"

#include "KivLook.h"
#include "ParameterTable.h"

namespace
{
void setUpLabel (juce::Label& label, float fontHeight, juce::Justification justification)
{
    label.setFont (juce::Font (fontHeight, juce::Font::plain));
    label.setJustificationType (justification);
    label.setEditable (false, false, false);
    label.setColour (juce::Label::backgroundColourId, EditorColours::green);
    label.setColour (juce::Label::textColourId, juce::Colours::white);
    label.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    label.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
}

std::unique_ptr<juce::Label> makeLabel (const juce::String& name, const juce::String& text,
                                        float fontHeight, juce::Justification justification)
{
    auto label = std::make_unique<juce::Label> (name, text);
    setUpLabel (*label, fontHeight, justification);
    return label;
}

std::unique_ptr<juce::Slider> makeKnob (const juce::String& name, double maximum, double interval,
                                        juce::Colour colour)
{
    auto knob = std::make_unique<juce::Slider> (name);
    knob->setRange (0.0, maximum, interval);
    knob->setSliderStyle (juce::Slider::RotaryVerticalDrag);
    knob->setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
    ControlStyle::colourKnob (*knob, colour);
    return knob;
}

std::unique_ptr<juce::ComboBox> makeBox (const juce::String& name)
{
    auto box = std::make_unique<juce::ComboBox> (name);
    box->setEditableText (false);
    box->setJustificationType (juce::Justification::centred);
    box->setTextWhenNothingSelected ({});
    box->setTextWhenNoChoicesAvailable ("(no choices)");
    box->setColour (juce::ComboBox::textColourId, juce::Colours::white);
    box->setColour (juce::ComboBox::outlineColourId, EditorColours::green);
    return box;
}

// The 14 sources, item id = SignalSource + 1.
void addSourceItems (juce::ComboBox& box)
{
    // The box names the plug-in's input "Plug In" where the parameter's text says "Input".
    for (int source = 0; source < numSignalSources; ++source)
        box.addItem (source == sourceInput ? "Plug In" : getSignalSourceName (source), source + 1);
}
}

namespace ControlStyle
{
std::unique_ptr<juce::Label> titleLabel (const juce::String& name, const juce::String& text)
{
    return makeLabel (name, text, 15.0f, juce::Justification::centredLeft);
}

std::unique_ptr<juce::Label> rowCaption (const juce::String& name, const juce::String& text)
{
    return titleLabel (name, text);
}

std::unique_ptr<juce::Label> barLabel (const juce::String& name, const juce::String& text)
{
    auto label = titleLabel (name, text);
    label->removeColour (juce::Label::backgroundColourId);
    return label;
}

std::unique_ptr<juce::Label> knobCaption (const juce::String& name, const juce::String& text)
{
    return makeLabel (name, text, 12.0f, juce::Justification::centred);
}

std::unique_ptr<juce::Label> valueLabel (const juce::String& name)
{
    auto label = makeLabel (name, "%", 15.0f, juce::Justification::centred);
    label->setColour (juce::Label::outlineColourId, EditorColours::green);
    return label;
}

std::unique_ptr<juce::Slider> visibleKnob (const juce::String& name, double maximum, double interval)
{
    return makeKnob (name, maximum, interval, EditorColours::green);
}

std::unique_ptr<juce::Slider> invisibleKnob (const juce::String& name)
{
    return makeKnob (name, 1.0, 0.001, EditorColours::green.withAlpha ((juce::uint8) 0));
}

void colourKnob (juce::Slider& knob, juce::Colour colour)
{
    for (auto id : { juce::Slider::thumbColourId, juce::Slider::trackColourId,
                     juce::Slider::rotarySliderFillColourId, juce::Slider::rotarySliderOutlineColourId })
        knob.setColour (id, colour);
}

std::unique_ptr<juce::ComboBox> sourceBox (const juce::String& name)
{
    auto box = makeBox (name);
    addSourceItems (*box);
    return box;
}

std::unique_ptr<juce::ComboBox> modeBox (const juce::String& name)
{
    auto box = makeBox (name);

    // The box says "Ring" where the parameter's text says "Ringmod".
    for (int mode = 0; mode < numMixerModes; ++mode)
        box->addItem (mode == modeRingmod ? "Ring" : getMixerModeName (mode), mode + 1);

    return box;
}

std::unique_ptr<juce::TextButton> toggleButton (const juce::String& name, const juce::String& text)
{
    auto button = std::make_unique<juce::TextButton> (name, juce::String());
    button->setButtonText (text);
    button->setClickingTogglesState (true);
    button->setColour (juce::TextButton::buttonColourId, EditorColours::green);
    button->setColour (juce::TextButton::buttonOnColourId, EditorColours::green);
    button->setColour (juce::TextButton::textColourOnId, juce::Colours::white);
    button->setColour (juce::TextButton::textColourOffId, EditorColours::green);
    return button;
}
}
