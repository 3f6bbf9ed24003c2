#pragma once

#include "ParameterPanel.h"

/** The panel of one delay unit: time (free or synced), feedback, the input and feedback input
    sources with their levels, and the time modulation source and depth. */
class DelayComponent : public UnitPanel,
                       public juce::Slider::Listener,
                       public juce::ComboBox::Listener,
                       public juce::Button::Listener
{
public:
    explicit DelayComponent (int index);
    ~DelayComponent() override;

    void resized() override;
    void sliderValueChanged (juce::Slider*) override;
    void comboBoxChanged (juce::ComboBox*) override;
    void buttonClicked (juce::Button*) override;

    /** Sets every control from the processor, notifying nobody. */
    void updateFromPlugin();

private:
    /** Time_Synced while the unit's Sync parameter is on, else Time. */
    int activeTimeParameter() const;

    std::unique_ptr<juce::Label> timeModDepthLabel;
    std::unique_ptr<juce::Slider> timeModDepthKnob;
    std::unique_ptr<juce::Label> feedInLevelLabel;
    std::unique_ptr<juce::Slider> feedInLevelKnob;
    std::unique_ptr<juce::Label> inLevelLabel;
    std::unique_ptr<juce::Slider> inLevelKnob;
    std::unique_ptr<juce::Label> nameLabel;
    std::unique_ptr<juce::Label> inLabel;
    std::unique_ptr<juce::Label> feedInLabel;
    std::unique_ptr<juce::Slider> timeKnob;
    std::unique_ptr<juce::Label> timeLabel;
    std::unique_ptr<juce::Slider> feedKnob;
    std::unique_ptr<juce::Label> feedLabel;
    std::unique_ptr<juce::Label> timeModLabel;
    std::unique_ptr<juce::ComboBox> inputBox;
    std::unique_ptr<juce::ComboBox> feedInputBox;
    std::unique_ptr<juce::ComboBox> timeModSourceBox;
    std::unique_ptr<juce::TextButton> syncButton;

    JUCE_DECLARE_NON_COPYABLE (DelayComponent)
};
