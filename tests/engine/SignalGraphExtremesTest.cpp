// The processor against the reference model at the extremes: non-finite and huge input, NaN inside
// the graph, unusable sample rates, rates too slow for a glide, blocks longer than the glide and
// rate changes under delays that reach the end of their rings; and the two ways the engine runs the
// graph against each other.
#include "DifferentialTestSupport.h"

#include <limits>

using namespace differential;

// Input with NaN, infinite and the largest finite samples on random patches: both must take the
// non-finite ones as silence alike. Some patches send the input through a gain above one to a fully
// dry output, where the wet path overflows and the mix would be NaN.
TEST (SignalGraphDifferential, NonFiniteInputMatchesTheReferenceModel)
{
    std::mt19937 rng (404);

    for (const double rate : { 44100.0, 96000.0 })
    {
        Pair pair (rate, 2, 2);
        const juce::MidiBuffer noMidi;

        for (int patch = 0; patch < 8; ++patch)
        {
            randomisePatch (pair, rng);
            randomTempo (pair.playHead, rng);

            if (patch % 2 == 0)
            {
                pair.set (ParameterIndex::outInputSource, sourceValue (sourceInput));
                pair.set (ParameterIndex::outGain, 1.0f);
                pair.set (ParameterIndex::dryWet, 0.0f);
            }

            for (int block = 0; block < 6; ++block)
                ASSERT_TRUE (runBlock (pair, rng, randomBlockSize (rng), noMidi, 5)) << "patch " << patch << ", block " << block;
        }
    }
}

// A "Gain" mixer doubling the largest float leaves its last output at infinity; switched to "Damp"
// with full control it turns that into NaN, which the graph must bound as the model does.
TEST (SignalGraphDifferential, AMixerOutputOfNaNIsBoundedLikeTheReferenceModel)
{
    using namespace ParameterIndex;
    Pair pair (44100.0, 2, 2);
    const juce::MidiBuffer noMidi;
    pair.set (mixerBase (1) + mixerMode, modeValue (modeGain));
    pair.set (mixerBase (1) + mixerInputA, sourceValue (sourceInput));
    pair.set (mixerBase (1) + mixerControl, 1.0f);
    pair.set (outInputSource, sourceValue (sourceMixer1));

    juce::AudioSampleBuffer input (2, 64);
    input.clear();
    input.setSample (0, 63, std::numeric_limits<float>::max());
    ASSERT_TRUE (runInput (pair, input, noMidi));

    pair.set (mixerBase (1) + mixerMode, modeValue (modeDamp));
    input.clear();
    ASSERT_TRUE (runInput (pair, input, noMidi));
}

// Rates no audio device runs at keep the current rate and only clear, in between usable changes.
TEST (SignalGraphDifferential, UnusableSampleRatesMatchTheReferenceModel)
{
    std::mt19937 rng (96);
    Pair pair (48000.0, 2, 2);
    const juce::MidiBuffer noMidi;
    randomisePatch (pair, rng);

    for (const double rate : { 0.0, 96000.0, -44100.0, std::numeric_limits<double>::quiet_NaN(), 1.0e6, 44100.0 })
    {
        pair.changeRate (rate);

        for (int block = 0; block < 3; ++block)
            ASSERT_TRUE (runBlock (pair, rng, randomBlockSize (rng), noMidi, 0)) << "rate " << rate << ", block " << block;
    }
}

// Below 4 Hz a glide is shorter than a sample: a new delay time moves the lines as the next block
// starts, also a block that runs no samples. The state is compared only after such a block, not
// after the block that ran before it.
TEST (SignalGraphDifferential, DelaysThatJumpBetweenBlocksMatchTheReferenceModel)
{
    std::mt19937 rng (3);
    Pair pair (3.0, 2, 2);
    juce::MidiBuffer noMidi;

    for (int round = 0; round < 4; ++round)
    {
        juce::AudioSampleBuffer a (2, 16), b (2, 16);
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < 16; ++s)
                a.setSample (c, s, randomInput (rng, 0));
        b.makeCopyOf (a);

        pair.engine.processBlock (a, noMidi);
        pair.model.processBlock (b, noMidi, pair.inputs, pair.outputs, &pair.playHead);
        pair.set (ParameterIndex::delayBase (1) + ParameterIndex::delayTime, (float) (1 + rng() % 100) / 100.0f);
        ASSERT_TRUE (runBlock (pair, rng, 0, noMidi, 0)) << "round " << round;
    }
}

// Blocks longer than the glide and changes of sample rate in both directions under delays that
// reach the end of their rings.
TEST (SignalGraphDifferential, LongBlocksAndRateChangesUnderLongDelaysMatchTheReferenceModel)
{
    std::mt19937 rng (1912);
    Pair pair (44100.0, 2, 2);
    const juce::MidiBuffer noMidi;

    for (int patch = 0; patch < 3; ++patch)
    {
        randomisePatch (pair, rng);
        lengthenDelays ([&] (int index, float value) { pair.set (index, value); }, rng);
        pair.playHead.mode = TestPlayHead::Mode::tempo;
        pair.playHead.bpm = slowTempos[rng() % std::size (slowTempos)];

        for (const double rate : sessionRates)
        {
            pair.changeRate (rate);

            for (int block = 0; block < 3; ++block)
                ASSERT_TRUE (runBlock (pair, rng, longBlockSize (rng), noMidi, rng() % 3 == 0 ? 4 : 0))
                    << "patch " << patch << ", rate " << rate << ", block " << block;
        }
    }
}

// The two ways of running the graph, frame by frame and stretch by stretch, give the same bits on
// the same patches, including long delays, long blocks and changes of sample rate.
TEST (SignalGraphDifferential, StretchesGiveTheSameOutputAsFrameByFrame)
{
    std::mt19937 rng (2718);
    VarluneAudioProcessor stretches, frames;
    frames.stretchesEnabled = false;
    TestPlayHead playHead;
    VarluneAudioProcessor* const both[] = { &stretches, &frames };

    for (auto* engine : both)
    {
        engine->setPlayConfigDetails (2, 2, 44100.0, 512);
        engine->setPlayHead (&playHead);

        for (auto* parameter : engine->parameters)
            parameter->setMidiCC (-1);
    }

    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 1024; ++i)
            frames.lfos[k]->randomTable[i] = stretches.lfos[k]->randomTable[i];

    auto set = [&] (int index, float value)
    {
        stretches.setParameter (index, value);
        frames.setParameter (index, value);
    };

    const juce::MidiBuffer noMidi;

    for (int patch = 0; patch < 40; ++patch)
    {
        for (int i = 0; i < 98; ++i)
            set (i, randomValueFor (i, rng, stretches.parameters.getUnchecked (i)->defaultNormalised));

        randomTempo (playHead, rng);
        const bool longDelays = patch % 2 == 0;

        if (longDelays)
        {
            lengthenDelays (set, rng);
            playHead.mode = TestPlayHead::Mode::tempo;
            playHead.bpm = slowTempos[rng() % std::size (slowTempos)];
        }

        const int inputKind = (int) (rng() % 5);

        for (int block = 0; block < 8; ++block)
        {
            if (block == 4)
            {
                const double rate = sessionRates[rng() % std::size (sessionRates)];
                for (auto* engine : both)
                    engine->prepareToPlay (rate, 512);
            }

            if (rng() % 3 == 0)
            {
                const int index = (int) (rng() % 98);
                set (index, randomValueFor (index, rng, stretches.parameters.getUnchecked (index)->defaultNormalised));
            }

            const int numSamples = longDelays || rng() % 2 == 0 ? longBlockSize (rng) : randomBlockSize (rng);
            juce::AudioSampleBuffer a (2, numSamples), b (2, numSamples);

            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < numSamples; ++s)
                    a.setSample (c, s, randomInput (rng, inputKind));

            b.makeCopyOf (a);
            stretches.processBlock (a, const_cast<juce::MidiBuffer&> (noMidi));
            frames.processBlock (b, const_cast<juce::MidiBuffer&> (noMidi));
            stretches.copyGraphStateToUnits();
            frames.copyGraphStateToUnits();

            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < numSamples; ++s)
                    ASSERT_TRUE (sameBits (a.getSample (c, s), b.getSample (c, s)))
                        << "patch " << patch << ", block " << block << ", channel " << c << ", sample " << s;

            for (int k = 0; k < 4; ++k)
                for (int c = 0; c < 2; ++c)
                    ASSERT_TRUE (sameBits (stretches.delayLines[k][c]->currentDelay, frames.delayLines[k][c]->currentDelay))
                        << "patch " << patch << ", block " << block << ", delay " << k + 1;
        }
    }

    for (auto* engine : both)
        engine->setPlayHead (nullptr);
}
