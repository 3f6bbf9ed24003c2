#include "ParamDisplayComponent.h"

#include "ControlStyles.h"
#include "VarluneAudioProcessor.h"

ParamDisplayComponent::ParamDisplayComponent()
{
    nameLabel = ControlStyle::barLabel ("name label", {});
    valueLabel = ControlStyle::barLabel ("value label", {});
    addAndMakeVisible (*nameLabel);
    addAndMakeVisible (*valueLabel);
    setSize (250, 35);
}

ParamDisplayComponent::~ParamDisplayComponent() = default;

void ParamDisplayComponent::paint (juce::Graphics&)
{
}

void ParamDisplayComponent::resized()
{
    // Each label is 18 of 35 pixels high, so the value line reaches one pixel past the bottom.
    nameLabel->setBounds (proportionOfWidth (0.0f), proportionOfHeight (0.0f),
                          proportionOfWidth (1.0f), proportionOfHeight (0.5143f));
    valueLabel->setBounds (proportionOfWidth (0.0f), proportionOfHeight (0.5143f),
                           proportionOfWidth (1.0f), proportionOfHeight (0.5143f));
}

void ParamDisplayComponent::updateFromPlugin()
{
    // The audio thread only posts which parameter a controller moved; the texts are built here.
    processor->updateLastMovedDisplay();
    nameLabel->setText (processor->lastParamName, juce::dontSendNotification);
    valueLabel->setText (processor->lastParamText, juce::dontSendNotification);
}
