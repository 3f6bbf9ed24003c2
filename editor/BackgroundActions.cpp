// The bar's actions: PANIC, the menu, MIDI learn, presets, randomise.
#include "BackgroundComponent.h"

void BackgroundComponent::buttonClicked (juce::Button*)
{
}

void BackgroundComponent::comboBoxChanged (juce::ComboBox*)
{
}
