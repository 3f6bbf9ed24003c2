#include "VarluneAudioProcessorEditor.h"

#include "VarluneAudioProcessor.h"

#include <cstdint>
#include <limits>

namespace
{
// Hosts measure the window in a rectangle of 16-bit fields: a stored side beyond that (or no
// number at all) is no size a window can take, so it comes down to the largest the limits allow.
int openingSide (float stored, int largest)
{
    constexpr float largestRectangleSide = (float) std::numeric_limits<std::int16_t>::max();
    return stored <= largestRectangleSide ? (int) stored : largest;
}
} // namespace

VarluneAudioProcessorEditor::VarluneAudioProcessorEditor (VarluneAudioProcessor& owner)
    : juce::AudioProcessorEditor (&owner), varluneProcessor (owner)
{
    setLookAndFeel (&look);
    addAndMakeVisible (background);
    background.setProcessor (varluneProcessor);
    background.setBoundsRelative (0.0f, 0.0f, 1.0f, 1.0f);

    resizeCorner = std::make_unique<juce::ResizableCornerComponent> (this, &sizeLimits);
    addAndMakeVisible (*resizeCorner);
    sizeLimits.setSizeLimits (minimumWidth, minimumHeight, maximumWidth, maximumHeight);
    sizeLimits.setFixedAspectRatio ((double) aspectRatio);

    // Not passed through the limits: they bind only the user's drags of the corner.
    takeStoredSize();
    startTimer (refreshMilliseconds);
}

VarluneAudioProcessorEditor::~VarluneAudioProcessorEditor()
{
    stopTimer();
    varluneProcessor.saveLastUISize ((float) getWidth(), (float) getHeight());
    setLookAndFeel (nullptr);
}

juce::Rectangle<int> VarluneAudioProcessorEditor::getOpeningBounds (const VarluneAudioProcessor& owner)
{
    const auto stored = owner.lastUISize.load();
    return { openingSide (stored.width, maximumWidth), openingSide (stored.height, maximumHeight) };
}

void VarluneAudioProcessorEditor::takeStoredSize()
{
    const auto bounds = getOpeningBounds (varluneProcessor);
    setSize (bounds.getWidth(), bounds.getHeight());
}

void VarluneAudioProcessorEditor::paint (juce::Graphics&)
{
}

void VarluneAudioProcessorEditor::resized()
{
    background.setBoundsRelative (0.0f, 0.0f, 1.0f, 1.0f);
    resizeCorner->setBoundsRelative (0.98f, 0.96f, 0.02f, 0.04f);
    varluneProcessor.saveLastUISize ((float) getWidth(), (float) getHeight());
}

void VarluneAudioProcessorEditor::timerCallback()
{
    background.updateFromPlugin();

    if (varluneProcessor.uiSizeResetRequested)
    {
        takeStoredSize();
        varluneProcessor.uiSizeResetRequested = false;
    }
}
