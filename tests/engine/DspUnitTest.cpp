#include "KivMixer.h"
#include "Lfo.h"
#include "SyncDelayNoFeed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using mordwickLib::Lfo;
using mordwickLib::SyncDelayNoFeed;

// ---------------------------------------------------------------------------------------------- LFO

TEST (Lfo, TablesHoldTheirWaveforms)
{
    Lfo lfo;
    EXPECT_EQ (lfo.sineTable[0], 0.0f);
    EXPECT_EQ (lfo.sineTable[256], (float) std::sin ((double) (256.0f * 0.0061359233f)));
    EXPECT_NEAR (lfo.sineTable[256], 1.0f, 1e-6f);
    EXPECT_NEAR (lfo.sineTable[768], -1.0f, 1e-6f);

    EXPECT_EQ (lfo.squareTable[511], 1.0f);
    EXPECT_EQ (lfo.squareTable[512], -1.0f);

    EXPECT_EQ (lfo.sawUpTable[0], -1.0f);
    EXPECT_EQ (lfo.sawUpTable[512], 0.0f);
    EXPECT_LT (lfo.sawUpTable[1023], 1.0f);
    EXPECT_EQ (lfo.sawDownTable[0], 1.0f);
    EXPECT_GT (lfo.sawDownTable[1023], -1.0f);

    EXPECT_EQ (lfo.triangleTable[0], -1.0f);
    EXPECT_NEAR (lfo.triangleTable[511], 0.996f, 1e-3f);
    EXPECT_EQ (lfo.triangleTable[512], 1.0f);
    EXPECT_NEAR (lfo.triangleTable[1023], -0.996f, 1e-3f);

    for (int i = 0; i < 1024; ++i)
    {
        EXPECT_GE (lfo.randomTable[i], -1.0f);
        EXPECT_LT (lfo.randomTable[i], 1.0f);
    }
}

TEST (Lfo, RandomTablesDifferBetweenInstances)
{
    Lfo a, b;
    int same = 0;
    for (int i = 0; i < 1024; ++i)
        same += a.randomTable[i] == b.randomTable[i] ? 1 : 0;
    EXPECT_LT (same, 10);
}

TEST (Lfo, FirstSampleIsEntryZeroOfTheSelectedWave)
{
    const float expected[] = { 0.0f, 1.0f, -1.0f, 1.0f, -1.0f };
    for (int wave = 0; wave < 5; ++wave)
    {
        Lfo lfo;
        lfo.wave = wave;
        lfo.phaseIncrement = 10.0f;
        EXPECT_EQ (lfo.getSample (false), expected[wave]) << wave;
        EXPECT_EQ (lfo.phase, 10.0f);
    }

    Lfo lfo;
    lfo.wave = 7;
    EXPECT_EQ (lfo.getSample (false), 0.0f);
}

TEST (Lfo, SampleAndHoldStepsOncePerCycle)
{
    Lfo lfo;
    lfo.wave = 5;
    lfo.phaseIncrement = 256.0f;  // four calls a cycle

    // Index 0 lies below the initial previous index 1023: the first value is already entry 1.
    std::vector<float> values;
    for (int i = 0; i < 12; ++i)
        values.push_back (lfo.getSample (false));

    for (int i = 0; i < 12; ++i)
        EXPECT_EQ (values[(size_t) i], lfo.randomTable[i / 4 + 1]) << i;
}

TEST (Lfo, SampleAndHoldWrapsThroughTheRandomTable)
{
    Lfo lfo;
    lfo.wave = 5;
    lfo.phaseIncrement = 512.0f;
    lfo.holdIndex = 1022;
    lfo.getSample (false);                    // steps to 1023
    lfo.getSample (false);
    EXPECT_EQ (lfo.getSample (false), lfo.randomTable[0]);
    EXPECT_EQ (lfo.holdIndex, 0);
}

TEST (Lfo, HoldIndexOnlyMovesWithSampleAndHold)
{
    Lfo lfo;
    lfo.phaseIncrement = 300.0f;
    for (int i = 0; i < 50; ++i)
        lfo.getSample (false);
    EXPECT_EQ (lfo.holdIndex, 0);
}

TEST (Lfo, ZeroRateHoldsTheOutput)
{
    Lfo lfo;
    lfo.wave = 5;
    lfo.phaseIncrement = 0.0f;
    const float first = lfo.getSample (false);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ (lfo.getSample (false), first);
}

TEST (Lfo, PhaseWrapsToZeroNotToTableSize)
{
    Lfo lfo;
    lfo.phaseIncrement = 1024.0f;
    lfo.getSample (false);
    EXPECT_EQ (lfo.phase, 0.0f);

    lfo.phaseIncrement = 1.5f;
    lfo.phase = 1023.0f;
    lfo.getSample (false);
    EXPECT_EQ (lfo.phase, 0.5f);
}

TEST (Lfo, IndexStaysInsideTheTableForAnyIncrement)
{
    for (float increment : { 1023.9f, 1024.0f, 2500.0f, 92.88f * 1000.0f, 3.0e9f, INFINITY, NAN })
    {
        Lfo lfo;
        lfo.wave = 1;
        lfo.phaseIncrement = increment;
        for (int i = 0; i < 1000; ++i)
        {
            const float v = lfo.getSample (false);
            ASSERT_TRUE (v == 1.0f || v == -1.0f) << increment;
            ASSERT_GE (lfo.phase, 0.0f);
            ASSERT_LT (lfo.phase, 1024.0f);
        }
    }
}

TEST (Lfo, ResetRestartsThePhaseAndTheHold)
{
    Lfo lfo;
    lfo.wave = 5;
    lfo.phaseIncrement = 100.0f;
    for (int i = 0; i < 40; ++i)
        lfo.getSample (false);
    lfo.getSample (true);
    EXPECT_EQ (lfo.phase, 100.0f);
    EXPECT_EQ (lfo.holdIndex, 1);  // as after construction: index 0 lies below N - 1
    EXPECT_EQ (lfo.previousIndex, 0);
}

// ---------------------------------------------------------------------------------------- Delay line

namespace
{
float feed (SyncDelayNoFeed& line, float input, float feedback = 0.0f)
{
    return line.process (&input, feedback);
}

SyncDelayNoFeed& withDelay (SyncDelayNoFeed& line, int length, float delay)
{
    line.resizeRing (length);
    line.targetDelay = delay;
    line.currentDelay = delay;
    line.glideLength = 0;
    return line;
}
} // namespace

TEST (DelayLine, DelayOfOneReturnsTheSampleJustWritten)
{
    SyncDelayNoFeed line;
    withDelay (line, 16, 1.0f).feedbackGain = 0.5f;
    EXPECT_EQ (feed (line, 0.25f, 0.5f), 0.5f);
    EXPECT_EQ (feed (line, -0.125f, 0.0f), -0.125f);
}

TEST (DelayLine, FractionalDelayInterpolatesBetweenNeighbours)
{
    SyncDelayNoFeed line;
    withDelay (line, 64, 2.25f);
    for (int i = 0; i < 10; ++i)
        feed (line, (float) i);
    // Input k was written k calls ago; D = 2.25 reads 1.25 calls back: between 9 - 1 and 9 - 2.
    EXPECT_FLOAT_EQ (feed (line, 10.0f), 10.0f - 1.25f);
}

TEST (DelayLine, IntegerDelayIsOneCallShorterThanItsLengthEverywhereInTheRing)
{
    // The read position wraps by the full length: D always returns the input of D - 1 calls ago,
    // also while the write index is below D and across every pass through the ring.
    const int length = 50;
    const int delay = 7;
    SyncDelayNoFeed line;
    withDelay (line, length, (float) delay);

    std::vector<float> inputs;
    for (int call = 0; call < 5 * length; ++call)
    {
        const float x = (float) (call + 1);
        inputs.push_back (x);
        const float y = feed (line, x);
        const int source = call - (delay - 1);
        ASSERT_EQ (y, source >= 0 ? inputs[(size_t) source] : 0.0f) << "call " << call;
    }
}

TEST (DelayLine, ReadPositionStaysInsideTheRing)
{
    SyncDelayNoFeed line;
    withDelay (line, 576002, 2880.5f);
    for (int i = 0; i < 576002 + 10; ++i)
    {
        feed (line, 0.5f);
        ASSERT_GE (line.readPosition, 0.0f);
        ASSERT_LT (line.readPosition, 576002.0f);
    }
}

TEST (DelayLine, SumThatRoundsUpToTheLengthReadsEntryZero)
{
    // Floats near 576,002 are 1/16 apart: 1 - (1 + 1/64) + L rounds to exactly L.
    const int length = 576002;
    SyncDelayNoFeed line;
    withDelay (line, length, 1.0f + 1.0f / 64.0f);
    line.ringBuffer[0] = 0.75f;
    line.ringBuffer[length - 1] = -0.5f;
    line.writeIndex = 0;  // advances to 1 before reading: r = 1 - 1.015625 < 0

    const float y = feed (line, 0.75f);  // writes entry 0 again
    EXPECT_EQ (line.readPosition, 0.0f);
    EXPECT_FLOAT_EQ (y, 0.75f);
}

TEST (DelayLine, LastEntryInterpolatesTowardEntryZero)
{
    const int length = 8;
    SyncDelayNoFeed line;
    withDelay (line, length, 1.5f);
    line.ringBuffer[length - 1] = 1.0f;
    // After writing entry 0 the write index is 1: r = 1 - 1.5 + 8 = 7.5, between entry 7 and entry 0.
    EXPECT_FLOAT_EQ (feed (line, 3.0f), 0.5f * (3.0f - 1.0f) + 1.0f);
}

TEST (DelayLine, GlideMovesTowardTheTargetAndStopsWithinOneStepPastIt)
{
    SyncDelayNoFeed line;
    withDelay (line, 1000, 10.0f);
    line.targetDelay = 13.0f;
    line.glideLength = 4;
    line.glideStep = 0.8f;

    feed (line, 0.0f);
    EXPECT_FLOAT_EQ (line.currentDelay, 10.8f);
    for (int i = 0; i < 10; ++i)
        feed (line, 0.0f);
    EXPECT_GT (line.currentDelay, 13.0f);
    EXPECT_LT (line.currentDelay, 13.0f + 0.8f);
    const float stopped = line.currentDelay;
    feed (line, 0.0f);
    EXPECT_EQ (line.currentDelay, stopped);

    // Downward as well.
    line.targetDelay = 5.0f;
    line.glideStep = -2.0f;
    for (int i = 0; i < 10; ++i)
        feed (line, 0.0f);
    EXPECT_LT (line.currentDelay, 5.0f);
    EXPECT_GT (line.currentDelay, 3.0f);
}

// A glide whose last step would pass the target out of the ring stops at the ring's end, or on its
// target below the ring's start; a ring shrunk by a new rate takes the delay in with it.
TEST (DelayLine, TheDelayNeverLeavesTheRing)
{
    struct Case { float current, target, step, end; };
    const Case cases[] = {
        { 10.0f, 999.0f, 99.5f, 1000.0f },   // the 10th step would reach 1005
        { 990.0f, 0.5f, -99.0f, 0.5f },      // the 10th step would reach 0
        { 10.0f, 999.75f, 99.0f, 1000.0f },  // the 10th step reaches the ring's end exactly
    };

    for (const auto& c : cases)
    {
        SyncDelayNoFeed line;
        withDelay (line, 1000, c.current);
        line.targetDelay = c.target;
        line.glideLength = 10;
        line.glideStep = c.step;

        for (int i = 0; i < 30; ++i)
        {
            feed (line, 0.0f);
            ASSERT_GT (line.currentDelay, 0.0f) << "from " << c.current << ", call " << i;
            ASSERT_LE (line.currentDelay, 1000.0f) << "from " << c.current << ", call " << i;
        }

        EXPECT_EQ (line.currentDelay, c.end) << "from " << c.current;
    }

    SyncDelayNoFeed line;
    withDelay (line, 529201, 529200.0f);
    line.followSampleRate (22050.0);
    EXPECT_EQ (line.ringLength, 264601);
    EXPECT_EQ (line.currentDelay, 264601.0f);
}

TEST (DelayLine, NoGlideWhenGlideLengthIsZero)
{
    SyncDelayNoFeed line;
    withDelay (line, 1000, 10.0f);
    line.targetDelay = 50.0f;
    line.glideStep = 1.0f;
    for (int i = 0; i < 5; ++i)
        feed (line, 0.0f);
    EXPECT_EQ (line.currentDelay, 10.0f);
}

TEST (DelayLine, ClearSilencesTheRingButKeepsTheDelay)
{
    SyncDelayNoFeed line;
    withDelay (line, 100, 20.0f);
    line.targetDelay = 30.0f;
    for (int i = 0; i < 100; ++i)
        feed (line, 1.0f);
    line.clear();
    EXPECT_EQ (line.writeIndex, 0);
    EXPECT_EQ (line.readPosition, 0.0f);
    EXPECT_EQ (line.currentDelay, 20.0f);
    EXPECT_EQ (line.targetDelay, 30.0f);

    // Silent until the first new sample reaches the read position, D - 1 calls later.
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ (feed (line, 1.0f), 0.0f) << i;
    EXPECT_EQ (feed (line, 1.0f), 1.0f);
}

// -------------------------------------------------------------------------------------------- Mixer

TEST (Mixer, ModesAndCoefficients)
{
    KivMixer mixer;

    mixer.setMode (0);
    mixer.setValue (0.25f);
    EXPECT_FLOAT_EQ (mixer.process (1.0f, 0.5f, 0), 0.75f * 1.0f + 0.5f * 0.25f);

    mixer.setMode (1);
    mixer.setValue (0.9f);
    EXPECT_EQ (mixer.process (0.5f, -0.5f, 1), -0.25f);

    mixer.setMode (2);
    mixer.setValue (0.5f);
    EXPECT_EQ (mixer.process (0.3f, 1.0f, 0), 0.3f);
    mixer.setValue (1.0f);
    EXPECT_EQ (mixer.process (0.3f, 1.0f, 0), 0.6f);

    mixer.setMode (4);
    mixer.setValue (0.1f);
    EXPECT_EQ (mixer.process (0.3f, 0.7f, 0), 0.3f);
    EXPECT_EQ (mixer.process (0.3f, 0.7f, 1), 0.7f);

    mixer.setMode (9);
    EXPECT_EQ (mixer.process (0.3f, 0.7f, 0), 0.0f);
    EXPECT_EQ (mixer.lastOutput, 0.0f);
}

TEST (Mixer, DampIsAOnePoleLowPassStartingFromTheLastOutput)
{
    KivMixer mixer;
    mixer.setMode (2);
    mixer.setValue (0.5f);
    mixer.process (0.8f, 0.0f, 0);  // last output 0.8

    mixer.setMode (3);
    mixer.setValue (0.0f);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ (mixer.process (0.1f * (float) i, 0.0f, 0), 0.8f);  // held

    mixer.setValue (1.0f);
    EXPECT_EQ (mixer.process (-0.4f, 0.0f, 0), -0.4f);

    mixer.setValue (0.5f);  // coefficient 0.25
    EXPECT_FLOAT_EQ (mixer.process (1.0f, 0.0f, 0), 0.75f * -0.4f + 0.25f);

    mixer.reset();
    mixer.setValue (0.0f);
    EXPECT_EQ (mixer.process (1.0f, 0.0f, 0), 0.0f);
}

TEST (Mixer, SetModeKeepsTheCoefficientUntilTheNextValue)
{
    KivMixer mixer;
    mixer.setMode (3);
    mixer.setValue (0.5f);
    EXPECT_EQ (mixer.coefficient, 0.25f);
    mixer.setMode (2);
    EXPECT_EQ (mixer.coefficient, 0.25f);
    mixer.setValue (0.5f);
    EXPECT_EQ (mixer.coefficient, 1.0f);

    mixer.setMode (11);
    mixer.setValue (0.2f);
    EXPECT_EQ (mixer.coefficient, 1.0f);
    EXPECT_EQ (mixer.value, 0.2f);
}

TEST (DelayLine, FollowingANewRateScalesTheRingAndTheGlide)
{
    SyncDelayNoFeed line;
    line.resizeRing (529201);
    line.ringBuffer[3] = 1.0f;
    line.glideLength = 11025;
    line.currentDelay = 100.0f;
    line.targetDelay = 441.0f;

    line.followSampleRate (48000.0);
    EXPECT_EQ (line.ringLength, 576002);
    EXPECT_EQ (line.ringBuffer[3], 0.0f);
    EXPECT_EQ (line.glideLength, 12000);
    EXPECT_FLOAT_EQ (line.glideStep, 341.0f / 12000.0f);
    EXPECT_EQ (line.targetDelay, 441.0f);

    line.ringBuffer[3] = 1.0f;
    line.followSampleRate (48000.0);  // the same rate changes nothing
    EXPECT_EQ (line.ringBuffer[3], 1.0f);

    line.glideLength = 0;
    line.followSampleRate (44100.0);
    EXPECT_EQ (line.ringLength, 529202);
    EXPECT_EQ (line.currentDelay, line.targetDelay);
}
