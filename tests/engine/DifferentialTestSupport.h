#pragma once

// The processor and the reference model side by side, for the differential tests: a pair fed the
// same parameters, blocks and tempos, compared sample by sample and in every value a block leaves
// behind.
#include "GraphTestSupport.h"
#include "ReferenceModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace differential
{
using namespace graphtest;

struct Pair
{
    Pair (double rate, int numInputs, int numOutputs)
        : inputs (numInputs), outputs (numOutputs)
    {
        engine.setPlayConfigDetails (numInputs, numOutputs, rate, 512);
        engine.prepareToPlay (rate, 512);
        model.prepareToPlay (rate);

        // Sample and hold draws from tables filled at random: the model plays the engine's.
        for (int k = 0; k < 4; ++k)
            model.lfos[k].useRandomTable (engine.lfos[k]->randomTable.get());

        // Controllers learned by an earlier processor of this test come back from the preferences.
        for (auto* parameter : engine.parameters)
            parameter->setMidiCC (-1);
        engine.setPlayHead (&playHead);
    }

    ~Pair() { engine.setPlayHead (nullptr); }

    void changeRate (double rate)
    {
        engine.setPlayConfigDetails (inputs, outputs, rate, 512);
        engine.prepareToPlay (rate, 512);
        model.prepareToPlay (rate);
    }

    // The model knows the parameter by the name the processor gives it.
    reference::Parameter& modelParameter (int index) { return model.parameters.named (engine.getParameterName (index)); }

    void set (int index, float value)
    {
        engine.setParameter (index, value);
        model.setParameter (engine.getParameterName (index), value);
    }

    VarluneAudioProcessor engine;
    ReferenceModel model;
    TestPlayHead playHead;
    int inputs, outputs;
};

inline int randomBlockSize (std::mt19937& rng)
{
    switch (rng() % 8)
    {
        case 0:  return 0;
        case 1:  return 1;
        case 2:  return 2 + (int) (rng() % 7);
        case 3:  return 4096;
        case 4:  return 1 + 2 * (int) (rng() % 600);     // odd
        default: return 64 * (1 + (int) (rng() % 16));
    }
}

// Every value the block leaves behind that the next block depends on.
inline ::testing::AssertionResult sameState (const VarluneAudioProcessor& e, const ReferenceModel& m)
{
    auto fail = [] (const char* what, int k, int c)
    {
        return ::testing::AssertionFailure() << what << " differs, unit " << k + 1 << " channel " << c;
    };

    for (int c = 0; c < 2; ++c)
    {
        if (! sameBits (e.inputSample[c], m.inputSample[c]))
            return fail ("inputSample", 0, c);

        for (int k = 0; k < 4; ++k)
        {
            if (! sameBits (e.delayOutput[k][c], m.delayOutput[k][c]))
                return fail ("delayOutput", k, c);
            if (! sameBits (e.mixerOutput[k][c], m.mixerOutput[k][c]))
                return fail ("mixerOutput", k, c);

            const auto& a = *e.delayLines[k][c];
            const auto& b = m.delayLines[k][c];
            if (a.writeIndex != b.writeIndex || a.glideLength != b.glideLength || a.ringLength != b.ringLength())
                return fail ("delay line positions", k, c);
            if (! sameBits (a.currentDelay, b.currentDelay) || ! sameBits (a.targetDelay, b.targetDelay)
                 || ! sameBits (a.glideStep, b.glideStep) || ! sameBits (a.feedbackGain, b.feedbackGain)
                 || ! sameBits (a.readPosition, b.readPosition))
                return fail ("delay line times", k, c);

            const auto& x = *e.mixers[k][c];
            const auto& y = m.mixers[k][c];
            if (x.mode != y.mode || ! sameBits (x.value, y.value) || ! sameBits (x.coefficient, y.coefficient)
                 || ! sameBits (x.lastOutput, y.lastOutput))
                return fail ("mixer", k, c);
        }
    }

    for (int k = 0; k < 4; ++k)
    {
        const auto& a = *e.lfos[k];
        const auto& b = m.lfos[k];
        if (! sameBits (e.lfoOutput[k], m.lfoOutput[k]) || ! sameBits (a.phase, b.phase)
             || ! sameBits (a.phaseIncrement, b.phaseIncrement) || ! sameBits (a.rate, b.rate)
             || a.wave != b.wave || a.previousIndex != b.previousIndex || a.holdIndex != b.holdIndex)
            return fail ("lfo", k, 0);
    }

    if (! sameBits (e.dryWet, m.dryWet) || e.bpm != m.bpm || ! sameBits (e.outGainFactor, m.outGainFactor))
        return ::testing::AssertionFailure() << "output stage or tempo differs";

    return ::testing::AssertionSuccess();
}

// Runs one block of this input through both and compares every sample of every channel of the buffer.
inline ::testing::AssertionResult runInput (Pair& pair, const juce::AudioSampleBuffer& input, const juce::MidiBuffer& midi)
{
    juce::AudioSampleBuffer a, b;
    a.makeCopyOf (input);
    b.makeCopyOf (input);

    pair.engine.processBlock (a, const_cast<juce::MidiBuffer&> (midi));
    pair.model.processBlock (b, midi, pair.inputs, pair.outputs, &pair.playHead);

    for (int c = 0; c < a.getNumChannels(); ++c)
        for (int s = 0; s < a.getNumSamples(); ++s)
            if (! sameBits (a.getSample (c, s), b.getSample (c, s)))
                return ::testing::AssertionFailure() << "channel " << c << " sample " << s << ": engine "
                                                     << a.getSample (c, s) << ", model " << b.getSample (c, s);

    pair.engine.copyGraphStateToUnits();
    return sameState (pair.engine, pair.model);
}

// Runs one block of random input of this kind (see randomInput) through both, as runInput does.
inline ::testing::AssertionResult runBlock (Pair& pair, std::mt19937& rng, int numSamples, const juce::MidiBuffer& midi,
                                            int inputKind)
{
    juce::AudioSampleBuffer input (std::max ({ pair.inputs, pair.outputs, 1 }), numSamples);

    for (int c = 0; c < input.getNumChannels(); ++c)
        for (int s = 0; s < numSamples; ++s)
            input.setSample (c, s, randomInput (rng, inputKind));

    return runInput (pair, input, midi);
}

inline void setToRandomValue (Pair& pair, int index, std::mt19937& rng)
{
    pair.set (index, randomValueFor (index, rng, pair.engine.parameters.getUnchecked (index)->defaultNormalised));
}

// The default patch.
inline void resetPatch (Pair& pair)
{
    for (int i = 0; i < 98; ++i)
        pair.set (i, pair.engine.parameters.getUnchecked (i)->defaultNormalised);
}

inline void randomisePatch (Pair& pair, std::mt19937& rng)
{
    for (int i = 0; i < 98; ++i)
        setToRandomValue (pair, i, rng);
}

inline void changeSomeParameters (Pair& pair, std::mt19937& rng)
{
    const int count = 1 + (int) (rng() % 4);
    for (int n = 0; n < count; ++n)
        setToRandomValue (pair, (int) (rng() % 98), rng);
}

// Long delays, where a glide or a change of sample rate can take a delay to the end of its ring:
// synced whole and half notes at slow tempos, unsynced times near a second.
inline void lengthenDelays (std::function<void (int, float)> set, std::mt19937& rng)
{
    using namespace ParameterIndex;

    for (int k = 1; k <= 4; ++k)
    {
        const int d = delayBase (k);
        const bool synced = rng() % 3 != 0;
        set (d + delaySync, synced ? 1.0f : 0.0f);
        set (d + delayTimeSynced, rng() % 2 == 0 ? 1.0f : 0.99f + 0.01f * (float) (rng() % 100) / 100.0f);
        set (d + delayTime, 0.9f + 0.1f * (float) (rng() % 100) / 100.0f);
        set (d + delayInput, sourceValue (rng() % 2 == 0 ? sourceInput : sourceDelay1 + (int) (rng() % 4)));
        set (d + delayTimeModDepth, rng() % 2 == 0 ? 0.0f : 0.02f);
    }

    set (outInputSource, sourceValue (sourceDelay1 + (int) (rng() % 4)));
    set (dryWet, 0.5f + 0.5f * (float) (rng() % 100) / 100.0f);
}

inline constexpr double slowTempos[] = { 20.0, 20.0, 20.5, 24.0, 31.0, 45.0 };
inline constexpr double sessionRates[] = { 44100.0, 192000.0, 48000.0, 176400.0, 44100.0, 96000.0, 192000.0, 88200.0, 44100.0 };

// Blocks longer than the glide (a quarter second) as well as short ones.
inline int longBlockSize (std::mt19937& rng)
{
    switch (rng() % 6)
    {
        case 0:  return 65536;
        case 1:  return 12000 + (int) (rng() % 40000);
        case 2:  return 1 + (int) (rng() % 64);
        default: return 4096 + (int) (rng() % 8192);
    }
}

struct SessionSetup
{
    double rate;
    int inputs, outputs;
};
} // namespace differential
