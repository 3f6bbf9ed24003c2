#include "LogoComponent.h"

LogoComponent::LogoComponent()
{
    setSize (400, 400);
}

LogoComponent::~LogoComponent() = default;

void LogoComponent::resized()
{
    const auto x = [this] (float p) { return (float) proportionOfWidth (p); };
    const auto y = [this] (float p) { return (float) proportionOfHeight (p); };

    upperTriangle.clear();
    upperTriangle.startNewSubPath (x (0.74f), y (0.2f));
    upperTriangle.lineTo (x (0.74f), y (0.1f));
    upperTriangle.lineTo (x (0.32f), y (0.5f));
    upperTriangle.closeSubPath();

    lowerTriangle.clear();
    lowerTriangle.startNewSubPath (x (0.74f), y (0.76f));
    lowerTriangle.lineTo (x (0.74f), y (0.9f));
    lowerTriangle.lineTo (x (0.32f), y (0.5f));
    lowerTriangle.closeSubPath();
}

void LogoComponent::paint (juce::Graphics& g)
{
    g.setColour (juce::Colours::white);
    g.fillRect (proportionOfWidth (0.8675f), proportionOfHeight (0.1025f), proportionOfWidth (0.06f), proportionOfHeight (0.8f));
    g.fillRect (proportionOfWidth (0.74f), proportionOfHeight (0.1f), proportionOfWidth (0.03f), proportionOfHeight (0.8f));
    g.fillPath (upperTriangle);
    g.fillPath (lowerTriangle);
    g.fillRect (proportionOfWidth (0.1075f), proportionOfHeight (0.1025f), proportionOfWidth (0.06f), proportionOfHeight (0.8f));
}
