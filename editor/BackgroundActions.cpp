// The bar's actions: PANIC, the menu, MIDI learn, presets, randomise.
#include "BackgroundActions.h"
#include "BackgroundComponent.h"

namespace
{
enum class Draw { none, uniform, boolean, wave };

// What RND draws for a parameter, by its family and its place in the unit.
Draw drawFor (int index)
{
    using namespace ParameterIndex;

    if (index < lfoBase (1))
    {
        switch (index % 10)
        {
            case delayTime: case delayTimeSynced: case delayFeedback: case delayTimeModDepth:
                return Draw::uniform;
            case delaySync:
                return Draw::boolean;
            default:
                return Draw::none;
        }
    }

    if (index < mixerBase (1))
    {
        switch ((index - lfoBase (1)) % 7)
        {
            case lfoWave:
                return Draw::wave;
            case lfoRate: case lfoSyncedRate: case lfoRateModDepth:
                return Draw::uniform;
            case lfoSync: case lfoRateTimes100:
                return Draw::boolean;
            default:
                return Draw::none;
        }
    }

    if (index < outInputSource)
    {
        const int offset = (index - mixerBase (1)) % 6;
        return offset == mixerControl || offset == mixerControlModDepth ? Draw::uniform : Draw::none;
    }

    return Draw::none;
}
} // namespace

namespace BackgroundActions
{
int previousPresetIndex (int current, int presetCount) noexcept
{
    return current > 0 ? current - 1 : presetCount - 1;
}

int nextPresetIndex (int current, int presetCount) noexcept
{
    return current < presetCount - 1 ? current + 1 : 0;
}

void randomiseParameters (VarluneAudioProcessor& processor, juce::Random& random)
{
    for (int index = 0; index < ParameterIndex::numParameters; ++index)
    {
        float value;

        switch (drawFor (index))
        {
            case Draw::uniform:
                value = random.nextFloat();
                break;
            case Draw::boolean:
                value = random.nextBool() ? 1.0f : 0.0f;
                break;
            case Draw::wave:
                value = random.nextFloat();
                if (value > 0.8f && random.nextBool())
                    value = 1.0f;
                break;
            case Draw::none:
            default:
                continue;
        }

        processor.setParameterNotifyingHost (index, value);
    }
}

void forgetLearnedControllers (VarluneAudioProcessor& processor)
{
    for (auto* parameter : processor.parameters)
        parameter->setMidiCC (-1);
}
} // namespace BackgroundActions

//==============================================================================
void BackgroundComponent::buttonClicked (juce::Button*)
{
}

void BackgroundComponent::comboBoxChanged (juce::ComboBox*)
{
}
