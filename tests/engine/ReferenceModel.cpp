// The reference model: construction, preparation and the frame of each block.
#include "ReferenceModel.h"

#include "ReferenceDepartures.h"

#include <algorithm>
#include <cmath>

ReferenceModel::ReferenceModel()
{
    for (int k = 0; k < numUnits; ++k)
    {
        const int n = k + 1;
        auto unit = [&] (const char* family, const char* suffix) { return &parameters.ofUnit (family, n, suffix); };

        delayParameters[k] = { unit ("Delay", "_Time"), unit ("Delay", "_Sync"), unit ("Delay", "_Time_Synced"),
                               unit ("Delay", "_Feedback"), unit ("Delay", "_Input"), unit ("Delay", "_input_Level"),
                               unit ("Delay", "_Feedback_Input"), unit ("Delay", "_Feedback_Input_Level"),
                               unit ("Delay", "_Time_Mod_Source"), unit ("Delay", "_Time_Mod_Depth") };
        lfoParameters[k] = { unit ("Lfo", "_Wave"), unit ("Lfo", "_Rate"), unit ("Lfo", "_Sync"),
                             unit ("Lfo", "_Synced_Rate"), unit ("Lfo", "_Rate_x100"),
                             unit ("Lfo", "_Rate_Mod_Source"), unit ("Lfo", "_Rate_Mod_Depth") };
        mixerParameters[k] = { unit ("Mixer", "_Mode"), unit ("Mixer", "_Input_A"), unit ("Mixer", "_Input_B"),
                               unit ("Mixer", "_Control"), unit ("Mixer", "_Control_Mod_Source"),
                               unit ("Mixer", "_Control_Mod_Depth") };
    }

    outputParameters = { &parameters.named ("Out_Input_Source"), &parameters.named ("Out_Input_Level"),
                         &parameters.named ("Dry_Wet"), &parameters.named ("Dry_Wet_Mod_Source"),
                         &parameters.named ("Dry_Wet_Mod_Depth"), &parameters.named ("Out_Gain") };

    // The settings before the first block.
    for (int k = 0; k < numUnits; ++k)
    {
        delayTimeMs[k] = 60.0f; delaySync[k] = false; delaySyncedDivision[k] = 4.0f; delayFeedback[k] = 0.4f;
        delayInputLevel[k] = 1.0f; delayFeedbackInputLevel[k] = 0.0f; delayTimeModSource[k] = 0;
        delayTimeModDepth[k] = 0.0f;
        lfoWave[k] = 0; lfoRate[k] = 1.0f; lfoSync[k] = false; lfoSyncedDivision[k] = 1.0f;
        lfoRateTimes100[k] = false; lfoRateModSource[k] = 0; lfoRateModDepth[k] = 0.0f;
        mixerMode[k] = 0; mixerControl[k] = 0.5f; mixerControlModSource[k] = 0; mixerControlModDepth[k] = 0.0f;
    }

    // Rings of 12 s and one sample; no glide running.
    for (auto& unit : delayLines)
    {
        for (auto& line : unit)
        {
            line.replaceRing ((int) ((float) line.sampleRate * 12.0f + 1.0f));
            line.glideLength = 0;
            line.currentDelay = line.targetDelay;
        }
    }
}

void ReferenceModel::setParameter (const juce::String& name, float normalised)
{
    parameters.named (name).storeFromHost (normalised);
}

void ReferenceModel::prepareToPlay (double newSampleRate)
{
    if (reference::isUsableSampleRate (newSampleRate) && newSampleRate != sampleRate)
    {
        sampleRate = newSampleRate;

        for (auto& unit : delayLines)
            for (auto& line : unit)
                line.takeUpSampleRate (sampleRate);

        for (auto& lfo : lfos)
            lfo.sampleRate = sampleRate;
    }

    for (auto& unit : delayLines)
        for (auto& line : unit)
            line.clear();

    for (auto& unit : mixers)
        for (auto& mixer : unit)
            mixer.reset();
}

//==============================================================================
// The block's frame.

void ReferenceModel::processBlock (juce::AudioSampleBuffer& buffer, const juce::MidiBuffer& midi,
                                   int numInputs, int numOutputs, juce::AudioPlayHead* playHead)
{
    {
        const juce::ScopedNoDenormals noDenormals;

        // A pending program change becomes a preset load here, which the model has no use for.
        programChangePending = false;

        takeSnapshot();
        readTempo (playHead);
        setUpDelayLines();
        setUpLfos();
        setUpMixers();

        // State exists for two channels only.
        const int channels = std::min ({ numInputs, (int) numChannels, buffer.getNumChannels() });

        for (int s = 0; s < buffer.getNumSamples(); ++s)
        {
            for (int c = 0; c < channels; ++c)
            {
                inputSample[c] = reference::inputEnteringGraph (buffer.getSample (c, s));

                if (c == 0)
                {
                    handleMidiAt (midi, s);
                    stepLfos();
                }

                stepDelays (c);
                stepMixers (c);
                buffer.setSample (c, s, outputSample (c));
            }
        }
    }

    for (int c = std::max (numInputs, 0); c < std::min (numOutputs, buffer.getNumChannels()); ++c)
        buffer.clear (c, 0, buffer.getNumSamples());
}

void ReferenceModel::takeSnapshot()
{
    for (int k = 0; k < numUnits; ++k)
    {
        const auto& d = delayParameters[k];
        delayTimeMs[k] = d.time->real;
        delaySync[k] = reference::isOn (d.sync->real);
        delaySyncedDivision[k] = d.timeSynced->real;
        delayFeedback[k] = d.feedback->normalised;
        delayInputLevel[k] = d.inputLevel->normalised;
        delayFeedbackInputLevel[k] = d.feedbackInputLevel->normalised;
        delayTimeModSource[k] = reference::choiceOf (d.timeModSource->real);
        delayTimeModDepth[k] = d.timeModDepth->normalised;

        const auto& l = lfoParameters[k];
        lfoWave[k] = reference::choiceOf (l.wave->real);
        lfoRate[k] = l.rate->real;
        lfoSync[k] = reference::isOn (l.sync->real);
        lfoSyncedDivision[k] = l.syncedRate->real;
        lfoRateTimes100[k] = reference::isOn (l.rateTimes100->real);
        lfoRateModSource[k] = reference::choiceOf (l.rateModSource->real);
        lfoRateModDepth[k] = l.rateModDepth->normalised;

        const auto& m = mixerParameters[k];
        mixerMode[k] = reference::choiceOf (m.mode->real);
        mixerControl[k] = m.control->normalised;
        mixerControlModSource[k] = reference::choiceOf (m.controlModSource->real);
        mixerControlModDepth[k] = m.controlModDepth->normalised;
    }

    const auto& o = outputParameters;
    outInputLevel = o.inputLevel->normalised;
    dryWet = o.dryWet->normalised;
    dryWetModSource = reference::choiceOf (o.dryWetModSource->real);
    dryWetModDepth = o.dryWetModDepth->normalised;
    outGainFactor = std::pow (10.0f, o.gain->real * 0.05f);
}

void ReferenceModel::readTempo (juce::AudioPlayHead* playHead)
{
    if (playHead != nullptr)
    {
        const auto position = playHead->getPosition();

        if (position.hasValue() && position->getBpm().hasValue() && reference::isUsableTempo (*position->getBpm()))
            bpm = *position->getBpm();
    }

    wholeNoteMs = (60000.0f / (float) bpm) * 4.0f;
}

float ReferenceModel::delayInSamples (float ms, const reference::DelayLine& line) const
{
    const float r = (float) line.sampleRate;
    return (float) ((double) ms * 0.001 * (double) r);
}

float ReferenceModel::targetInRing (float s, const reference::DelayLine& line) const
{
    const float length = (float) line.ringLength();

    if (s > 0.0f && s < length)
        return s;
    if (s <= 0.0f)
        return 1.0f;
    if (s >= length)
    {
        while (s >= length)
            s = s * 0.5f;
        return s;
    }
    return line.targetDelay;
}

void ReferenceModel::setUpDelayLines()
{
    for (int k = 0; k < numUnits; ++k)
    {
        for (auto& line : delayLines[k])
        {
            line.glideLength = (int) (sampleRate * 0.25);
            line.feedbackGain = delayFeedback[k] * 0.96f;

            const float ms = delaySync[k] ? wholeNoteMs / delaySyncedDivision[k] : delayTimeMs[k];
            line.targetDelay = targetInRing (delayInSamples (ms, line), line);

            if (line.glideLength == 0)
                line.currentDelay = line.targetDelay;
            else
                line.glideStep = (line.targetDelay - line.currentDelay) / (float) line.glideLength;
        }
    }
}

void ReferenceModel::setUpLfos()
{
    for (int k = 0; k < numUnits; ++k)
    {
        auto& lfo = lfos[k];

        if (lfoWave[k] >= 0 && lfoWave[k] <= 5)
            lfo.wave = lfoWave[k];

        if (lfoSync[k])
            lfo.rate = 1000.0f / (wholeNoteMs / lfoSyncedDivision[k]);
        else if (lfoRateTimes100[k])
            lfo.rate = lfoRate[k] * 100.0f;
        else
            lfo.rate = lfoRate[k];

        lfo.phaseIncrement = lfo.incrementForRate();
    }
}

void ReferenceModel::setUpMixers()
{
    for (int k = 0; k < numUnits; ++k)
    {
        for (auto& mixer : mixers[k])
        {
            mixer.mode = mixerMode[k];
            mixer.setValue (mixerControl[k]);
        }
    }
}
