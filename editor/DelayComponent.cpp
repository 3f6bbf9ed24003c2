#include "DelayComponent.h"

#include "ControlStyles.h"

using namespace ParameterIndex;

DelayComponent::DelayComponent (int unitIndex) : UnitPanel (unitIndex, delayBase (unitIndex))
{
    using namespace ControlStyle;

    adopt (timeModDepthLabel, valueLabel ("time mod depth label"));
    adopt (timeModDepthKnob, invisibleKnob ("time mod depth knob")).addListener (this);
    adopt (feedInLevelLabel, valueLabel ("feed in level label"));
    adopt (feedInLevelKnob, invisibleKnob ("feed in level knob")).addListener (this);
    adopt (inLevelLabel, valueLabel ("in level label"));
    adopt (inLevelKnob, invisibleKnob ("in level knob")).addListener (this);
    adopt (nameLabel, titleLabel ("name label", "DELAY"));
    adopt (inLabel, rowCaption ("in label", "In"));
    adopt (feedInLabel, rowCaption ("feed in label", "Feed In"));
    adopt (timeKnob, visibleKnob ("time knob", 1.0, 0.001)).addListener (this);
    adopt (timeLabel, knobCaption ("time label", "Time"));
    adopt (feedKnob, visibleKnob ("feed knob", 1.0, 0.001)).addListener (this);
    adopt (feedLabel, knobCaption ("feed label", "Feed"));
    adopt (timeModLabel, rowCaption ("time mod label", "Time Mod"));
    adopt (inputBox, sourceBox ("input box")).addListener (this);
    adopt (feedInputBox, sourceBox ("feed input box")).addListener (this);
    adopt (timeModSourceBox, sourceBox ("time mod in box")).addListener (this);
    adopt (syncButton, toggleButton ("sync button", "SYNC")).addListener (this);

    setSize (225, 210);

    if (hasUnit())
        nameLabel->setText ("DELAY " + juce::String (index), juce::dontSendNotification);
}

DelayComponent::~DelayComponent() = default;

void DelayComponent::resized()
{
    place (*timeModDepthLabel, 0.7511f, 0.9f, 0.2489f, 0.1f);
    place (*timeModDepthKnob, 0.7511f, 0.9f, 0.2489f, 0.1f);
    place (*feedInLevelLabel, 0.7511f, 0.2f, 0.2489f, 0.1f);
    place (*feedInLevelKnob, 0.7511f, 0.2f, 0.2489f, 0.1f);
    place (*inLevelLabel, 0.7511f, 0.1f, 0.2489f, 0.1f);
    place (*inLevelKnob, 0.7511f, 0.1f, 0.2489f, 0.1f);
    place (*nameLabel, 0.0f, 0.0f, 1.0f, 0.1f);
    place (*inLabel, 0.0f, 0.1f, 0.3378f, 0.1f);
    place (*feedInLabel, 0.0f, 0.2f, 0.3378f, 0.1f);
    place (*timeKnob, 0.0489f, 0.4f, 0.2489f, 0.2f);
    place (*timeLabel, 0.0489f, 0.6095f, 0.2489f, 0.0619f);
    place (*feedKnob, 0.7022f, 0.4f, 0.2489f, 0.2f);
    place (*feedLabel, 0.7022f, 0.6095f, 0.2489f, 0.0619f);
    place (*timeModLabel, 0.0f, 0.9f, 0.3378f, 0.1f);
    place (*inputBox, 0.3378f, 0.1f, 0.4089f, 0.1f);
    place (*feedInputBox, 0.3378f, 0.2f, 0.4089f, 0.1f);
    place (*timeModSourceBox, 0.3378f, 0.9f, 0.4089f, 0.1f);
    place (*syncButton, 0.3511f, 0.4476f, 0.3022f, 0.1f);
}

int DelayComponent::activeTimeParameter() const
{
    return chooseBySync (parameter (delaySync), parameter (delayTime), parameter (delayTimeSynced));
}

void DelayComponent::sliderValueChanged (juce::Slider* slider)
{
    if (! hasUnit())
        return;

    const float value = ControlValue::fromKnob (*slider);

    if (slider == timeModDepthKnob.get())    sendUserChange (parameter (delayTimeModDepth), value);
    else if (slider == feedInLevelKnob.get()) sendUserChange (parameter (delayFeedbackInputLevel), value);
    else if (slider == inLevelKnob.get())     sendUserChange (parameter (delayInputLevel), value);
    else if (slider == timeKnob.get())        sendUserChange (activeTimeParameter(), value);
    else if (slider == feedKnob.get())        sendUserChange (parameter (delayFeedback), value);
}

void DelayComponent::comboBoxChanged (juce::ComboBox* box)
{
    if (! hasUnit())
        return;

    const float value = ControlValue::fromSourceBox (*box);

    if (box == inputBox.get())              sendUserChange (parameter (delayInput), value);
    else if (box == feedInputBox.get())     sendUserChange (parameter (delayFeedbackInput), value);
    else if (box == timeModSourceBox.get()) sendUserChange (parameter (delayTimeModSource), value);
}

void DelayComponent::buttonClicked (juce::Button* button)
{
    if (! hasUnit() || button != syncButton.get())
        return;

    sendUserChange (parameter (delaySync), ControlValue::fromToggle (*button));

    // The knob keeps its position until the next refresh; a double-click already means the
    // default of the time now in use.
    setDoubleClickDefault (*timeKnob, activeTimeParameter());
}

void DelayComponent::updateFromPlugin()
{
    if (! hasUnit())
        return;

    if (takeFirstRefresh())
    {
        setDoubleClickDefault (*timeKnob, activeTimeParameter());
        setDoubleClickDefault (*feedKnob, parameter (delayFeedback));
        setDoubleClickDefault (*inLevelKnob, parameter (delayInputLevel));
        setDoubleClickDefault (*feedInLevelKnob, parameter (delayFeedbackInputLevel));
        setDoubleClickDefault (*timeModDepthKnob, parameter (delayTimeModDepth));
    }

    showValueText (*inLevelLabel, parameter (delayInputLevel));
    showValueText (*feedInLevelLabel, parameter (delayFeedbackInputLevel));
    showValueText (*timeModDepthLabel, parameter (delayTimeModDepth));
    showKnob (*timeKnob, activeTimeParameter());
    showKnob (*feedKnob, parameter (delayFeedback));
    showKnob (*inLevelKnob, parameter (delayInputLevel));
    showKnob (*feedInLevelKnob, parameter (delayFeedbackInputLevel));
    showKnob (*timeModDepthKnob, parameter (delayTimeModDepth));
    showToggle (*syncButton, parameter (delaySync));
    showSourceBox (*inputBox, parameter (delayInput));
    showSourceBox (*feedInputBox, parameter (delayFeedbackInput));
    showSourceBox (*timeModSourceBox, parameter (delayTimeModSource));
}
