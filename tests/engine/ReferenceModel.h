#pragma once

#include "KivMixer.h"
#include "Lfo.h"
#include "ParameterTable.h"
#include "PluginParameter.h"
#include "SyncDelayNoFeed.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The block processing and per-sample signal graph of the processor, written as plainly as they
    are described: every selector and modulation source read from its parameter at each use, a
    switch per source, one channel after the other, the unit classes called as they are. It is slow
    on purpose; the differential tests require the processor's output to match it bit for bit.

    MIDI: control changes (learn, then control) and program changes at their sample, on channel
    0's pass; controlled parameters are stored as setParameter stores them, without notifying
    anyone. */
class ReferenceModel
{
public:
    static constexpr int numUnits = 4;

    ReferenceModel();

    /** The processor's prepareToPlay: rings resized by the rate ratio and cleared, mixers reset. */
    void prepareToPlay (double newSampleRate);

    /** One block in place: numInputs and numOutputs as the processor's channel counts. */
    void processBlock (juce::AudioSampleBuffer& buffer, const juce::MidiBuffer& midi,
                       int numInputs, int numOutputs, juce::AudioPlayHead* playHead);

    /** The same random tables as another set of LFOs, so that sample and hold matches. */
    void copyRandomTablesFrom (const juce::OwnedArray<mordwickLib::Lfo>& others);

    void setParameter (int index, float value);

    juce::OwnedArray<mordwickLib::PluginParameter> parameters;
    juce::OwnedArray<mordwickLib::Lfo> lfos;
    juce::OwnedArray<mordwickLib::SyncDelayNoFeed> delayLines[numUnits];
    juce::OwnedArray<KivMixer> mixers[numUnits];

    float inputSample[2] {};
    float delayOutput[numUnits][2] {};
    float mixerOutput[numUnits][2] {};
    float lfoOutput[numUnits] {};

    float delayTimeMs[numUnits], delaySyncedDivision[numUnits], delayFeedback[numUnits];
    bool delaySync[numUnits];
    float delayInputLevel[numUnits], delayFeedbackInputLevel[numUnits], delayTimeModDepth[numUnits];
    int delayTimeModSource[numUnits];
    int lfoWave[numUnits], lfoRateModSource[numUnits];
    float lfoRate[numUnits], lfoSyncedDivision[numUnits], lfoRateModDepth[numUnits];
    bool lfoSync[numUnits], lfoRateTimes100[numUnits];
    int mixerMode[numUnits], mixerControlModSource[numUnits];
    float mixerControl[numUnits], mixerControlModDepth[numUnits];
    float outInputLevel = 1.0f, dryWet = 0.5f, dryWetModDepth = 0.0f, outGainFactor = 1.0f;
    int dryWetModSource = 0;

    double sampleRate = 44100.0;
    double bpm = 120.0;
    float wholeNoteMs = 2000.0f;

    bool midiLearnActive = false;
    bool programChangePending = false;
    int programChangeIndex = 0;
    int lastMovedParameter = -1;

private:
    float sourceValue (int selectorIndex, int channel) const;
    float modulated (int parameterIndex, int sourceSelectorIndex, float depth, int channel) const;
    float delayTarget (float samples, const mordwickLib::SyncDelayNoFeed& line) const;
    void handleMidi (const juce::MidiBuffer& midi, int samplePosition, int numSamples);
};
