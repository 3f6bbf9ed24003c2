// The processor against the independent reference model: many random patches, rates, tempos, block sizes
// and channel counts, parameter changes between blocks, MIDI. Output and state must match bit for bit.
#include "DifferentialTestSupport.h"

#include <memory>

using namespace differential;

// The model's parameters come from their own table: the processor must offer the same names, each
// with the same default and the same mapping from normalised values to real ones.
TEST (SignalGraphDifferential, ProcessorParametersMatchTheModelsTableByName)
{
    Pair pair (44100.0, 2, 2);
    ASSERT_EQ (pair.engine.getNumParameters(), pair.model.parameters.size());

    for (int i = 0; i < pair.engine.getNumParameters(); ++i)
    {
        const auto& e = *pair.engine.parameters.getUnchecked (i);
        const auto& m = pair.modelParameter (i);
        EXPECT_TRUE (sameBits (e.defaultNormalised, m.defaultNormalised)) << m.name;

        for (float n : { 0.0f, 0.1f, 0.25f, 0.5f, 0.77f, 1.0f })
        {
            pair.set (i, n);
            EXPECT_TRUE (sameBits (e.getReal(), m.real)) << m.name << " at " << n;
        }
    }
}

TEST (SignalGraphDifferential, RandomPatchesMatchTheReferenceModelBitForBit)
{
    const SessionSetup sessions[] = {
        { 44100.0, 2, 2 }, { 48000.0, 2, 2 }, { 96000.0, 2, 2 }, { 192000.0, 2, 2 }, { 88200.0, 2, 2 },
        { 44100.0, 1, 2 }, { 48000.0, 1, 1 }, { 176400.0, 2, 2 }, { 48000.0, 2, 2 }, { 44100.0, 2, 2 },
        { 48000.0, 0, 2 }, { 44100.0, 2, 1 }, { 48000.0, 2, 2 }, { 96000.0, 1, 2 }, { 44100.0, 2, 2 },
    };

    std::mt19937 rng (20240611);
    int64_t frames = 0;

    for (const auto& setup : sessions)
    {
        auto pair = std::make_unique<Pair> (setup.rate, setup.inputs, setup.outputs);
        ASSERT_EQ (pair->engine.getTotalNumInputChannels(), setup.inputs);
        ASSERT_EQ (pair->engine.getTotalNumOutputChannels(), setup.outputs);
        const juce::MidiBuffer noMidi;

        for (int patch = 0; patch < 8; ++patch)
        {
            randomisePatch (*pair, rng);
            randomTempo (pair->playHead, rng);
            const int inputKind = (int) (rng() % 5);

            for (int block = 0; block < 12; ++block)
            {
                if (rng() % 3 == 0)
                    changeSomeParameters (*pair, rng);
                if (rng() % 6 == 0)
                    randomTempo (pair->playHead, rng);

                const int numSamples = randomBlockSize (rng);
                frames += numSamples;
                ASSERT_TRUE (runBlock (*pair, rng, numSamples, noMidi, rng() % 4 == 0 ? (int) (rng() % 5) : inputKind))
                    << "rate " << setup.rate << ", " << setup.inputs << " in, patch " << patch << ", block " << block;
            }
        }
    }

    RecordProperty ("frames", (int) frames);
}

// Patches built to reach the corners: every delay fed back from every kind of unit, modulated by
// every kind of source, tempo-synced or not, with delay times that are no whole number of samples.
TEST (SignalGraphDifferential, DenseFeedbackAndModulationMatchTheReferenceModel)
{
    std::mt19937 rng (77);

    for (double rate : { 44100.0, 48000.0 })
    {
        Pair pair (rate, 2, 2);
        const juce::MidiBuffer noMidi;

        for (int patch = 0; patch < 10; ++patch)
        {
            randomisePatch (pair, rng);

            for (int k = 1; k <= 4; ++k)
            {
                const int d = ParameterIndex::delayBase (k);
                pair.set (d + ParameterIndex::delayTime, 0.01f + 0.2f * (float) (rng() % 100) / 100.0f);
                pair.set (d + ParameterIndex::delayInput, sourceValue (1 + (int) (rng() % 13)));
                pair.set (d + ParameterIndex::delayFeedbackInput, sourceValue (2 + (int) (rng() % 12)));
                pair.set (d + ParameterIndex::delayTimeModSource, sourceValue (1 + (int) (rng() % 13)));
                pair.set (d + ParameterIndex::delayTimeModDepth, 0.05f + 0.9f * (float) (rng() % 100) / 100.0f);

                const int m = ParameterIndex::mixerBase (k);
                pair.set (m + ParameterIndex::mixerMode, modeValue ((int) (rng() % 5)));
                pair.set (m + ParameterIndex::mixerInputA, sourceValue (1 + (int) (rng() % 13)));
                pair.set (m + ParameterIndex::mixerInputB, sourceValue (1 + (int) (rng() % 13)));
                pair.set (m + ParameterIndex::mixerControlModSource, sourceValue (1 + (int) (rng() % 13)));

                const int l = ParameterIndex::lfoBase (k);
                pair.set (l + ParameterIndex::lfoRateModSource, sourceValue (1 + (int) (rng() % 13)));
            }

            pair.set (ParameterIndex::outInputSource, sourceValue (2 + (int) (rng() % 12)));
            randomTempo (pair.playHead, rng);

            for (int block = 0; block < 10; ++block)
                ASSERT_TRUE (runBlock (pair, rng, 1 + (int) (rng() % 2000), noMidi, 0)) << "patch " << patch;
        }
    }
}

// Dense patches without loops that only a frame-by-frame order resolves: mixers read delays, the
// input, LFOs and lower mixers (sometimes themselves or a higher one), delays are fed from anything
// and modulated by the input, LFOs, lower delays or themselves, LFO rates follow the input and other
// LFOs. Delay times go down to a few milliseconds at low sample rates, around the shortest delay a
// line may have to run a stretch of frames at once.
TEST (SignalGraphDifferential, FeedForwardPatchesMatchTheReferenceModel)
{
    using namespace ParameterIndex;
    std::mt19937 rng (8128);
    auto pick = [&] (int n) { return (int) (rng() % (unsigned) n); };

    const SessionSetup sessions[] = { { 44100.0, 2, 2 }, { 32000.0, 2, 2 }, { 36000.0, 2, 2 }, { 24000.0, 1, 2 },
                                      { 96000.0, 2, 2 }, { 48000.0, 1, 1 } };

    for (const auto& setup : sessions)
    {
        Pair pair (setup.rate, setup.inputs, setup.outputs);
        const juce::MidiBuffer noMidi;

        for (int patch = 0; patch < 10; ++patch)
        {
            randomisePatch (pair, rng);

            for (int k = 1; k <= 4; ++k)
            {
                auto lowerDelay = [&] () -> int { return k > 1 ? sourceDelay1 + pick (k - 1) : sourceInput; };
                auto mixerInput = [&] () -> int
                {
                    switch (pick (6))
                    {
                        case 0:  return sourceInput;
                        case 1:  return sourceLfo1 + pick (4);
                        case 2:  return k > 1 ? sourceMixer1 + pick (k - 1) : sourceDelay1;
                        case 3:  return pick (4) == 0 ? sourceMixer1 + k - 1 + pick (5 - k) : sourceDelay1 + pick (4);
                        default: return sourceDelay1 + pick (4);
                    }
                };

                const int d = delayBase (k);
                pair.set (d + delayTime, (float) pick (30) / 100.0f);
                pair.set (d + delaySync, pick (4) == 0 ? 1.0f : 0.0f);
                pair.set (d + delayInput, sourceValue (pick (14)));
                pair.set (d + delayFeedbackInput, sourceValue (pick (14)));
                pair.set (d + delayTimeModSource, sourceValue (pick (3) == 0 ? sourceInput
                                                                             : pick (2) == 0 ? sourceLfo1 + pick (4)
                                                                             : pick (3) == 0 ? sourceDelay1 + k - 1 : lowerDelay()));
                pair.set (d + delayTimeModDepth, pick (4) == 0 ? 0.0f : (float) pick (100) / 100.0f);

                const int m = mixerBase (k);
                pair.set (m + mixerMode, modeValue (pick (5)));
                pair.set (m + mixerInputA, sourceValue (mixerInput()));
                pair.set (m + mixerInputB, sourceValue (mixerInput()));
                pair.set (m + mixerControlModSource, sourceValue (mixerInput()));
                pair.set (m + mixerControlModDepth, pick (4) == 0 ? 0.0f : (float) pick (100) / 100.0f);

                const int l = lfoBase (k);
                pair.set (l + lfoRateModSource, sourceValue (pick (2) == 0 ? sourceInput : sourceLfo1 + pick (4)));
            }

            pair.set (outInputSource, sourceValue (1 + pick (13)));
            pair.set (dryWetModSource, sourceValue (pick (14)));
            randomTempo (pair.playHead, rng);

            for (int block = 0; block < 10; ++block)
            {
                if (pick (4) == 0)
                    changeSomeParameters (pair, rng);

                ASSERT_TRUE (runBlock (pair, rng, randomBlockSize (rng), noMidi, pick (4) == 0 ? pick (5) : 0))
                    << "rate " << setup.rate << ", patch " << patch << ", block " << block;
            }
        }
    }
}

// Sparse patches, close to what people play: the default patch with a few units switched on. Most
// LFOs are read by nothing (sample and hold among them, running for many cycles), stereo pairs of
// delay lines glide alike while unused ones glide too, modulation comes from LFOs (the same on both
// channels) or from the input (not), and tempo-synced LFOs may run faster than the table allows.
TEST (SignalGraphDifferential, SparsePatchesMatchTheReferenceModel)
{
    using namespace ParameterIndex;
    std::mt19937 rng (31337);
    auto pick = [&] (int n) { return (int) (rng() % (unsigned) n); };
    auto anySource = [&] { return pick (3) == 0 ? sourceLfo1 + pick (4) : (pick (2) == 0 ? sourceInput : sourceDelay1 + pick (4)); };

    const SessionSetup sessions[] = { { 44100.0, 2, 2 }, { 48000.0, 2, 2 }, { 96000.0, 1, 2 }, { 48000.0, 2, 2 } };

    for (const auto& setup : sessions)
    {
        Pair pair (setup.rate, setup.inputs, setup.outputs);
        const juce::MidiBuffer noMidi;

        for (int patch = 0; patch < 12; ++patch)
        {
            resetPatch (pair);

            for (int k = 1; k <= 4; ++k)
            {
                const int l = lfoBase (k);
                pair.set (l + lfoWave, waveValue (pick (6)));
                pair.set (l + lfoRate, (float) pick (100) / 100.0f);
                pair.set (l + lfoRateTimes100, pick (3) == 0 ? 1.0f : 0.0f);
                pair.set (l + lfoSync, pick (3) == 0 ? 1.0f : 0.0f);
                pair.set (l + lfoSyncedRate, (float) pick (100) / 100.0f);

                // Delay times change on every line, used or not, so that all of them glide.
                pair.set (delayBase (k) + delayTime, (float) (1 + pick (100)) / 100.0f);
            }

            for (int n = pick (4); n > 0; --n)
            {
                const int k = 1 + pick (4);
                switch (pick (5))
                {
                    case 0:
                        pair.set (delayBase (k) + delayInput, sourceValue (anySource()));
                        pair.set (delayBase (k) + delayFeedbackInput, sourceValue (sourceDelay1 + k - 1));
                        break;
                    case 1:
                        pair.set (delayBase (k) + delayTimeModSource, sourceValue (anySource()));
                        pair.set (delayBase (k) + delayTimeModDepth, (float) pick (100) / 100.0f);
                        pair.set (delayBase (k) + delaySync, (float) pick (2));
                        break;
                    case 2:
                        pair.set (mixerBase (k) + mixerMode, modeValue (pick (5)));
                        pair.set (mixerBase (k) + mixerInputA, sourceValue (anySource()));
                        pair.set (mixerBase (k) + mixerInputB, sourceValue (anySource()));
                        pair.set (mixerBase (k) + mixerControlModSource, sourceValue (anySource()));
                        pair.set (mixerBase (k) + mixerControlModDepth, (float) pick (100) / 100.0f);
                        break;
                    case 3:
                        pair.set (lfoBase (k) + lfoRateModSource, sourceValue (anySource()));
                        pair.set (lfoBase (k) + lfoRateModDepth, (float) pick (100) / 100.0f);
                        break;
                    default:
                        pair.set (outInputSource, sourceValue (pick (2) == 0 ? sourceMixer1 + k - 1 : anySource()));
                        pair.set (dryWetModSource, sourceValue (anySource()));
                        pair.set (dryWetModDepth, (float) pick (100) / 100.0f);
                        break;
                }
            }

            pair.playHead.mode = TestPlayHead::Mode::tempo;
            pair.playHead.bpm = pick (4) == 0 ? 20000.0 + (double) pick (200000) : 40.0 + (double) pick (200);

            for (int block = 0; block < 8; ++block)
                ASSERT_TRUE (runBlock (pair, rng, pick (2) == 0 ? 4096 : 1 + pick (1500), noMidi, pick (3) == 0 ? 4 : 0))
                    << "rate " << setup.rate << ", patch " << patch << ", block " << block;
        }
    }
}

// A host may hand a stereo instance buffers of one channel now and then. What the engine found of
// its lines for one channel count (stereo lines that step as one, idle lines that move together,
// silent lines) must not carry over to the other.
TEST (SignalGraphDifferential, BuffersWhoseChannelCountChangesMatchTheReferenceModel)
{
    using namespace ParameterIndex;
    std::mt19937 rng (4711);
    auto pick = [&] (int n) { return (int) (rng() % (unsigned) n); };
    Pair pair (48000.0, 2, 2);
    const juce::MidiBuffer noMidi;

    for (int patch = 0; patch < 6; ++patch)
    {
        resetPatch (pair);

        // Idle lines at different delays, and now and then a second line that runs.
        for (int k = 1; k <= 4; ++k)
            pair.set (delayBase (k) + delayTime, (float) (1 + pick (4)) / 10.0f);

        if (pick (2) == 0)
            pair.set (delayBase (2 + pick (3)) + delayInput, sourceValue (pick (2) == 0 ? sourceInput : sourceLfo1));

        for (int block = 0; block < 24; ++block)
        {
            juce::AudioSampleBuffer input (1 + pick (2), pick (2) == 0 ? 32 : 1 + pick (700));

            for (int c = 0; c < input.getNumChannels(); ++c)
                for (int s = 0; s < input.getNumSamples(); ++s)
                    input.setSample (c, s, block < 12 ? randomInput (rng, 4) : 0.0f);

            ASSERT_TRUE (runInput (pair, input, noMidi)) << "patch " << patch << ", block " << block
                                                         << ", channels " << input.getNumChannels();
        }
    }
}

// A tempo change moves a synced LFO's rate with no parameter moving: at a tempo no song has, its
// phase steps past the table and must be wrapped again, sample by sample.
TEST (SignalGraphDifferential, ATempoThatTakesASyncedLfoPastItsTableMatchesTheReferenceModel)
{
    using namespace ParameterIndex;
    std::mt19937 rng (99);
    Pair pair (48000.0, 2, 2);
    const juce::MidiBuffer noMidi;
    pair.set (lfoBase (1) + lfoSync, 1.0f);
    pair.set (lfoBase (1) + lfoSyncedRate, 1.0f);
    pair.set (outInputSource, sourceValue (sourceLfo1));
    pair.set (dryWet, 1.0f);
    pair.playHead.mode = TestPlayHead::Mode::tempo;

    for (double bpm : { 120.0, 5.0e6, 120.0, 4.0e7 })
    {
        pair.playHead.bpm = bpm;

        for (int block = 0; block < 6; ++block)
            ASSERT_TRUE (runBlock (pair, rng, 32, noMidi, 0)) << bpm << " bpm, block " << block;
    }
}

// MIDI at random sample positions: controllers that follow learned bindings, learn with armed
// parameters, program changes, events at and past the block's end. Bindings, values and requests
// must come out the same as well as the audio.
TEST (SignalGraphDifferential, MidiControlLearnAndProgramChangesMatchTheReferenceModel)
{
    std::mt19937 rng (4711);

    for (const double rate : { 44100.0, 96000.0 })
    {
        Pair pair (rate, 2, 2);

        for (int patch = 0; patch < 6; ++patch)
        {
            randomisePatch (pair, rng);

            // Some bindings to start from; controllers 0..15 only, so that they meet.
            for (int n = 0; n < 6; ++n)
            {
                const int index = (int) (rng() % 98);
                const int cc = (int) (rng() % 16);
                pair.engine.parameters.getUnchecked (index)->setMidiCC (cc);
                pair.modelParameter (index).midiController = cc;
            }

            for (int block = 0; block < 16; ++block)
            {
                const bool learning = rng() % 2 == 0;
                pair.engine.midiLearnActive = learning;
                pair.model.midiLearnActive = learning;

                for (int n = (int) (rng() % 3); n > 0; --n)
                {
                    const int index = (int) (rng() % 98);
                    pair.engine.parameters.getUnchecked (index)->setLearnArmed (true);
                    pair.modelParameter (index).learnArmed = true;
                }

                const int numSamples = randomBlockSize (rng);
                juce::MidiBuffer midi;

                for (int n = (int) (rng() % 8); n > 0; --n)
                {
                    const int position = numSamples > 0 ? (int) (rng() % (unsigned) (numSamples + 2)) : (int) (rng() % 2);
                    const int channel = 1 + (int) (rng() % 16);

                    if (rng() % 5 == 0)
                        midi.addEvent (juce::MidiMessage::programChange (channel, (int) (rng() % 128)), position);
                    else if (rng() % 9 == 0)
                        midi.addEvent (juce::MidiMessage::noteOn (channel, 60, (juce::uint8) 100), position);
                    else
                        midi.addEvent (juce::MidiMessage::controllerEvent (channel, (int) (rng() % 16),
                                                                           (int) (rng() % 128)), position);
                }

                ASSERT_TRUE (runBlock (pair, rng, numSamples, midi, 0)) << "patch " << patch << ", block " << block;

                for (int i = 0; i < 98; ++i)
                {
                    const auto& a = *pair.engine.parameters.getUnchecked (i);
                    const auto& b = pair.modelParameter (i);
                    ASSERT_TRUE (sameBits (a.getNormalised(), b.normalised)) << "parameter " << i;
                    ASSERT_TRUE (sameBits (a.getReal(), b.real)) << "parameter " << i;
                    ASSERT_EQ (a.getMidiCC(), b.midiController) << "parameter " << i;
                    ASSERT_EQ (a.isLearnArmed(), b.learnArmed) << "parameter " << i;
                }

                ASSERT_EQ (pair.engine.programChangePending.load(), pair.model.programChangePending);
                if (pair.model.programChangePending)
                {
                    ASSERT_EQ (pair.engine.programChangeIndex.load(), pair.model.programChangeIndex);
                }

                pair.engine.updateLastMovedDisplay();
                if (pair.model.lastMovedParameterName.isNotEmpty())
                {
                    ASSERT_EQ (pair.engine.lastParamName, pair.model.lastMovedParameterName);
                }
            }
        }
    }
}
