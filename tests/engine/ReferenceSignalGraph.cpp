// The reference model's signal graph, one channel of one frame at a time, and its MIDI input.
#include "ReferenceModel.h"

#include "ReferenceDepartures.h"

#include <algorithm>

using reference::Parameter;

float ReferenceModel::sourceValue (const Parameter& selector, int channel) const
{
    const int i = reference::choiceOf (selector.real);

    if (i == 1)
        return inputSample[channel];
    if (i >= 2 && i <= 5)
        return delayOutput[i - 2][channel];
    if (i >= 6 && i <= 9)
        return mixerOutput[i - 6][channel];
    if (i >= 10 && i <= 13)
        return lfoOutput[i - 10];
    return 0.0f;  // "None", or no source at all
}

float ReferenceModel::modulated (const Parameter& parameter, const Parameter& source, float depth, int channel) const
{
    float x = sourceValue (source, channel);
    if (x < -1.0f)
        x = -1.0f;
    if (x > 1.0f)
        x = 1.0f;

    const float lo = std::min (parameter.minValue, parameter.maxValue);
    const float hi = std::max (parameter.minValue, parameter.maxValue);
    const float v = parameter.real;
    const float mid = (hi - lo) * 0.5f + lo;
    const float range = v <= mid ? v : hi - v;

    float result = v + depth * range * x;
    if (result < lo)
        result = lo;
    if (result > hi)
        result = hi;
    return result;
}

void ReferenceModel::stepLfos()
{
    for (int k = 0; k < numUnits; ++k)
    {
        if (lfoRateModDepth[k] == 0.0f || lfoRateModSource[k] == 0)
            continue;

        const auto& p = lfoParameters[k];
        auto& lfo = lfos[k];

        if (lfoSync[k])
        {
            const float division = (float) (int) modulated (*p.syncedRate, *p.rateModSource, lfoRateModDepth[k], 0);
            lfo.rate = 1000.0f / (wholeNoteMs / division);
        }
        else
        {
            const float v = modulated (*p.rate, *p.rateModSource, lfoRateModDepth[k], 0);
            lfo.rate = lfoRateTimes100[k] ? v * 100.0f : v;
        }

        lfo.phaseIncrement = lfo.incrementForRate();
    }

    for (int k = 0; k < numUnits; ++k)
        lfoOutput[k] = lfos[k].nextSample();
}

void ReferenceModel::stepDelays (int channel)
{
    for (int k = 0; k < numUnits; ++k)
    {
        const auto& p = delayParameters[k];
        auto& line = delayLines[k][channel];

        // A modulated time follows its source sample by sample, without glide.
        if (delayTimeModDepth[k] != 0.0f && delayTimeModSource[k] != 0)
        {
            line.glideLength = 0;
            line.currentDelay = line.targetDelay;

            float ms;
            if (delaySync[k])
                ms = wholeNoteMs / modulated (*p.timeSynced, *p.timeModSource, delayTimeModDepth[k], channel);
            else
                ms = modulated (*p.time, *p.timeModSource, delayTimeModDepth[k], channel);

            line.targetDelay = targetInRing (delayInSamples (ms, line), line);
            line.currentDelay = line.targetDelay;
        }

        const float in = sourceValue (*p.input, channel) * delayInputLevel[k];
        const float feedback = sourceValue (*p.feedbackInput, channel) * delayFeedbackInputLevel[k];
        delayOutput[k][channel] = reference::boundedGraphValue (line.process (in, feedback));
    }
}

void ReferenceModel::stepMixers (int channel)
{
    for (int k = 0; k < numUnits; ++k)
    {
        const auto& p = mixerParameters[k];
        auto& mixer = mixers[k][channel];

        if (mixerControlModDepth[k] != 0.0f && mixerControlModSource[k] != 0)
            mixer.setValue (modulated (*p.control, *p.controlModSource, mixerControlModDepth[k], channel) * 0.01f);

        const float a = sourceValue (*p.inputA, channel);
        const float b = sourceValue (*p.inputB, channel);
        mixerOutput[k][channel] = reference::boundedGraphValue (mixer.process (a, b, channel));
    }
}

float ReferenceModel::outputSample (int channel)
{
    const auto& o = outputParameters;

    if (dryWetModDepth != 0.0f && dryWetModSource != 0)
        dryWet = modulated (*o.dryWet, *o.dryWetModSource, dryWetModDepth, channel) * 0.01f;

    const float wet = sourceValue (*o.inputSource, channel) * outInputLevel * outGainFactor;
    const float mix = wet * dryWet + (1.0f - dryWet) * inputSample[channel];

    float out = mix;
    if (mix > 1.0f)
        out = 1.0f;
    if (mix < -1.0f)
        out = -1.0f;
    return reference::silenceForNaN (out);
}

//==============================================================================
// MIDI input.

void ReferenceModel::handleMidiAt (const juce::MidiBuffer& midi, int samplePosition)
{
    for (const auto metadata : midi)
    {
        if (metadata.samplePosition != samplePosition)
            continue;

        const auto message = metadata.getMessage();

        if (message.isProgramChange())
        {
            programChangePending = true;
            programChangeIndex = message.getProgramChangeNumber();
        }
        else if (message.isController())
        {
            handleControlChange (message.getControllerNumber(), message.getControllerValue());
        }
    }
}

void ReferenceModel::handleControlChange (int number, int value)
{
    for (int i = 0; i < parameters.size(); ++i)
    {
        auto& parameter = parameters[i];

        if (midiLearnActive && parameter.learnArmed)
        {
            parameter.midiController = number;
            parameter.learnArmed = false;
        }

        if (number == parameter.midiController)
        {
            parameter.storeFromHost ((float) value / 127.0f);
            lastMovedParameterName = parameter.name;
        }
    }
}
