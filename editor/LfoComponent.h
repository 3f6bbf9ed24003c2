#pragma once

#include "ParameterPanel.h"

/** The panel of one LFO: wave (with its name as the caption), rate (free or synced), the x100
    switch, and the rate modulation source and depth. */
class LfoComponent : public UnitPanel,
                     public juce::Slider::Listener,
                     public juce::ComboBox::Listener,
                     public juce::Button::Listener
{
public:
    explicit LfoComponent (int index);
    ~LfoComponent() override;

    void resized() override;
    void sliderValueChanged (juce::Slider*) override;
    void comboBoxChanged (juce::ComboBox*) override;
    void buttonClicked (juce::Button*) override;

    /** Sets every control from the processor, notifying nobody. */
    void updateFromPlugin();

private:
    /** Synced_Rate while the LFO's Sync parameter is on, else Rate. */
    int activeRateParameter() const;

    std::unique_ptr<juce::Label> rateModDepthLabel;
    std::unique_ptr<juce::Slider> rateModDepthKnob;
    std::unique_ptr<juce::Label> nameLabel;
    std::unique_ptr<juce::Slider> waveKnob;
    std::unique_ptr<juce::Label> waveLabel;
    std::unique_ptr<juce::Slider> rateKnob;
    std::unique_ptr<juce::Label> rateLabel;
    std::unique_ptr<juce::Label> rateModLabel;
    std::unique_ptr<juce::ComboBox> rateModBox;
    std::unique_ptr<juce::TextButton> syncButton;
    std::unique_ptr<juce::TextButton> multiplyButton;

    JUCE_DECLARE_NON_COPYABLE (LfoComponent)
};
