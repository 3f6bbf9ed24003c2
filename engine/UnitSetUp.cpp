// The units in the signal graph: taken in from the unit objects, set up for each block, and copied
// back to them. The graph holds their state from block to block; the unit objects get it where it
// is read or changed outside a block.
#include "VarluneAudioProcessor.h"

#include "SignalGraph.h"

using mordwickLib::SyncDelayNoFeed;

namespace
{
// The units of a family (0: delays, 1: LFOs, 2: mixers) to set up: all of them once anything
// moved, else those whose modulation moved them within the last block.
uint32_t unitsToSetUp (const SignalGraph& g, bool setUpMoved, int family) noexcept
{
    constexpr uint32_t all = (1u << SignalGraph::numUnits) - 1u;
    return setUpMoved ? all : g.modulatedUnits >> (family * SignalGraph::numUnits) & all;
}
} // namespace

void VarluneAudioProcessor::loadUnitsIntoGraph() noexcept
{
    SignalGraph& g = *graph;

    for (int k = 0; k < numUnits; ++k)
    {
        for (int c = 0; c < numChannels; ++c)
        {
            const auto& line = *delayLines[k].getUnchecked (c);
            g.delay[k].line[c] = { line.ringBuffer, line.ringLength, (float) line.ringLength,
                                   line.writeIndex, line.currentDelay,
                                   line.targetDelay, line.glideStep, line.feedbackGain, line.glideLength,
                                   (double) (float) line.sampleRate };
            g.readPosition[k][c] = line.readPosition;

            const auto& mixer = *mixers[k].getUnchecked (c);
            g.mixer[k].value[c] = mixer.value;
            g.mixer[k].coefficient[c] = mixer.coefficient;
            g.mixer[k].last[c] = mixer.lastOutput;
        }

        const auto& lfo = *lfos.getUnchecked (k);
        g.lfo[k].wave = lfo.wave;
        g.lfo[k].table = lfo.wave >= 0 && lfo.wave < waveSampleAndHold ? lfo.getTable (lfo.wave) : nullptr;
        g.lfo[k].randomTable = lfo.randomTable.get();
        g.lfo[k].previousIndex = lfo.previousIndex;
        g.lfo[k].holdIndex = lfo.holdIndex;
        g.lfo[k].tableSize = lfo.tableSize;
        g.lfo[k].size = (float) lfo.tableSize;
        g.lfo[k].phase = lfo.phase;
        g.lfo[k].increment = lfo.phaseIncrement;
        g.lfo[k].incrementPerHz = (float) lfo.tableSize / (float) lfo.sampleRate;
        g.lfo[k].rate = lfo.rate;
        g.mixer[k].mode = mixers[k].getUnchecked (0)->mode;
    }

    g.readPositionsDue = 0;
    g.lfosOwing = 0;
    g.framesOwed = 0;
    g.runsKnown = false;
}

bool VarluneAudioProcessor::loadUnitsIntoGraphIfChanged() noexcept
{
    if (! unitsChangedOutsideGraph)
        return false;

    loadUnitsIntoGraph();
    unitsChangedOutsideGraph = false;
    return true;
}

void VarluneAudioProcessor::prepareDelayLines (bool setUpMoved) noexcept
{
    SignalGraph& g = *graph;
    const int glide = (int) (sampleRate * 0.25);

    // Without a glide the lines move here, away from where the last block left them.
    if (glide == 0)
        takeReadPositions (g);

    // A target moves with the settings, the tempo and the rate, and under modulation.
    forEachBit (unitsToSetUp (g, setUpMoved, 0), [&] (int k)
    {
        g.delay[k].synced = delaySync[k];

        for (auto& line : g.delay[k].line)
        {
            line.gain = delayFeedback[k] * 0.96f;
            const float samples = delaySync[k] ? lanes::msToSamples (wholeNoteMs / delaySyncedDivision[k], line.rate)
                                               : lanes::msToSamples (delayTimeMs[k], line.rate);
            line.target = SyncDelayNoFeed::targetInRing (samples, line.target, line.lengthF);
        }
    });

    // The geometric glide takes a new step every block, even with nothing moved.
    for (auto& unit : g.delay)
    {
        for (auto& line : unit.line)
        {
            line.glideLength = glide;

            if (glide == 0)
                line.current = line.target;
            else
                line.step = (line.target - line.current) / (float) glide;
        }
    }
}

void VarluneAudioProcessor::prepareLfos (bool setUpMoved) noexcept
{
    SignalGraph& g = *graph;

    // A modulated rate has moved within the last block: it starts again from its setting.
    forEachBit (unitsToSetUp (g, setUpMoved, 1), [&] (int k)
    {
        auto& lfo = g.lfo[k];

        if (lfoWave[k] >= 0 && lfoWave[k] < numLfoWaves)
        {
            lfo.wave = lfoWave[k];
            lfo.table = lfo.wave < waveSampleAndHold ? lfos.getUnchecked (k)->getTable (lfo.wave) : nullptr;
        }

        if (lfoSync[k])
            lfo.rate = 1000.0f / (wholeNoteMs / lfoSyncedDivision[k]);
        else
            lfo.rate = lfoRateTimes100[k] ? lfoRate[k] * 100.0f : lfoRate[k];

        lfo.increment = lfo.incrementPerHz * lfo.rate;
        lfo.synced = lfoSync[k];
        lfo.times100 = lfoRateTimes100[k];
    });
}

void VarluneAudioProcessor::prepareMixers (bool setUpMoved) noexcept
{
    SignalGraph& g = *graph;

    // A modulated control value has moved within the last block: it starts again from its setting.
    forEachBit (unitsToSetUp (g, setUpMoved, 2), [&] (int k)
    {
        auto& mixer = g.mixer[k];
        mixer.mode = mixerMode[k];

        for (int c = 0; c < numChannels; ++c)
        {
            mixer.value[c] = mixerControl[k];
            mixer.coefficient[c] = KivMixer::coefficientFor (mixer.mode, mixerControl[k], mixer.coefficient[c]);
        }
    });
}

void VarluneAudioProcessor::copyGraphStateToUnits() noexcept
{
    // Before the first block, and after the units changed, the graph holds nothing newer.
    if (unitsChangedOutsideGraph)
        return;

    SignalGraph& g = *graph;
    takeReadPositions (g);
    catchUpPassiveLfos (g);

    for (int c = 0; c < numChannels; ++c)
    {
        inputSample[c] = g.source[sourceInput][c];

        for (int k = 0; k < numUnits; ++k)
        {
            delayOutput[k][c] = g.source[sourceDelay1 + k][c];
            mixerOutput[k][c] = g.source[sourceMixer1 + k][c];

            auto& line = *delayLines[k].getUnchecked (c);
            const auto& local = g.delay[k].line[c];
            line.writeIndex = local.write;
            line.currentDelay = local.current;
            line.targetDelay = local.target;
            line.glideStep = local.step;
            line.feedbackGain = local.gain;
            line.glideLength = local.glideLength;

            line.readPosition = g.readPosition[k][c];

            auto& mixer = *mixers[k].getUnchecked (c);
            mixer.mode = g.mixer[k].mode;
            mixer.value = g.mixer[k].value[c];
            mixer.coefficient = g.mixer[k].coefficient[c];
            mixer.lastOutput = g.mixer[k].last[c];
        }
    }

    for (int k = 0; k < numUnits; ++k)
    {
        auto& lfo = *lfos.getUnchecked (k);
        lfoOutput[k] = g.source[sourceLfo1 + k][0];
        lfo.wave = g.lfo[k].wave;
        lfo.phase = g.lfo[k].phase;
        lfo.phaseIncrement = g.lfo[k].increment;
        lfo.rate = g.lfo[k].rate;
        lfo.previousIndex = g.lfo[k].previousIndex;
        lfo.holdIndex = g.lfo[k].holdIndex;
    }

    dryWet = g.dryWet;
}
