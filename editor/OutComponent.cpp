#include "OutComponent.h"

#include "ControlStyles.h"
#include "KivLook.h"

namespace
{
std::unique_ptr<juce::Slider> stripKnob (const juce::String& name)
{
    auto knob = ControlStyle::visibleKnob (name, 1.0, 0.001);
    ControlStyle::colourKnob (*knob, juce::Colours::white);
    return knob;
}

std::unique_ptr<juce::ComboBox> stripBox (const juce::String& name)
{
    auto box = ControlStyle::sourceBox (name);
    box->setJustificationType (juce::Justification::centredLeft);
    return box;
}

void whiten (juce::ComboBox& box)
{
    box.setColour (juce::ComboBox::textColourId, juce::Colours::white);
    box.setColour (juce::ComboBox::outlineColourId, juce::Colours::white);
}
} // namespace

OutComponent::OutComponent()
{
    adopt (gainLabel, ControlStyle::barLabel ("gain label", "Gain"));
    adopt (gainSlider, stripKnob ("gain slider")).addListener (this);
    adopt (drywetLabel, ControlStyle::barLabel ("drywet label", "Dry/Wet"));
    adopt (drywetKnob, stripKnob ("drywet knob")).addListener (this);
    adopt (modBox, stripBox ("mod box")).addListener (this);
    adopt (modKnob, stripKnob ("mod knob")).addListener (this);
    adopt (inLabel, ControlStyle::barLabel ("in label", "In"));
    adopt (inBox, stripBox ("in box")).addListener (this);

    setSize (500, 35);

    whiten (*inBox);
    whiten (*modBox);
}

OutComponent::~OutComponent() = default;

void OutComponent::paint (juce::Graphics& g)
{
    g.fillAll (EditorColours::green);
}

void OutComponent::resized()
{
    place (*inLabel, 0.0f, 0.0f, 0.0596f, 1.0f);
    place (*inBox, 0.0809f, 0.2857f, 0.1596f, 0.4f);
    place (*gainLabel, 0.2596f, 0.0f, 0.0809f, 1.0f);
    place (*gainSlider, 0.3596f, 0.0f, 0.0809f, 1.0f);
    place (*drywetLabel, 0.4809f, 0.0f, 0.1192f, 1.0f);
    place (*drywetKnob, 0.6192f, 0.0f, 0.0809f, 1.0f);
    place (*modBox, 0.7404f, 0.2857f, 0.1596f, 0.4f);
    place (*modKnob, 0.9192f, 0.0f, 0.0809f, 1.0f);
}

void OutComponent::sliderValueChanged (juce::Slider* slider)
{
    using namespace ParameterIndex;

    if (slider == drywetKnob.get())
        sendUserChange (dryWet, ControlValue::fromKnob (*slider));
    else if (slider == modKnob.get())
        sendUserChange (dryWetModDepth, ControlValue::fromKnob (*slider));
    else if (slider == gainSlider.get())
        sendUserChange (outGain, ControlValue::fromKnob (*slider));
}

void OutComponent::comboBoxChanged (juce::ComboBox* box)
{
    using namespace ParameterIndex;

    if (box == inBox.get())
        sendUserChange (outInputSource, ControlValue::fromSourceBox (*box));
    else if (box == modBox.get())
        sendUserChange (dryWetModSource, ControlValue::fromSourceBox (*box));
}

void OutComponent::updateFromPlugin()
{
    using namespace ParameterIndex;

    if (takeFirstRefresh())
    {
        setDoubleClickDefault (*gainSlider, outGain);
        setDoubleClickDefault (*drywetKnob, dryWet);
        setDoubleClickDefault (*modKnob, dryWetModDepth);
    }

    showKnob (*gainSlider, outGain);
    showKnob (*drywetKnob, dryWet);
    showKnob (*modKnob, dryWetModDepth);
    showSourceBox (*modBox, dryWetModSource);
    showSourceBox (*inBox, outInputSource);
}
