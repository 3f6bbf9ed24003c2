#pragma once

#include "ParameterTable.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace benchpatch
{
using namespace ParameterIndex;

inline float source (int k) { return (float) k / 13.0f; }

/** Sets a patch through a setter (index, normalised value): the default patch leaves every
    parameter at its default; the full patch feeds and feeds back all four delays, runs the four
    mixers in four different modes, switches on every kind of modulation and takes the output from a
    mixer. */
template <typename Setter>
void applyFullPatch (Setter&& set)
{
    // Delays: times that are no whole number of samples, each fed and fed back.
    const float times[] = { 0.21f, 0.33f, 0.27f, 0.4f };
    const int inputs[] = { sourceInput, sourceDelay1, sourceInput, sourceMixer1 + 2 };
    const int feedbacks[] = { sourceDelay1, sourceDelay1 + 1, sourceMixer1 + 1, sourceDelay4 };
    const int modSources[] = { sourceLfo1, sourceLfo1 + 1, sourceDelay1, sourceInput };

    for (int k = 1; k <= 4; ++k)
    {
        const int d = delayBase (k);
        set (d + delayTime, times[k - 1]);
        set (d + delayFeedback, 0.45f);
        set (d + delayInput, source (inputs[k - 1]));
        set (d + delayFeedbackInput, source (feedbacks[k - 1]));
        set (d + delayFeedbackInputLevel, 0.8f);
        set (d + delayTimeModSource, source (modSources[k - 1]));
        set (d + delayTimeModDepth, 0.05f);
    }
    set (delayBase (3) + delaySync, 1.0f);

    // LFOs: every wave kind, synced and x100 rates, each rate modulated.
    const int waves[] = { waveSine, waveTriangle, waveSawUp, waveSampleAndHold };
    const int rateSources[] = { sourceLfo1 + 1, sourceLfo1 + 2, sourceInput, sourceLfo1 };

    for (int k = 1; k <= 4; ++k)
    {
        const int l = lfoBase (k);
        set (l + lfoWave, (float) waves[k - 1] / 5.0f);
        set (l + lfoRate, 0.3f + 0.1f * (float) k);
        set (l + lfoRateModSource, source (rateSources[k - 1]));
        set (l + lfoRateModDepth, 0.25f);
    }
    set (lfoBase (2) + lfoSync, 1.0f);
    set (lfoBase (2) + lfoSyncedRate, 0.9f);
    set (lfoBase (3) + lfoRateTimes100, 1.0f);

    // Mixers in four modes, each control modulated.
    const int modes[] = { modeMix, modeDamp, modeRingmod, modeGain };
    const int inputA[] = { sourceDelay1, sourceDelay1 + 2, sourceDelay1 + 1, sourceMixer1 };
    const int inputB[] = { sourceDelay1 + 1, sourceInput, sourceLfo1, sourceMixer1 + 2 };
    const int controlSources[] = { sourceLfo1 + 2, sourceLfo4, sourceDelay4, sourceLfo1 };

    for (int k = 1; k <= 4; ++k)
    {
        const int m = mixerBase (k);
        set (m + mixerMode, (float) modes[k - 1] / 4.0f);
        set (m + mixerInputA, source (inputA[k - 1]));
        set (m + mixerInputB, source (inputB[k - 1]));
        set (m + mixerControl, 0.45f);
        set (m + mixerControlModSource, source (controlSources[k - 1]));
        set (m + mixerControlModDepth, 0.5f);
    }

    set (outInputSource, source (sourceMixer4));
    set (dryWetModSource, source (sourceLfo1));
    set (dryWetModDepth, 0.3f);
}

/** Stereo noise, the same every time. */
inline void fillNoise (juce::AudioSampleBuffer& buffer, juce::Random& random)
{
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        for (int s = 0; s < buffer.getNumSamples(); ++s)
            buffer.setSample (c, s, random.nextFloat() * 2.0f - 1.0f);
}
} // namespace benchpatch
