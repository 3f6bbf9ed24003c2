#include "ParamDisplayComponent.h"

#include "VarluneAudioProcessor.h"

namespace
{
std::unique_ptr<juce::Label> makeDisplayLabel (juce::Component& owner, const juce::String& componentName)
{
    auto label = std::make_unique<juce::Label> (componentName, juce::String());
    owner.addAndMakeVisible (label.get());
    label->setFont (juce::Font (15.0f, juce::Font::plain));
    label->setJustificationType (juce::Justification::centredLeft);
    label->setEditable (false, false, false);
    label->setColour (juce::Label::textColourId, juce::Colours::white);
    label->setColour (juce::TextEditor::textColourId, juce::Colours::black);
    label->setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
    return label;
}
} // namespace

ParamDisplayComponent::ParamDisplayComponent()
{
    nameLabel = makeDisplayLabel (*this, "name label");
    valueLabel = makeDisplayLabel (*this, "value label");
    setSize (250, 35);
}

ParamDisplayComponent::~ParamDisplayComponent()
{
    nameLabel.reset();
    valueLabel.reset();
}

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
