#pragma once

#include "ParameterPanel.h"

/** The panel of one mixer unit: mode, inputs A and B, the control value with its modulation
    source and depth. The mode enables the controls that take effect in it. */
class MixerComponent : public UnitPanel,
                       public juce::Slider::Listener,
                       public juce::ComboBox::Listener
{
public:
    explicit MixerComponent (int index);
    ~MixerComponent() override;

    void resized() override;
    void sliderValueChanged (juce::Slider*) override;
    void comboBoxChanged (juce::ComboBox*) override;

    /** Applies the enabling of the mode the box showed, then sets every control from the
        processor, notifying nobody. */
    void updateFromPlugin();

private:
    /** Enables the controls that matter in the mode at this item index of the mode box. */
    void enableForMode (int modeItemIndex);

    std::unique_ptr<juce::Label> valueModDepthLabel;
    std::unique_ptr<juce::Slider> valueModDepthKnob;
    std::unique_ptr<juce::Label> nameLabel;
    std::unique_ptr<juce::Label> inALabel;
    std::unique_ptr<juce::Label> inBLabel;
    std::unique_ptr<juce::Slider> valueKnob;
    std::unique_ptr<juce::Label> valueLabel;
    std::unique_ptr<juce::Label> valueModLabel;
    std::unique_ptr<juce::ComboBox> inABox;
    std::unique_ptr<juce::ComboBox> inBBox;
    std::unique_ptr<juce::ComboBox> valueModBox;
    std::unique_ptr<juce::ComboBox> modeBox;

    JUCE_DECLARE_NON_COPYABLE (MixerComponent)
};
