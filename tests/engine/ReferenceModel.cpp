#include "ReferenceModel.h"

#include <cmath>

namespace
{
// The bound every graph value stays within (runaway feedback loops saturate there).
constexpr float graphLimit = 1.0e6f;

float keepWithinGraphLimit (float y)
{
    if (y >= graphLimit)
        return graphLimit;
    if (y <= -graphLimit)
        return -graphLimit;
    if (y != y)
        return graphLimit;
    return y;
}

// Not in the description: a NaN or infinite input sample enters the graph as 0, so that it cannot
// circulate in the feedback paths as a full-scale value.
float finiteOrSilence (float x)
{
    return std::isfinite (x) ? x : 0.0f;
}

int toInteger (float real)
{
    return (int) (real + 0.5f);
}
} // namespace

ReferenceModel::ReferenceModel()
{
    for (int i = 0; i < 98; ++i)
        parameters.add (new mordwickLib::PluginParameter());

    initializeAllParameters (parameters);

    for (int k = 0; k < numUnits; ++k)
    {
        delayTimeMs[k] = 60.0f; delaySync[k] = false; delaySyncedDivision[k] = 4.0f; delayFeedback[k] = 0.4f;
        delayInputLevel[k] = 1.0f; delayFeedbackInputLevel[k] = 0.0f; delayTimeModSource[k] = 0;
        delayTimeModDepth[k] = 0.0f;
    }

    for (int k = 0; k < numUnits; ++k)
    {
        lfoWave[k] = 0; lfoRate[k] = 1.0f; lfoSync[k] = false; lfoSyncedDivision[k] = 1.0f;
        lfoRateTimes100[k] = false; lfoRateModSource[k] = 0; lfoRateModDepth[k] = 0.0f;
        lfos.add (new mordwickLib::Lfo());
    }

    for (int k = 0; k < numUnits; ++k)
    {
        mixerMode[k] = 0; mixerControl[k] = 0.5f; mixerControlModSource[k] = 0; mixerControlModDepth[k] = 0.0f;
    }

    for (int c = 0; c < 2; ++c)
    {
        for (int k = 0; k < numUnits; ++k)
        {
            auto* line = delayLines[k].add (new mordwickLib::SyncDelayNoFeed());
            line->resizeRing ((int) ((float) line->sampleRate * 12.0f + 1.0f));
            line->glideLength = 0;
            line->currentDelay = line->targetDelay;
        }

        for (int k = 0; k < numUnits; ++k)
            mixers[k].add (new KivMixer())->setSamplerate (sampleRate);
    }
}

void ReferenceModel::prepareToPlay (double newSampleRate)
{
    if (newSampleRate != sampleRate)
    {
        sampleRate = newSampleRate;

        for (int c = 0; c < 2; ++c)
        {
            for (int k = 0; k < numUnits; ++k)
                delayLines[k].getUnchecked (c)->followSampleRate (sampleRate);

            for (int k = 0; k < numUnits; ++k)
                mixers[k].getUnchecked (c)->setSamplerate (sampleRate);
        }

        for (auto* lfo : lfos)
            lfo->sampleRate = sampleRate;
    }

    for (int c = 0; c < 2; ++c)
    {
        for (int k = 0; k < numUnits; ++k)
            delayLines[k].getUnchecked (c)->clear();

        for (int k = 0; k < numUnits; ++k)
            mixers[k].getUnchecked (c)->reset();
    }
}

void ReferenceModel::copyRandomTablesFrom (const juce::OwnedArray<mordwickLib::Lfo>& others)
{
    for (int k = 0; k < numUnits; ++k)
        for (int i = 0; i < 1024; ++i)
            lfos.getUnchecked (k)->randomTable[i] = others.getUnchecked (k)->randomTable[i];
}

void ReferenceModel::setParameter (int index, float value)
{
    if (value >= 0.0f && value <= 1.0f)
        parameters.getUnchecked (index)->storeNormalised (value);
}

float ReferenceModel::sourceValue (int selectorIndex, int channel) const
{
    const int i = (int) (parameters.getUnchecked (selectorIndex)->getReal() + 0.5f);

    switch (i)
    {
        case 1: return inputSample[channel];
        case 2: return delayOutput[0][channel];
        case 3: return delayOutput[1][channel];
        case 4: return delayOutput[2][channel];
        case 5: return delayOutput[3][channel];
        case 6: return mixerOutput[0][channel];
        case 7: return mixerOutput[1][channel];
        case 8: return mixerOutput[2][channel];
        case 9: return mixerOutput[3][channel];
        case 10: return lfoOutput[0];
        case 11: return lfoOutput[1];
        case 12: return lfoOutput[2];
        case 13: return lfoOutput[3];
        default: return 0.0f;
    }
}

float ReferenceModel::modulated (int parameterIndex, int sourceSelectorIndex, float depth, int channel) const
{
    const float y = sourceValue (sourceSelectorIndex, channel);
    const auto& parameter = *parameters.getUnchecked (parameterIndex);

    float x = y;
    if (y > 1.0f)
        x = 1.0f;
    else if (! (y >= -1.0f))
        x = -1.0f;

    const float lo = parameter.minValue < parameter.maxValue ? parameter.minValue : parameter.maxValue;
    const float hi = parameter.minValue < parameter.maxValue ? parameter.maxValue : parameter.minValue;
    const float v = parameter.getReal();
    const float mid = (hi - lo) * 0.5f + lo;
    float range;
    if (v <= mid)
        range = v;
    else
        range = hi - v;

    float result = v + depth * range * x;
    if (result < lo)
        result = lo;
    if (result > hi)
        result = hi;
    return result;
}

float ReferenceModel::delayTarget (float s, const mordwickLib::SyncDelayNoFeed& line) const
{
    const int length = line.ringLength;

    if (0.0f < s && s < (float) length)
        return s;
    if (s <= 0.0f)
        return 1.0f;
    if (s >= (float) length)
    {
        while (s >= (float) length)
            s = s * 0.5f;
        return s;
    }
    return line.targetDelay;
}

void ReferenceModel::handleMidi (const juce::MidiBuffer& midi, int samplePosition, int numSamples)
{
    if (samplePosition >= numSamples)
        return;

    for (const auto metadata : midi)
    {
        if (metadata.samplePosition != samplePosition)
            continue;

        const auto message = metadata.getMessage();

        if (message.isProgramChange())
        {
            programChangePending = true;
            programChangeIndex = message.getProgramChangeNumber() & 0x7f;
        }
        else if (message.isController())
        {
            const int number = message.getControllerNumber() & 0x7f;
            const int value = message.getControllerValue() & 0x7f;

            for (int i = 0; i < 98; ++i)
            {
                auto& parameter = *parameters.getUnchecked (i);

                if (midiLearnActive && parameter.isLearnArmed())
                {
                    parameter.setMidiCC (number);
                    parameter.setLearnArmed (false);
                }

                if (number == parameter.getMidiCC())
                {
                    setParameter (i, (float) value / 127.0f);
                    lastMovedParameter = i;
                }
            }
        }
    }
}

void ReferenceModel::processBlock (juce::AudioSampleBuffer& buffer, const juce::MidiBuffer& midi,
                                   int numInputs, int numOutputs, juce::AudioPlayHead* playHead)
{
    const juce::ScopedNoDenormals noDenormals;

    // Step 2: the program-change request is taken up.
    programChangePending = false;

    // Step 3: the snapshot.
    for (int k = 0; k < numUnits; ++k)
    {
        const int b = 10 * k;
        delayTimeMs[k] = parameters.getUnchecked (b + 0)->getReal();
        delaySync[k] = (int) parameters.getUnchecked (b + 1)->getReal() != 0;
        delaySyncedDivision[k] = parameters.getUnchecked (b + 2)->getReal();
        delayFeedback[k] = parameters.getUnchecked (b + 3)->getNormalised();
        delayInputLevel[k] = parameters.getUnchecked (b + 5)->getNormalised();
        delayFeedbackInputLevel[k] = parameters.getUnchecked (b + 7)->getNormalised();
        delayTimeModSource[k] = toInteger (parameters.getUnchecked (b + 8)->getReal());
        delayTimeModDepth[k] = parameters.getUnchecked (b + 9)->getNormalised();
    }

    for (int k = 0; k < numUnits; ++k)
    {
        const int b = 40 + 7 * k;
        lfoWave[k] = toInteger (parameters.getUnchecked (b + 0)->getReal());
        lfoRate[k] = parameters.getUnchecked (b + 1)->getReal();
        lfoSync[k] = (int) parameters.getUnchecked (b + 2)->getReal() != 0;
        lfoSyncedDivision[k] = parameters.getUnchecked (b + 3)->getReal();
        lfoRateTimes100[k] = (int) parameters.getUnchecked (b + 4)->getReal() != 0;
        lfoRateModSource[k] = toInteger (parameters.getUnchecked (b + 5)->getReal());
        lfoRateModDepth[k] = parameters.getUnchecked (b + 6)->getNormalised();
    }

    for (int k = 0; k < numUnits; ++k)
    {
        const int b = 68 + 6 * k;
        mixerMode[k] = toInteger (parameters.getUnchecked (b + 0)->getReal());
        mixerControl[k] = parameters.getUnchecked (b + 3)->getNormalised();
        mixerControlModSource[k] = toInteger (parameters.getUnchecked (b + 4)->getReal());
        mixerControlModDepth[k] = parameters.getUnchecked (b + 5)->getNormalised();
    }

    outInputLevel = parameters.getUnchecked (93)->getNormalised();
    dryWet = parameters.getUnchecked (94)->getNormalised();
    dryWetModSource = toInteger (parameters.getUnchecked (95)->getReal());
    dryWetModDepth = parameters.getUnchecked (96)->getNormalised();
    outGainFactor = std::pow (10.0f, parameters.getUnchecked (97)->getReal() * 0.05f);

    // Step 4: the tempo, when the host gives a usable one.
    if (playHead != nullptr)
    {
        const auto position = playHead->getPosition();

        if (position.hasValue() && position->getBpm().hasValue())
        {
            const double hostBpm = *position->getBpm();
            const float wholeNote = (60000.0f / (float) hostBpm) * 4.0f;

            if (hostBpm > 0.0 && std::isfinite (hostBpm) && wholeNote > 0.0f && wholeNote <= 1.0e30f)
                bpm = hostBpm;
        }
    }

    wholeNoteMs = (60000.0f / (float) bpm) * 4.0f;

    // Step 5: delay lines.
    for (int k = 0; k < numUnits; ++k)
    {
        for (int c = 0; c < 2; ++c)
        {
            auto& line = *delayLines[k].getUnchecked (c);
            line.glideLength = (int) (sampleRate * 0.25);
            line.feedbackGain = delayFeedback[k] * 0.96f;

            const float r = (float) line.sampleRate;
            float s;
            if (delaySync[k])
            {
                const float q = wholeNoteMs / delaySyncedDivision[k];
                s = (float) ((double) q * 0.001 * (double) r);
            }
            else
            {
                s = (float) ((double) delayTimeMs[k] * 0.001 * (double) r);
            }

            line.targetDelay = delayTarget (s, line);

            if (line.glideLength == 0)
                line.currentDelay = line.targetDelay;
            else
                line.glideStep = (line.targetDelay - line.currentDelay) / (float) line.glideLength;
        }
    }

    // Step 6: LFOs.
    for (int k = 0; k < numUnits; ++k)
    {
        auto& lfo = *lfos.getUnchecked (k);

        if (lfoWave[k] >= 0 && lfoWave[k] <= 5)
            lfo.wave = lfoWave[k];

        if (lfoSync[k])
            lfo.rate = 1000.0f / (wholeNoteMs / lfoSyncedDivision[k]);
        else if (lfoRateTimes100[k])
            lfo.rate = lfoRate[k] * 100.0f;
        else
            lfo.rate = lfoRate[k];

        lfo.phaseIncrement = (float) lfo.tableSize / (float) lfo.sampleRate * lfo.rate;
    }

    // Step 7: mixers.
    for (int k = 0; k < numUnits; ++k)
    {
        for (int c = 0; c < 2; ++c)
        {
            mixers[k].getUnchecked (c)->setMode (mixerMode[k]);
            mixers[k].getUnchecked (c)->setValue (mixerControl[k]);
        }
    }

    // Step 8: the signal graph, sample by sample and channel by channel.
    const int channels = std::min (numInputs, 2);

    for (int s = 0; s < buffer.getNumSamples(); ++s)
    {
        for (int c = 0; c < channels; ++c)
        {
            inputSample[c] = finiteOrSilence (buffer.getSample (c, s));

            if (c == 0)
            {
                handleMidi (midi, s, buffer.getNumSamples());

                for (int k = 0; k < numUnits; ++k)
                {
                    if (lfoRateModDepth[k] != 0.0f && lfoRateModSource[k] != 0)
                    {
                        const int b = 40 + 7 * k;
                        auto& lfo = *lfos.getUnchecked (k);

                        if (lfoSync[k])
                        {
                            const float v = modulated (b + 3, b + 5, lfoRateModDepth[k], 0);
                            const float n = (float) (int) v;
                            lfo.rate = 1000.0f / (wholeNoteMs / n);
                        }
                        else
                        {
                            const float v = modulated (b + 1, b + 5, lfoRateModDepth[k], 0);
                            lfo.rate = lfoRateTimes100[k] ? v * 100.0f : v;
                        }

                        lfo.phaseIncrement = (float) lfo.tableSize / (float) lfo.sampleRate * lfo.rate;
                    }
                }

                for (int k = 0; k < numUnits; ++k)
                    lfoOutput[k] = lfos.getUnchecked (k)->getSample (false);
            }

            for (int k = 0; k < numUnits; ++k)
            {
                const int b = 10 * k;
                auto& line = *delayLines[k].getUnchecked (c);

                if (delayTimeModDepth[k] != 0.0f && delayTimeModSource[k] != 0)
                {
                    line.glideLength = 0;
                    line.currentDelay = line.targetDelay;

                    const float r = (float) line.sampleRate;
                    float s;
                    if (delaySync[k])
                    {
                        const float v = modulated (b + 2, b + 8, delayTimeModDepth[k], c);
                        const float q = wholeNoteMs / v;
                        s = (float) ((double) q * 0.001 * (double) r);
                    }
                    else
                    {
                        const float v = modulated (b + 0, b + 8, delayTimeModDepth[k], c);
                        s = (float) ((double) v * 0.001 * (double) r);
                    }

                    line.targetDelay = delayTarget (s, line);
                    line.currentDelay = line.targetDelay;
                }

                const float in = sourceValue (b + 4, c) * delayInputLevel[k];
                float feedback = sourceValue (b + 6, c) * delayFeedbackInputLevel[k];
                delayOutput[k][c] = keepWithinGraphLimit (line.process (&in, feedback));
            }

            for (int k = 0; k < numUnits; ++k)
            {
                const int b = 68 + 6 * k;
                auto& mixer = *mixers[k].getUnchecked (c);

                if (mixerControlModDepth[k] != 0.0f && mixerControlModSource[k] != 0)
                    mixer.setValue (modulated (b + 3, b + 4, mixerControlModDepth[k], c) * 0.01f);

                const float a = sourceValue (b + 1, c);
                const float bValue = sourceValue (b + 2, c);
                mixerOutput[k][c] = keepWithinGraphLimit (mixer.process (a, bValue, c));
            }

            if (dryWetModDepth != 0.0f && dryWetModSource != 0)
                dryWet = modulated (94, 95, dryWetModDepth, c) * 0.01f;

            const float wet = sourceValue (92, c) * outInputLevel * outGainFactor;
            const float mix = wet * dryWet + (1.0f - dryWet) * inputSample[c];
            float out = mix;
            if (mix > 1.0f)
                out = 1.0f;
            else if (mix < -1.0f)
                out = -1.0f;
            else if (mix != mix)
                out = 0.0f;
            buffer.setSample (c, s, out);
        }
    }

    // Step 9: output channels beyond the input channels are cleared.
    for (int c = numInputs; c < numOutputs; ++c)
        buffer.clear (c, 0, buffer.getNumSamples());
}
