#pragma once

#include "ParameterPanel.h"

/** The output stage's strip in the bottom bar: the output's source, dry/wet with its modulation
    source and depth, and the output gain, white on the theme green. */
class OutComponent : public ParameterPanel,
                     public juce::Slider::Listener,
                     public juce::ComboBox::Listener
{
public:
    OutComponent();
    ~OutComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void sliderValueChanged (juce::Slider*) override;
    void comboBoxChanged (juce::ComboBox*) override;

    /** Sets every control from the processor, notifying nobody. */
    void updateFromPlugin();

private:
    std::unique_ptr<juce::Label> gainLabel;
    std::unique_ptr<juce::Slider> gainSlider;
    std::unique_ptr<juce::Label> drywetLabel;
    std::unique_ptr<juce::Slider> drywetKnob;
    std::unique_ptr<juce::ComboBox> modBox;
    std::unique_ptr<juce::Slider> modKnob;
    std::unique_ptr<juce::Label> inLabel;
    std::unique_ptr<juce::ComboBox> inBox;

    JUCE_DECLARE_NON_COPYABLE (OutComponent)
};
