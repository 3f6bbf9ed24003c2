#pragma once

#include "PluginParameter.h"

#include <juce_core/juce_core.h>

/** The 98 parameters: their order (the index hosts, presets, state and the engine share), their
    table of ranges and defaults, the choice vocabularies and the value texts. */
namespace ParameterIndex
{
    constexpr int numParameters = 98;

    // Unit numbers k run from 1 to 4.
    constexpr int delayBase (int k) noexcept { return 10 * (k - 1); }
    constexpr int lfoBase (int k) noexcept   { return 40 + 7 * (k - 1); }
    constexpr int mixerBase (int k) noexcept { return 68 + 6 * (k - 1); }

    // Offsets within a delay unit.
    enum DelayParam { delayTime = 0, delaySync, delayTimeSynced, delayFeedback, delayInput,
                      delayInputLevel, delayFeedbackInput, delayFeedbackInputLevel,
                      delayTimeModSource, delayTimeModDepth };

    // Offsets within an LFO.
    enum LfoParam { lfoWave = 0, lfoRate, lfoSync, lfoSyncedRate, lfoRateTimes100,
                    lfoRateModSource, lfoRateModDepth };

    // Offsets within a mixer unit.
    enum MixerParam { mixerMode = 0, mixerInputA, mixerInputB, mixerControl,
                      mixerControlModSource, mixerControlModDepth };

    // The output stage.
    enum OutputParam { outInputSource = 92, outInputLevel, dryWet, dryWetModSource,
                       dryWetModDepth, outGain };
}

enum SignalSource
{
    sourceNone = 0, sourceInput = 1,
    sourceDelay1 = 2, sourceDelay4 = 5,
    sourceMixer1 = 6, sourceMixer4 = 9,
    sourceLfo1 = 10, sourceLfo4 = 13,
    numSignalSources = 14
};

enum LfoWave { waveSine = 0, waveSquare, waveSawUp, waveSawDown, waveTriangle, waveSampleAndHold,
               numLfoWaves };

enum MixerMode { modeMix = 0, modeRingmod, modeGain, modeDamp, modePan, numMixerModes };

/** Calls init on each of the 98 records, in index order, with its row of the table. */
void initializeAllParameters (juce::OwnedArray<mordwickLib::PluginParameter>& parameters);

/** The display text of parameter index at the real value r, e.g. "60.00 Ms", "Input", "Off". */
juce::String getParameterValueText (int index, const mordwickLib::PluginParameter& parameter, float r);

/** r with exactly two decimals, rounded half away from zero; a negative r keeps its minus sign
    even when it rounds to zero ("-0.00"). */
juce::String formatTwoDecimals (float r);

const char* getSignalSourceName (int source) noexcept;
const char* getLfoWaveName (int wave) noexcept;
const char* getMixerModeName (int mode) noexcept;
