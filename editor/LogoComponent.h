#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The white mark in the top bar: three vertical bars and an arrow head of two triangles that
    points left, scaled to the component's bounds. */
class LogoComponent : public juce::Component
{
public:
    LogoComponent();
    ~LogoComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;

private:
    juce::Path upperTriangle;
    juce::Path lowerTriangle;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LogoComponent)
};
