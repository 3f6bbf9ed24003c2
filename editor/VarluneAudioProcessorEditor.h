#pragma once

#include "BackgroundComponent.h"
#include "KivLook.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class VarluneAudioProcessor;

/** The plug-in's window: the background panel with every other panel, resizable from its corner
    within fixed limits at a fixed aspect ratio, opening at the size last used, refreshed from the
    processor every 250 ms. */
class VarluneAudioProcessorEditor : public juce::AudioProcessorEditor,
                                    public juce::Timer
{
public:
    static constexpr int minimumWidth = 905, minimumHeight = 634;
    static constexpr int maximumWidth = 2000, maximumHeight = 1400;
    static constexpr float aspectRatio = 1.42857f;
    static constexpr int refreshMilliseconds = 250;

    explicit VarluneAudioProcessorEditor (VarluneAudioProcessor& owner);
    ~VarluneAudioProcessorEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** The refresh; also carries out the processor's request to reset the window's size. */
    void timerCallback() override;

    /** The size a window of this processor opens at: the size last stored, truncated to whole
        pixels; while a window is open, its own size. Builds no window and reads the stored size
        once, so a host may ask from any thread at any time. */
    static juce::Rectangle<int> getOpeningBounds (const VarluneAudioProcessor& owner);

private:
    /** Takes the size the processor last stored, truncated to whole pixels. */
    void takeStoredSize();

    // Named apart from the base class's own `processor` reference, which it would hide.
    VarluneAudioProcessor& varluneProcessor;

    // First, so that it outlives every component that draws with it.
    KivLook look;
    std::unique_ptr<juce::ResizableCornerComponent> resizeCorner;
    juce::ComponentBoundsConstrainer sizeLimits;
    BackgroundComponent background;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VarluneAudioProcessorEditor)
};
