#pragma once

#include "ReferenceParameters.h"
#include "ReferenceUnits.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The block processing and signal graph of the plug-in, written again from their description
    and sharing nothing with the plug-in's code: its own parameters (found by name), LFOs, delay
    lines and mixers. Every selector and modulated value is read from its parameter at each use,
    frame by frame and channel by channel; it is slow on purpose. The differential tests require the
    processor's output and state to match it bit for bit. The departures the plug-in makes on purpose
    are in ReferenceDepartures.h.

    MIDI: control changes (learn, then control) and program changes at their sample, in channel
    0's pass; controlled parameters are stored as the host's setParameter stores them. */
class ReferenceModel
{
public:
    static constexpr int numUnits = 4;
    static constexpr int numChannels = 2;

    ReferenceModel();

    /** Takes up a new sample rate, if it differs, and clears every ring and mixer. */
    void prepareToPlay (double newSampleRate);

    /** One block in place, with the processor's input and output channel counts. */
    void processBlock (juce::AudioSampleBuffer& buffer, const juce::MidiBuffer& midi,
                       int numInputs, int numOutputs, juce::AudioPlayHead* playHead);

    /** What the host's setParameter does, for the parameter of this name. */
    void setParameter (const juce::String& name, float normalised);

    reference::ParameterSet parameters;
    reference::Lfo lfos[numUnits];
    reference::DelayLine delayLines[numUnits][numChannels];
    reference::Mixer mixers[numUnits][numChannels];

    // The graph's latest values; LFO outputs are the same on both channels.
    float inputSample[numChannels] {};
    float delayOutput[numUnits][numChannels] {};
    float mixerOutput[numUnits][numChannels] {};
    float lfoOutput[numUnits] {};

    double sampleRate = 44100.0;
    double bpm = 120.0;
    float wholeNoteMs = 2000.0f;

    // Settings taken from the parameters once per block.
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

    bool midiLearnActive = false;
    bool programChangePending = false;
    int programChangeIndex = 0;
    juce::String lastMovedParameterName;

private:
    // Each unit's parameters, found by name once.
    struct DelayParameters
    {
        reference::Parameter *time, *sync, *timeSynced, *feedback, *input, *inputLevel,
            *feedbackInput, *feedbackInputLevel, *timeModSource, *timeModDepth;
    };

    struct LfoParameters
    {
        reference::Parameter *wave, *rate, *sync, *syncedRate, *rateTimes100, *rateModSource, *rateModDepth;
    };

    struct MixerParameters
    {
        reference::Parameter *mode, *inputA, *inputB, *control, *controlModSource, *controlModDepth;
    };

    struct OutputParameters
    {
        reference::Parameter *inputSource, *inputLevel, *dryWet, *dryWetModSource, *dryWetModDepth, *gain;
    };

    DelayParameters delayParameters[numUnits];
    LfoParameters lfoParameters[numUnits];
    MixerParameters mixerParameters[numUnits];
    OutputParameters outputParameters;

    void takeSnapshot();
    void readTempo (juce::AudioPlayHead* playHead);
    void setUpDelayLines();
    void setUpLfos();
    void setUpMixers();
    void stepLfos();
    void stepDelays (int channel);
    void stepMixers (int channel);
    float outputSample (int channel);

    float sourceValue (const reference::Parameter& selector, int channel) const;
    float modulated (const reference::Parameter& parameter, const reference::Parameter& source, float depth,
                     int channel) const;
    float delayInSamples (float ms, const reference::DelayLine& line) const;
    float targetInRing (float s, const reference::DelayLine& line) const;
    void handleMidiAt (const juce::MidiBuffer& midi, int samplePosition);
    void handleControlChange (int number, int value);

    JUCE_DECLARE_NON_COPYABLE (ReferenceModel)
};
