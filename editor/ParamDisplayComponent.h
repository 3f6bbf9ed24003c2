#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class VarluneAudioProcessor;

/** The bottom bar's two lines: the name and the value text of the parameter moved last, by the
    user or by a learned MIDI controller. */
class ParamDisplayComponent : public juce::Component
{
public:
    ParamDisplayComponent();
    ~ParamDisplayComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** Shows the processor's last-moved name and text. Message thread; processor must be set. */
    void updateFromPlugin();

    VarluneAudioProcessor* processor = nullptr;

private:
    std::unique_ptr<juce::Label> nameLabel;
    std::unique_ptr<juce::Label> valueLabel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ParamDisplayComponent)
};
