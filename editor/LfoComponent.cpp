#include "LfoComponent.h"

#include "ControlStyles.h"

using namespace ParameterIndex;

LfoComponent::LfoComponent (int unitIndex) : UnitPanel (unitIndex, lfoBase (unitIndex))
{
    using namespace ControlStyle;

    adopt (rateModDepthLabel, valueLabel ("rate mod depth label"));
    adopt (rateModDepthKnob, invisibleKnob ("rate mod depth knob")).addListener (this);
    adopt (nameLabel, titleLabel ("name label", "LFO"));
    adopt (waveKnob, visibleKnob ("wave knob", (double) (numLfoWaves - 1), 1.0)).addListener (this);
    adopt (waveLabel, knobCaption ("wave label", "Wave"));
    adopt (rateKnob, visibleKnob ("rate knob", 1.0, 0.001)).addListener (this);
    adopt (rateLabel, knobCaption ("rate label", "Rate"));
    adopt (rateModLabel, rowCaption ("rate mod label", "Rate Mod"));
    adopt (rateModBox, sourceBox ("rate mod box")).addListener (this);
    adopt (syncButton, toggleButton ("sync button", "SYNC")).addListener (this);
    adopt (multiplyButton, toggleButton ("multiply button", "x100")).addListener (this);

    setSize (225, 175);

    if (hasUnit())
        nameLabel->setText ("LFO " + juce::String (index), juce::dontSendNotification);
}

LfoComponent::~LfoComponent() = default;

void LfoComponent::resized()
{
    place (*rateModDepthLabel, 0.7511f, 0.9029f, 0.2489f, 0.1029f);
    place (*rateModDepthKnob, 0.7511f, 0.9029f, 0.2489f, 0.1029f);
    place (*nameLabel, 0.0f, 0.0f, 1.0f, 0.1029f);
    place (*waveKnob, 0.0978f, 0.4f, 0.3022f, 0.2514f);
    place (*waveLabel, 0.0978f, 0.6514f, 0.3022f, 0.0686f);
    place (*rateKnob, 0.6f, 0.4f, 0.3022f, 0.2514f);
    place (*rateLabel, 0.6f, 0.6514f, 0.3022f, 0.0686f);
    place (*rateModLabel, 0.0f, 0.9029f, 0.3289f, 0.1029f);
    place (*rateModBox, 0.3289f, 0.9029f, 0.4178f, 0.1029f);
    place (*syncButton, 0.0978f, 0.1829f, 0.3022f, 0.1029f);
    place (*multiplyButton, 0.6f, 0.1829f, 0.3022f, 0.1029f);
}

int LfoComponent::activeRateParameter() const
{
    return chooseBySync (parameter (lfoSync), parameter (lfoRate), parameter (lfoSyncedRate));
}

void LfoComponent::sliderValueChanged (juce::Slider* slider)
{
    if (! hasUnit())
        return;

    if (slider == rateModDepthKnob.get())
        sendUserChange (parameter (lfoRateModDepth), ControlValue::fromKnob (*slider));
    else if (slider == waveKnob.get())
        sendUserChange (parameter (lfoWave), ControlValue::fromWaveKnob (*slider));
    else if (slider == rateKnob.get())
        sendUserChange (activeRateParameter(), ControlValue::fromKnob (*slider));
}

void LfoComponent::comboBoxChanged (juce::ComboBox* box)
{
    if (hasUnit() && box == rateModBox.get())
        sendUserChange (parameter (lfoRateModSource), ControlValue::fromSourceBox (*box));
}

void LfoComponent::buttonClicked (juce::Button* button)
{
    if (! hasUnit())
        return;

    if (button == syncButton.get())
    {
        sendUserChange (parameter (lfoSync), ControlValue::fromToggle (*button));

        // The knob keeps its position until the next refresh; a double-click already means the
        // default of the rate now in use.
        setDoubleClickDefault (*rateKnob, activeRateParameter());
    }
    else if (button == multiplyButton.get())
    {
        sendUserChange (parameter (lfoRateTimes100), ControlValue::fromToggle (*button));
    }
}

void LfoComponent::updateFromPlugin()
{
    if (! hasUnit())
        return;

    if (takeFirstRefresh())
    {
        setDoubleClickDefault (*rateKnob, activeRateParameter());
        setDoubleClickValue (*waveKnob, ControlValue::waveKnobPosition (defaultOf (parameter (lfoWave))));
        setDoubleClickDefault (*rateModDepthKnob, parameter (lfoRateModDepth));
    }

    showValueText (*rateModDepthLabel, parameter (lfoRateModDepth));
    showKnob (*rateKnob, activeRateParameter());
    waveKnob->setValue (ControlValue::waveKnobPosition (processor->getParameter (parameter (lfoWave))),
                        juce::dontSendNotification);
    showValueText (*waveLabel, parameter (lfoWave));
    showKnob (*rateModDepthKnob, parameter (lfoRateModDepth));
    showToggle (*syncButton, parameter (lfoSync));
    showToggle (*multiplyButton, parameter (lfoRateTimes100));
    showSourceBox (*rateModBox, parameter (lfoRateModSource));
}
