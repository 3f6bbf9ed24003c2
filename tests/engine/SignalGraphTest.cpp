// Known answers and behaviour of block processing and the signal graph.
#include "GraphTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

using namespace graphtest;
using namespace ParameterIndex;

namespace
{
struct Engine
{
    explicit Engine (double rate = 44100.0, int inputs = 2, int outputs = 2)
    {
        processor.setPlayConfigDetails (inputs, outputs, rate, 512);
        processor.prepareToPlay (rate, 512);
        processor.setPlayHead (&playHead);

        // Controllers learned by an earlier processor of this test come back from the preferences.
        for (auto* parameter : processor.parameters)
            parameter->setMidiCC (-1);
    }

    ~Engine() { processor.setPlayHead (nullptr); }

    // Runs blocks of silence until the delay glides have settled.
    void settle (int blocks = 400)
    {
        juce::AudioSampleBuffer buffer (2, 512);
        for (int i = 0; i < blocks; ++i)
        {
            buffer.clear();
            process (buffer);
        }
    }

    void process (juce::AudioSampleBuffer& buffer)
    {
        juce::MidiBuffer midi;
        process (buffer, midi);
    }

    // The units' state is read after each block.
    void process (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi)
    {
        processor.processBlock (buffer, midi);
        processor.copyGraphStateToUnits();
    }

    // One channel's response to a unit impulse on both channels.
    std::vector<float> impulseResponse (int length)
    {
        juce::AudioSampleBuffer buffer (2, length);
        buffer.clear();
        buffer.setSample (0, 0, 1.0f);
        buffer.setSample (1, 0, 1.0f);
        process (buffer);
        return { buffer.getReadPointer (0), buffer.getReadPointer (0) + length };
    }

    VarluneAudioProcessor processor;
    TestPlayHead playHead;
};

double windowSum (const std::vector<float>& x, int from, int to)
{
    double sum = 0.0;
    for (int i = from; i < to; ++i)
        sum += x[(size_t) i];
    return sum;
}

struct RecordingListener : juce::AudioProcessorListener
{
    std::vector<std::string> calls;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        calls.push_back ("set " + std::to_string (index) + " " + std::to_string (value));
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override
    {
        calls.push_back ("begin " + std::to_string (index));
    }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override
    {
        calls.push_back ("end " + std::to_string (index));
    }
};

juce::MidiBuffer controller (int number, int value, int position)
{
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::controllerEvent (1, number, value), position);
    return midi;
}
} // namespace

//==============================================================================
TEST (SignalGraphKnownAnswers, DefaultPatchEchoesAt60MsDecayingBy0384WithHalfDry)
{
    Engine engine (44100.0);
    engine.settle();

    // The glide approaches 2646 samples until its step no longer moves a float of that size.
    const float delay = engine.processor.delayLines[0][0]->currentDelay;
    EXPECT_NEAR (delay, 2646.0f, 1.5f);

    const auto y = engine.impulseResponse (4 * 2646 + 100);
    EXPECT_EQ (y[0], 0.5f);                               // the dry half, nothing wet yet
    EXPECT_EQ (windowSum (y, 1, 2600), 0.0);

    // The echo falls between the two samples around the delay, one sample less (the write comes first).
    const int echo = (int) std::floor (delay) - 1;
    EXPECT_NEAR (y[(size_t) echo] + y[(size_t) echo + 1], 0.5f, 1e-6f);

    // Repeats about every 60 ms (2646 samples, and one sample of the graph per repeat).
    EXPECT_NEAR (windowSum (y, 2600, 2700), 0.5, 1e-4);
    EXPECT_NEAR (windowSum (y, 2 * 2646 - 50, 2 * 2646 + 50), 0.5 * 0.384, 1e-4);
    EXPECT_NEAR (windowSum (y, 3 * 2646 - 50, 3 * 2646 + 50), 0.5 * 0.384 * 0.384, 1e-4);
    EXPECT_EQ (windowSum (y, 2700, 2 * 2646 - 50), 0.0);
}

TEST (SignalGraphKnownAnswers, TempoSyncedTargetsAndHalving)
{
    Engine engine (44100.0);
    auto& p = engine.processor;
    p.setParameter (delayBase (1) + delaySync, 1.0f);
    juce::AudioSampleBuffer empty (2, 0);

    // Division 4 (its default, 3.9999974) at 120 bpm: a quarter note of 500 ms.
    engine.playHead.bpm = 120.0;
    engine.process (empty);
    EXPECT_NEAR (p.delayLines[0][0]->targetDelay, 22050.0f, 0.05f);

    // Division 1: 12,000 ms at 20 bpm still fits a ring of 529,201; 16,000 ms at 15 bpm is halved.
    p.setParameter (delayBase (1) + delayTimeSynced, 1.0f);
    engine.playHead.bpm = 20.0;
    engine.process (empty);
    EXPECT_EQ (p.delayLines[0][0]->targetDelay, 529200.0f);
    engine.playHead.bpm = 15.0;
    engine.process (empty);
    EXPECT_EQ (p.delayLines[0][0]->targetDelay, 352800.0f);
    EXPECT_EQ (p.delayLines[0][1]->targetDelay, 352800.0f);

    // Unsynced: 1 ms is 44.1 samples; the glide is a quarter second.
    p.setParameter (delayBase (1) + delaySync, 0.0f);
    p.setParameter (delayBase (1) + delayTime, 0.0f);
    engine.process (empty);
    EXPECT_FLOAT_EQ (p.delayLines[0][0]->targetDelay, 44.1f);
    EXPECT_EQ (p.delayLines[0][0]->glideLength, 11025);

    // Feedback at its maximum gives a gain of 0.96.
    p.setParameter (delayBase (2) + delayFeedback, 1.0f);
    engine.process (empty);
    EXPECT_EQ (p.delayLines[1][0]->feedbackGain, 0.96f);
}

// A whole note at 20 bpm, 12 s, with the ring shrunk under it by a lower sample rate: the delay,
// still counted in the old rate's samples, must come back inside the new ring, not wrap round into a
// comb; whichever way the graph runs and however long the blocks.
TEST (SignalGraphKnownAnswers, ATwelveSecondEchoStaysTwelveSecondsWhenTheRingShrinks)
{
    for (const bool stretches : { true, false })
    {
        for (const int blockSize : { 4096, 65536 })
        {
            Engine engine (192000.0);
            auto& p = engine.processor;
            p.stretchesEnabled = stretches;
            p.setParameter (delayBase (1) + delaySync, 1.0f);
            p.setParameter (delayBase (1) + delayTimeSynced, 1.0f);
            p.setParameter (delayBase (1) + delayFeedback, 0.0f);
            p.setParameter (dryWet, 1.0f);
            engine.playHead.bpm = 20.0;

            // Blocks longer than the glide take the delay to its target within one block.
            juce::AudioSampleBuffer silence (2, 65536);
            for (int i = 0; i < 3; ++i)
            {
                silence.clear();
                engine.process (silence);
            }
            ASSERT_GT (p.delayLines[0][0]->currentDelay, 2.0e6f);

            p.prepareToPlay (44100.0, blockSize);
            const int length = 529300;
            juce::AudioSampleBuffer signal (2, length);
            signal.clear();
            signal.setSample (0, 0, 1.0f);
            signal.setSample (1, 0, 1.0f);

            for (int start = 0; start < length; start += blockSize)
            {
                juce::AudioSampleBuffer block (signal.getArrayOfWritePointers(), 2, start, std::min (blockSize, length - start));
                engine.process (block);
            }

            // The delay is taken in to the ring's end, 529,202 samples, and the glide toward the
            // target of 529,200 no longer moves a float of that size: the oldest entry, written
            // 529,201 samples (12 s and one sample) before, is read whole.
            for (int c = 0; c < 2; ++c)
            {
                EXPECT_EQ (p.delayLines[0][c]->ringLength, 529202);
                EXPECT_EQ (p.delayLines[0][c]->targetDelay, 529200.0f);
                EXPECT_EQ (p.delayLines[0][c]->currentDelay, 529202.0f);

                const float* y = signal.getReadPointer (c);
                int first = 0;
                while (first < length && y[first] == 0.0f)
                    ++first;

                EXPECT_EQ (first, 529201) << "stretches " << stretches << ", blocks of " << blockSize;
                EXPECT_EQ (y[first], 1.0f);
                EXPECT_EQ (y[first + 1], 0.0f);
            }
        }
    }
}

TEST (SignalGraphKnownAnswers, SyncedLfoRates)
{
    Engine engine (44100.0);
    auto& p = engine.processor;
    juce::AudioSampleBuffer empty (2, 0);

    p.setParameter (lfoBase (1) + lfoSync, 1.0f);            // division 1 by default
    engine.process (empty);
    EXPECT_EQ (p.lfos[0]->rate, 0.5f);

    p.setParameter (lfoBase (2) + lfoRate, 1.0f);            // 40 Hz
    p.setParameter (lfoBase (2) + lfoRateTimes100, 1.0f);
    engine.process (empty);
    EXPECT_EQ (p.lfos[1]->rate, 4000.0f);
    EXPECT_EQ (p.lfos[1]->phaseIncrement, 1024.0f / 44100.0f * 4000.0f);
}

TEST (SignalGraphKnownAnswers, TempoWithoutAUsableValueKeepsTheLastOne)
{
    Engine engine;
    auto& p = engine.processor;
    juce::AudioSampleBuffer empty (2, 0);
    EXPECT_EQ (p.bpm, 120.0);

    engine.playHead.bpm = 90.0;
    engine.process (empty);
    EXPECT_EQ (p.bpm, 90.0);

    for (double bad : { 0.0, -60.0, std::nan (""), HUGE_VAL, 1.0e-300, 1.0e-35, 1.0e300 })
    {
        engine.playHead.bpm = bad;
        engine.process (empty);
        EXPECT_EQ (p.bpm, 90.0) << bad;
    }

    engine.playHead.mode = TestPlayHead::Mode::noTempo;
    engine.process (empty);
    engine.playHead.mode = TestPlayHead::Mode::noPosition;
    engine.process (empty);
    p.setPlayHead (nullptr);
    engine.process (empty);
    EXPECT_EQ (p.bpm, 90.0);
}

TEST (SignalGraphKnownAnswers, OutputClampsToExactlyOneAndGainActsOnTheWetSignalOnly)
{
    Engine engine;
    auto& p = engine.processor;
    p.setParameter (outInputSource, sourceValue (sourceInput));
    p.setParameter (outGain, 1.0f);                          // +6 dB

    juce::AudioSampleBuffer buffer (2, 3);
    for (int c = 0; c < 2; ++c)
    {
        buffer.setSample (c, 0, 1.0f);
        buffer.setSample (c, 1, -1.0f);
        buffer.setSample (c, 2, 0.25f);
    }
    engine.process (buffer);
    EXPECT_EQ (buffer.getSample (0, 0), 1.0f);
    EXPECT_EQ (buffer.getSample (1, 1), -1.0f);
    EXPECT_FLOAT_EQ (buffer.getSample (0, 2), 0.25f * 0.5f * std::pow (10.0f, 0.3f) + 0.125f);

    // All dry: the gain leaves the input untouched.
    p.setParameter (ParameterIndex::dryWet, 0.0f);
    buffer.setSample (0, 0, 0.3f);
    engine.process (buffer);
    EXPECT_EQ (buffer.getSample (0, 0), 0.3f);
}

TEST (SignalGraphKnownAnswers, UnitsFedFromHigherNumberedUnitsSeeThePreviousSample)
{
    // Mixer 1 passes Mixer 2 through ("Gain" at 50 %), Mixer 2 passes the input: Mixer 1 hears the
    // input one sample late. The other way round, Mixer 2 hears Mixer 1 at once.
    auto response = [] (bool fromHigher)
    {
        Engine engine;
        auto& p = engine.processor;
        for (int k : { 1, 2 })
            p.setParameter (mixerBase (k) + mixerMode, modeValue (modeGain));
        p.setParameter (mixerBase (fromHigher ? 2 : 1) + mixerInputA, sourceValue (sourceInput));
        p.setParameter (mixerBase (fromHigher ? 1 : 2) + mixerInputA, sourceValue (fromHigher ? sourceMixer1 + 1 : sourceMixer1));
        p.setParameter (outInputSource, sourceValue (fromHigher ? sourceMixer1 : sourceMixer1 + 1));
        p.setParameter (ParameterIndex::dryWet, 1.0f);

        juce::AudioSampleBuffer buffer (2, 8);
        for (int s = 0; s < 8; ++s)
            for (int c = 0; c < 2; ++c)
                buffer.setSample (c, s, 0.1f * (float) (s + 1));
        engine.process (buffer);
        return std::vector<float> (buffer.getReadPointer (0), buffer.getReadPointer (0) + 8);
    };

    const auto late = response (true);
    const auto atOnce = response (false);
    EXPECT_EQ (late[0], 0.0f);
    for (int s = 0; s < 8; ++s)
        EXPECT_EQ (atOnce[(size_t) s], 0.1f * (float) (s + 1));
    for (int s = 1; s < 8; ++s)
        EXPECT_EQ (late[(size_t) s], atOnce[(size_t) s - 1]);
}

TEST (SignalGraphKnownAnswers, ADelayFedFromAHigherNumberedDelayIsOneSampleLater)
{
    // Input -> Delay 2 -> Delay 1 against Input -> Delay 1 -> Delay 2, equal times.
    auto response = [] (bool fromHigher)
    {
        Engine engine;
        auto& p = engine.processor;
        for (int k : { 1, 2 })
        {
            p.setParameter (delayBase (k) + delayTime, 0.1f);
            p.setParameter (delayBase (k) + delayFeedbackInput, 0.0f);
        }
        p.setParameter (delayBase (fromHigher ? 2 : 1) + delayInput, sourceValue (sourceInput));
        p.setParameter (delayBase (fromHigher ? 1 : 2) + delayInput, sourceValue (fromHigher ? sourceDelay1 + 1 : sourceDelay1));
        p.setParameter (outInputSource, sourceValue (fromHigher ? sourceDelay1 : sourceDelay1 + 1));
        p.setParameter (ParameterIndex::dryWet, 1.0f);
        engine.settle();
        return engine.impulseResponse (2000);
    };

    const auto late = response (true);
    const auto atOnce = response (false);
    EXPECT_GT (windowSum (atOnce, 0, 1999), 0.99);
    for (int s = 1; s < 2000; ++s)
        ASSERT_FLOAT_EQ (late[(size_t) s], atOnce[(size_t) s - 1]) << s;
}

//==============================================================================
TEST (SignalGraphBehaviour, ChannelCounts)
{
    {
        // One input, two outputs: the surplus output is silent.
        Engine engine (44100.0, 1, 2);
        ASSERT_EQ (engine.processor.getTotalNumInputChannels(), 1);
        juce::AudioSampleBuffer buffer (2, 64);
        for (int s = 0; s < 64; ++s)
        {
            buffer.setSample (0, s, 0.5f);
            buffer.setSample (1, s, 0.7f);
        }
        engine.process (buffer);
        EXPECT_EQ (buffer.getSample (0, 10), 0.25f);
        EXPECT_EQ (buffer.findMinMax (1, 0, 64), juce::Range<float> (0.0f, 0.0f));
        EXPECT_EQ (engine.processor.delayLines[0][1]->writeIndex, 0);   // channel 1 untouched
    }
    {
        // No inputs: nothing is processed, the LFOs and lines stand still, outputs are cleared.
        Engine engine (44100.0, 0, 2);
        ASSERT_EQ (engine.processor.getTotalNumInputChannels(), 0);
        auto& p = engine.processor;
        p.parameters.getUnchecked (outInputSource)->setMidiCC (7);
        const float before = p.getParameter (outInputSource);
        juce::AudioSampleBuffer buffer (2, 64);
        buffer.clear();
        buffer.setSample (0, 3, 0.5f);
        auto midi = controller (7, 127, 0);
        engine.process (buffer, midi);
        EXPECT_EQ (p.lfos[0]->phase, 0.0f);
        EXPECT_EQ (p.delayLines[0][0]->writeIndex, 0);
        EXPECT_EQ (buffer.getSample (0, 3), 0.0f);
        EXPECT_EQ (p.getParameter (outInputSource), before);            // no MIDI handled
    }
    {
        // Three inputs and outputs: only the first two are processed, the third is left alone.
        Engine engine (44100.0, 3, 3);
        if (engine.processor.getTotalNumInputChannels() == 3)
        {
            juce::AudioSampleBuffer buffer (3, 16);
            for (int c = 0; c < 3; ++c)
                for (int s = 0; s < 16; ++s)
                    buffer.setSample (c, s, 0.5f);
            engine.process (buffer);
            EXPECT_EQ (buffer.getSample (0, 5), 0.25f);
            EXPECT_EQ (buffer.getSample (1, 5), 0.25f);
            EXPECT_EQ (buffer.getSample (2, 5), 0.5f);
        }
    }
    {
        // More inputs than outputs: nothing is cleared.
        Engine engine (44100.0, 2, 1);
        juce::AudioSampleBuffer buffer (2, 16);
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < 16; ++s)
                buffer.setSample (c, s, 0.5f);
        engine.process (buffer);
        EXPECT_EQ (buffer.getSample (1, 5), 0.25f);
    }
}

TEST (SignalGraphBehaviour, SyncedLfoModulationTruncatesTheDivisionWhileASyncedDelayDoesNot)
{
    Engine engine;
    auto& p = engine.processor;
    p.setParameter (lfoBase (1) + lfoSync, 1.0f);
    p.setParameter (lfoBase (1) + lfoSyncedRate, 0.93f);
    p.setParameter (lfoBase (1) + lfoRateModSource, sourceValue (sourceInput));
    p.setParameter (lfoBase (1) + lfoRateModDepth, 0.37f);
    p.setParameter (delayBase (1) + delaySync, 1.0f);
    p.setParameter (delayBase (1) + delayTimeSynced, 0.93f);
    p.setParameter (delayBase (1) + delayTimeModSource, sourceValue (sourceInput));
    p.setParameter (delayBase (1) + delayTimeModDepth, 0.37f);

    juce::AudioSampleBuffer buffer (2, 1);
    buffer.setSample (0, 0, 0.8f);
    buffer.setSample (1, 0, 0.8f);
    engine.process (buffer);

    const float depth = p.parameters.getUnchecked (lfoBase (1) + lfoRateModDepth)->getNormalised();
    const float v = VarluneAudioProcessor::getModulatedValue (*p.parameters.getUnchecked (lfoBase (1) + lfoSyncedRate), 0.8f, depth);
    ASSERT_NE (v, std::floor (v));
    const float wholeNote = (60000.0f / 120.0f) * 4.0f;
    EXPECT_EQ (p.lfos[0]->rate, 1000.0f / (wholeNote / std::floor (v)));
    EXPECT_EQ (p.delayLines[0][0]->targetDelay, (float) ((double) (wholeNote / v) * 0.001 * 44100.0));
    EXPECT_EQ (p.delayLines[0][0]->currentDelay, p.delayLines[0][0]->targetDelay);
    EXPECT_EQ (p.delayLines[0][0]->glideLength, 0);
}

TEST (SignalGraphBehaviour, ModulationRule)
{
    VarluneAudioProcessor p;
    auto& time = *p.parameters.getUnchecked (delayTime);                   // 1..1000 ms, 60 ms now
    const float v = time.getReal();

    // Lower half: the swing is v itself, and the clamp takes what passes the bottom.
    EXPECT_EQ (VarluneAudioProcessor::getModulatedValue (time, 0.0f, 1.0f), v);
    EXPECT_EQ (VarluneAudioProcessor::getModulatedValue (time, 1.0f, 0.5f), v + 0.5f * v * 1.0f);
    EXPECT_EQ (VarluneAudioProcessor::getModulatedValue (time, -1.0f, 1.0f), 1.0f);
    EXPECT_EQ (VarluneAudioProcessor::getModulatedValue (time, -7.0f, 0.5f), v - 0.5f * v);   // source clamped

    // Upper half: the swing is the distance to the top.
    p.setParameter (dryWet, 0.8f);
    auto& mix = *p.parameters.getUnchecked (dryWet);
    EXPECT_FLOAT_EQ (VarluneAudioProcessor::getModulatedValue (mix, 1.0f, 1.0f), 100.0f);
    EXPECT_FLOAT_EQ (VarluneAudioProcessor::getModulatedValue (mix, -1.0f, 1.0f), 60.0f);

    // An inverted range (128 down to 1) uses its smaller bound as the bottom.
    auto& division = *p.parameters.getUnchecked (delayTimeSynced);
    EXPECT_GE (VarluneAudioProcessor::getModulatedValue (division, -1.0f, 1.0f), 1.0f);
    EXPECT_LE (VarluneAudioProcessor::getModulatedValue (division, 1.0f, 1.0f), 128.0f);
}

TEST (SignalGraphBehaviour, RunawayFeedbackStaysFiniteAndRecovers)
{
    // Delay 1 fed back through a doubling mixer (gain 1.92 per pass), squared by a ring modulator:
    // without a bound this reaches infinity and NaN within seconds and never leaves the ring again.
    Engine engine;
    auto& p = engine.processor;
    p.setParameter (delayBase (1) + delayTime, 0.05f);
    p.setParameter (delayBase (1) + delayFeedback, 1.0f);
    p.setParameter (delayBase (1) + delayInput, sourceValue (sourceInput));
    p.setParameter (delayBase (1) + delayFeedbackInput, sourceValue (sourceMixer1));
    p.setParameter (mixerBase (1) + mixerMode, modeValue (modeGain));
    p.setParameter (mixerBase (1) + mixerControl, 1.0f);
    p.setParameter (mixerBase (1) + mixerInputA, sourceValue (sourceDelay1));
    p.setParameter (mixerBase (1) + mixerInputB, sourceValue (sourceInput));
    p.setParameter (mixerBase (2) + mixerMode, modeValue (modeRingmod));
    p.setParameter (mixerBase (2) + mixerInputA, sourceValue (sourceMixer1));
    p.setParameter (mixerBase (2) + mixerInputB, sourceValue (sourceMixer1));
    p.setParameter (outInputSource, sourceValue (sourceMixer1 + 1));

    juce::Random random (3);
    juce::AudioSampleBuffer buffer (2, 512);
    for (int block = 0; block < 600; ++block)
    {
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < 512; ++s)
                buffer.setSample (c, s, random.nextFloat() - 0.5f);
        engine.process (buffer);
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < 512; ++s)
                ASSERT_TRUE (std::isfinite (buffer.getSample (c, s)));
    }
    EXPECT_TRUE (std::isfinite (p.delayOutput[0][0]));
    EXPECT_GT (std::abs (p.mixerOutput[0][0]), 1000.0f);     // it did run away

    // Opened, the loop dies away.
    p.setParameter (delayBase (1) + delayInput, 0.0f);
    p.setParameter (delayBase (1) + delayFeedbackInput, 0.0f);
    p.setParameter (outInputSource, sourceValue (sourceDelay1));
    engine.settle (200);
    EXPECT_EQ (p.delayOutput[0][0], 0.0f);
}

TEST (SignalGraphBehaviour, LongRandomRunStaysFreeOfNaNAndInfinity)
{
    std::mt19937 rng (99);
    Engine engine (48000.0);
    auto& p = engine.processor;
    juce::AudioSampleBuffer buffer (2, 1024);

    for (int patch = 0; patch < 40; ++patch)
    {
        for (int i = 0; i < 98; ++i)
            p.setParameter (i, randomValueFor (i, rng, p.parameters.getUnchecked (i)->defaultNormalised));
        randomTempo (engine.playHead, rng);
        const int kind = (int) (rng() % 5);

        for (int block = 0; block < 60; ++block)
        {
            const int n = 1 + (int) (rng() % 1024);
            buffer.setSize (2, n, false, false, true);
            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < n; ++s)
                    buffer.setSample (c, s, randomInput (rng, kind));
            engine.process (buffer);
            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < n; ++s)
                {
                    const float y = buffer.getSample (c, s);
                    ASSERT_TRUE (std::isfinite (y) && y >= -1.0f && y <= 1.0f) << "patch " << patch;
                }
        }
    }
}

// A NaN or infinite sample from the host must not turn into a burst of full-scale clicks: the graph,
// dry path included, sees it as silence. Blocks of several sizes take both ways of running the graph.
TEST (SignalGraphBehaviour, NonFiniteInputSamplesSoundExactlyLikeSilence)
{
    auto defaultPatch = [] (VarluneAudioProcessor&) {};
    auto feedbackPatch = [] (VarluneAudioProcessor& p)
    {
        // Two short delays feeding each other and themselves at full feedback, through a mixer.
        p.setParameter (delayBase (1) + delayTime, 0.05f);
        p.setParameter (delayBase (1) + delayFeedback, 1.0f);
        p.setParameter (delayBase (1) + delayFeedbackInputLevel, 1.0f);
        p.setParameter (delayBase (1) + delayFeedbackInput, sourceValue (sourceDelay1 + 1));
        p.setParameter (delayBase (2) + delayTime, 0.08f);
        p.setParameter (delayBase (2) + delayFeedback, 1.0f);
        p.setParameter (delayBase (2) + delayFeedbackInputLevel, 1.0f);
        p.setParameter (delayBase (2) + delayInput, sourceValue (sourceMixer1));
        p.setParameter (delayBase (2) + delayFeedbackInput, sourceValue (sourceDelay1 + 1));
        p.setParameter (mixerBase (1) + mixerInputA, sourceValue (sourceDelay1));
        p.setParameter (mixerBase (1) + mixerInputB, sourceValue (sourceInput));
        p.setParameter (outInputSource, sourceValue (sourceMixer1));
        p.setParameter (dryWet, 0.8f);
    };
    const std::function<void (VarluneAudioProcessor&)> patches[] = { defaultPatch, feedbackPatch };
    const float nonFinite[] = { std::numeric_limits<float>::quiet_NaN(), HUGE_VALF, -HUGE_VALF };
    const int blockSizes[] = { 512, 1, 37, 4096, 512 };
    const int positions[] = { 0, 1, 31, 32, 36, 100, 511 };

    for (size_t patch = 0; patch < std::size (patches); ++patch)
    {
        for (const float bad : nonFinite)
        {
            Engine broken, silent;
            patches[patch] (broken.processor);
            patches[patch] (silent.processor);
            juce::Random noise (7);

            // The bad samples come in the first blocks; then a second and a half of what follows.
            for (int block = 0; block < 150; ++block)
            {
                const int n = blockSizes[(size_t) block % std::size (blockSizes)];
                juce::AudioSampleBuffer a (2, n), b (2, n);

                for (int c = 0; c < 2; ++c)
                    for (int s = 0; s < n; ++s)
                        a.setSample (c, s, noise.nextFloat() - 0.5f);

                b.makeCopyOf (a);

                if (block < (int) std::size (blockSizes))
                {
                    for (const int s : positions)
                    {
                        if (s < n)
                        {
                            a.setSample (s % 2, s, bad);
                            b.setSample (s % 2, s, 0.0f);
                        }
                    }
                }

                broken.process (a);
                silent.process (b);

                for (int c = 0; c < 2; ++c)
                    for (int s = 0; s < n; ++s)
                        ASSERT_TRUE (sameBits (a.getSample (c, s), b.getSample (c, s)))
                            << "patch " << patch << ", input " << bad << ", block " << block << ", channel " << c
                            << ", sample " << s << ": " << a.getSample (c, s) << " against " << b.getSample (c, s);
            }
        }
    }
}

//==============================================================================
TEST (MidiInput, LearnedControllerSetsItsParameterBetweenGestureBeginAndEnd)
{
    Engine engine;
    auto& p = engine.processor;
    RecordingListener listener;
    p.addListener (&listener);
    p.parameters.getUnchecked (ParameterIndex::dryWet)->setMidiCC (7);

    juce::AudioSampleBuffer buffer (2, 32);
    buffer.clear();
    auto midi = controller (7, 64, 5);
    engine.process (buffer, midi);

    EXPECT_EQ (p.getParameter (ParameterIndex::dryWet), 64.0f / 127.0f);
    ASSERT_EQ (listener.calls.size(), 3u);
    EXPECT_EQ (listener.calls[0], "begin 94");
    EXPECT_EQ (listener.calls[1].rfind ("set 94 ", 0), 0u);
    EXPECT_EQ (listener.calls[2], "end 94");
    p.removeListener (&listener);

    p.updateLastMovedDisplay();
    EXPECT_EQ (p.lastParamName, "Dry_Wet");
    EXPECT_EQ (p.lastParamText, "50.39 %");

    // 0 and 127 give exactly the ends.
    midi = controller (7, 127, 0);
    engine.process (buffer, midi);
    EXPECT_EQ (p.getParameter (ParameterIndex::dryWet), 1.0f);
    midi = controller (7, 0, 31);
    engine.process (buffer, midi);
    EXPECT_EQ (p.getParameter (ParameterIndex::dryWet), 0.0f);
}

TEST (MidiInput, LearnBindsEveryArmedParameterAndControllersFollowWithoutLearnMode)
{
    Engine engine;
    auto& p = engine.processor;
    juce::AudioSampleBuffer buffer (2, 16);
    buffer.clear();

    // Learn mode off: armed parameters stay armed and unbound.
    p.parameters.getUnchecked (3)->setLearnArmed (true);
    p.parameters.getUnchecked (71)->setLearnArmed (true);
    auto midi = controller (20, 100, 0);
    engine.process (buffer, midi);
    EXPECT_TRUE (p.parameters.getUnchecked (3)->isLearnArmed());
    EXPECT_EQ (p.parameters.getUnchecked (3)->getMidiCC(), -1);

    // Learn mode on: both bind to 20, take its value at once and are disarmed.
    p.midiLearnActive = true;
    midi = controller (20, 100, 3);
    engine.process (buffer, midi);
    for (int index : { 3, 71 })
    {
        EXPECT_EQ (p.parameters.getUnchecked (index)->getMidiCC(), 20);
        EXPECT_FALSE (p.parameters.getUnchecked (index)->isLearnArmed());
        EXPECT_EQ (p.getParameter (index), 100.0f / 127.0f);
    }
    p.updateLastMovedDisplay();
    EXPECT_EQ (p.lastParamName, "Mixer1_Control");          // the highest index ends it

    // Learn mode off again: they keep following the controller; others are left alone.
    p.midiLearnActive = false;
    midi = controller (20, 10, 0);
    midi.addEvent (juce::MidiMessage::controllerEvent (3, 21, 127), 1);
    engine.process (buffer, midi);
    EXPECT_EQ (p.getParameter (3), 10.0f / 127.0f);
    EXPECT_EQ (p.getParameter (71), 10.0f / 127.0f);

    // Learning a new controller replaces the old binding.
    p.midiLearnActive = true;
    p.parameters.getUnchecked (3)->setLearnArmed (true);
    midi = controller (30, 127, 0);
    engine.process (buffer, midi);
    EXPECT_EQ (p.parameters.getUnchecked (3)->getMidiCC(), 30);
    EXPECT_EQ (p.parameters.getUnchecked (71)->getMidiCC(), 20);
}

TEST (MidiInput, EventsActAtTheirSampleAndPastTheEndAreIgnored)
{
    Engine engine;
    auto& p = engine.processor;
    p.parameters.getUnchecked (outInputSource)->setMidiCC (1);
    p.setParameter (ParameterIndex::dryWet, 1.0f);

    // The output switches from "Delay 1" (silent so far) to "Input" at sample 10.
    juce::AudioSampleBuffer buffer (2, 20);
    for (int s = 0; s < 20; ++s)
        for (int c = 0; c < 2; ++c)
            buffer.setSample (c, s, 0.5f);
    auto midi = controller (1, (int) std::lround (127.0 / 13.0), 10);
    midi.addEvent (juce::MidiMessage::programChange (1, 9), 4);
    midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, 0), 20);      // at the block's end
    midi.addEvent (juce::MidiMessage::programChange (1, 11), 25);          // past it
    engine.process (buffer, midi);

    EXPECT_EQ (buffer.getSample (0, 9), 0.0f);
    EXPECT_EQ (buffer.getSample (0, 10), 0.5f);
    EXPECT_EQ (buffer.getSample (1, 19), 0.5f);
    EXPECT_EQ (p.parameters.getUnchecked (outInputSource)->getReal() + 0.5f >= 1.0f, true);
    EXPECT_TRUE (p.programChangePending.load());
    EXPECT_EQ (p.programChangeIndex.load(), 9);
}

TEST (MidiInput, TheDisplayShowsTheLastParameterMovedByAnyone)
{
    VarluneAudioProcessor p;
    p.updateLastMovedDisplay();
    EXPECT_EQ (p.lastParamName, "");
    EXPECT_EQ (p.lastParamText, "Version 1.1");

    p.setParameter (delayFeedback, 0.5f);
    p.setLastMovedParameter (delayFeedback, 0.5f);            // an editor control
    p.updateLastMovedDisplay();
    EXPECT_EQ (p.lastParamName, "Delay1_Feedback");
    EXPECT_EQ (p.lastParamText, "50.00 %");

    p.setParameter (delayFeedback, 0.25f);                    // a change that is no move
    p.setLastMovedParameter (98, 0.5f);                       // not a parameter: no change
    p.setLastMovedParameter (-1, 0.5f);
    p.updateLastMovedDisplay();
    EXPECT_EQ (p.lastParamName, "Delay1_Feedback");
    EXPECT_EQ (p.lastParamText, "50.00 %");
}
