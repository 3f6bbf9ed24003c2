#include "MixerComponent.h"

#include "ControlStyles.h"

using namespace ParameterIndex;

MixerComponent::MixerComponent (int unitIndex) : UnitPanel (unitIndex, mixerBase (unitIndex))
{
    adopt (valueModDepthLabel, ControlStyle::valueLabel ("value mod depth label"));
    adopt (valueModDepthKnob, ControlStyle::invisibleKnob ("value mod depth knob")).addListener (this);
    adopt (nameLabel, ControlStyle::titleLabel ("name label", "MIXER"));
    adopt (inALabel, ControlStyle::rowCaption ("inA label", "In A"));
    adopt (inBLabel, ControlStyle::rowCaption ("inB label", "In B"));
    adopt (valueKnob, ControlStyle::visibleKnob ("value knob", 1.0, 0.001)).addListener (this);
    adopt (valueLabel, ControlStyle::knobCaption ("value label", "Mix"));
    adopt (valueModLabel, ControlStyle::rowCaption ("value mod label", "Mod"));
    adopt (inABox, ControlStyle::sourceBox ("inA Box")).addListener (this);
    adopt (inBBox, ControlStyle::sourceBox ("inB box")).addListener (this);
    adopt (valueModBox, ControlStyle::sourceBox ("value mod box")).addListener (this);
    adopt (modeBox, ControlStyle::modeBox ("mode box")).addListener (this);

    setSize (225, 175);

    if (hasUnit())
        nameLabel->setText ("MIXER " + juce::String (index), juce::dontSendNotification);
}

MixerComponent::~MixerComponent() = default;

void MixerComponent::resized()
{
    place (*nameLabel, 0.0f, 0.0f, 1.0f, 0.1029f);
    place (*inALabel, 0.0f, 0.1029f, 0.4978f, 0.1029f);
    place (*inABox, 0.4978f, 0.1029f, 0.4978f, 0.1029f);
    place (*inBLabel, 0.0f, 0.2f, 0.4978f, 0.1029f);
    place (*inBBox, 0.4978f, 0.2f, 0.4978f, 0.1029f);
    place (*valueKnob, 0.7022f, 0.4f, 0.2489f, 0.2f);
    place (*modeBox, 0.0978f, 0.5029f, 0.4489f, 0.1029f);
    place (*valueLabel, 0.7022f, 0.6171f, 0.2489f, 0.0571f);
    place (*valueModLabel, 0.0f, 0.9029f, 0.3289f, 0.1029f);
    place (*valueModBox, 0.3289f, 0.9029f, 0.4178f, 0.1029f);
    place (*valueModDepthLabel, 0.7511f, 0.9029f, 0.2489f, 0.1029f);
    place (*valueModDepthKnob, 0.7511f, 0.9029f, 0.2489f, 0.1029f);
}

void MixerComponent::sliderValueChanged (juce::Slider* slider)
{
    if (! hasUnit())
        return;

    if (slider == valueKnob.get())
        sendUserChange (parameter (mixerControl), ControlValue::fromKnob (*slider));
    else if (slider == valueModDepthKnob.get())
        sendUserChange (parameter (mixerControlModDepth), ControlValue::fromKnob (*slider));
}

void MixerComponent::comboBoxChanged (juce::ComboBox* box)
{
    if (! hasUnit())
        return;

    if (box == modeBox.get())           sendUserChange (parameter (mixerMode), ControlValue::fromModeBox (*box));
    else if (box == inABox.get())       sendUserChange (parameter (mixerInputA), ControlValue::fromSourceBox (*box));
    else if (box == inBBox.get())       sendUserChange (parameter (mixerInputB), ControlValue::fromSourceBox (*box));
    else if (box == valueModBox.get())  sendUserChange (parameter (mixerControlModSource), ControlValue::fromSourceBox (*box));
}

void MixerComponent::enableForMode (int modeItemIndex)
{
    // Ring modulation and panning ignore the control value, and so its modulation.
    const bool usesControl = ! (modeItemIndex == modeRingmod || modeItemIndex == modePan);

    for (auto* component : std::initializer_list<juce::Component*> {
             valueKnob.get(), valueLabel.get(), valueModBox.get(), valueModLabel.get(),
             valueModDepthKnob.get(), valueModDepthLabel.get() })
        component->setEnabled (usesControl);

    // Gain and Damp work on input A alone.
    const bool usesInputB = ! (modeItemIndex == modeDamp || modeItemIndex == modeGain);
    inBLabel->setEnabled (usesInputB);
    inBBox->setEnabled (usesInputB);
}

void MixerComponent::updateFromPlugin()
{
    // The enabling follows the mode the box showed before this refresh, so a mode set from
    // outside the panel is enabled for one refresh after the box first shows it.
    enableForMode (modeBox->getSelectedItemIndex());

    if (! hasUnit())
        return;

    if (takeFirstRefresh())
    {
        setDoubleClickDefault (*valueKnob, parameter (mixerControl));
        setDoubleClickDefault (*valueModDepthKnob, parameter (mixerControlModDepth));
    }

    showValueText (*valueModDepthLabel, parameter (mixerControlModDepth));
    showKnob (*valueKnob, parameter (mixerControl));
    showKnob (*valueModDepthKnob, parameter (mixerControlModDepth));
    showSourceBox (*inABox, parameter (mixerInputA));
    showSourceBox (*inBBox, parameter (mixerInputB));
    showSourceBox (*valueModBox, parameter (mixerControlModSource));
    BoxRefresh::showItem (*modeBox, ControlValue::modeItemIndex (processor->getParameter (parameter (mixerMode))));
}
