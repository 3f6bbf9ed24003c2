// Block processing: the frame around the signal graph. Once per block the parameters are taken
// into the cached settings and the units set up (UnitSetUp.cpp); then the graph runs
// (SignalGraph.h), in segments between the sample positions of MIDI events.
#include "VarluneAudioProcessor.h"

#include "SignalGraph.h"
#include "StretchPlanner.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
using namespace ParameterIndex;

// Delay times in a tempo-synced whole note longer than this are not tempos: with them a synced
// target could overflow to infinity and never be halved into the ring.
constexpr float longestWholeNoteMs = 1.0e30f;

inline bool isPositiveZero (float x) noexcept
{
    uint32_t bits;
    std::memcpy (&bits, &x, sizeof (bits));
    return bits == 0;
}
} // namespace

static_assert (SignalGraph::numUnits == VarluneAudioProcessor::numUnits
                && SignalGraph::numChannels == VarluneAudioProcessor::numChannels, "one graph state per unit and channel");

float VarluneAudioProcessor::getModulatedValue (const mordwickLib::PluginParameter& parameter,
                                                float sourceValue, float depth) noexcept
{
    Modulation modulation;
    modulation.setTarget (parameter, depth);
    return modulation.apply (sourceValue);
}

void VarluneAudioProcessor::processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi)
{
    const int numInputs = getTotalNumInputChannels();
    const int numOutputs = getTotalNumOutputChannels();
    const int numSamples = buffer.getNumSamples();

    {
        const juce::ScopedNoDenormals noDenormals;

        // The graph keeps the units' state from block to block; it takes it from the units again
        // only after they were changed outside a block (a new rate, cleared lines, PANIC's rings).
        const bool swapped = swapInSilentRingsIfRequested();
        const bool reloaded = loadUnitsIntoGraphIfChanged() || swapped;

        handlePendingProgramChange();

        // The graph writes the dry/wet value back, so that one is always taken again.
        const uint32_t stores = parameterStores.load (std::memory_order_acquire);
        const bool settingsMoved = stores != storesAtSnapshot;

        if (settingsMoved)
        {
            takeParameterSnapshot();
            storesAtSnapshot = stores;
        }
        else
        {
            dryWet = parameters.getUnchecked (ParameterIndex::dryWet)->getNormalised();
        }

        updateTempo();

        // Unit set-up that no setting, tempo or rate moved gives what it gave in the last block.
        const bool setUpMoved = reloaded || settingsMoved || wholeNoteMs != wholeNoteMsAtSetUp;
        wholeNoteMsAtSetUp = wholeNoteMs;

        // LFOs that owe frames advance them at the increment they had; the lines' timing and the
        // LFOs' bounds are looked at again.
        if (setUpMoved)
        {
            catchUpPassiveLfos (*graph);
            graph->checksStand = false;
        }

        prepareDelayLines (setUpMoved);
        prepareLfos (setUpMoved);
        prepareMixers (setUpMoved);

        graph->outLevel = outInputLevel;
        graph->outGain = outGainFactor;
        graph->dryWet = dryWet;
        graph->wholeNoteMs = wholeNoteMs;

        // State exists for two channels; further input channels are left as they are.
        const int channels = std::min ({ numInputs, (int) numChannels, buffer.getNumChannels() });

        if (channels > 0 && numSamples > 0)
            runSignalGraph (buffer, midi, numSamples, channels, stores);
    }

    for (int c = std::max (numInputs, 0); c < std::min (numOutputs, buffer.getNumChannels()); ++c)
        buffer.clear (c, 0, numSamples);
}

void VarluneAudioProcessor::handlePendingProgramChange()
{
    // Only the index goes on: the message thread builds the path and reads the file.
    if (programChangePending.exchange (false, std::memory_order_acq_rel))
        postPresetLoad (programChangeIndex.load (std::memory_order_relaxed));
}

void VarluneAudioProcessor::takeParameterSnapshot() noexcept
{
    auto real = [this] (int index) { return parameters.getUnchecked (index)->getReal(); };
    auto normalised = [this] (int index) { return parameters.getUnchecked (index)->getNormalised(); };
    auto isOn = [&] (int index) { return (int) real (index) != 0; };

    for (int k = 0; k < numUnits; ++k)
    {
        const int delayParams = delayBase (k + 1);
        delayTimeMs[k] = real (delayParams + delayTime);
        delaySync[k] = isOn (delayParams + ParameterIndex::delaySync);
        delaySyncedDivision[k] = real (delayParams + delayTimeSynced);
        delayFeedback[k] = normalised (delayParams + ParameterIndex::delayFeedback);
        delayInputLevel[k] = normalised (delayParams + ParameterIndex::delayInputLevel);
        delayFeedbackInputLevel[k] = normalised (delayParams + ParameterIndex::delayFeedbackInputLevel);
        delayTimeModSource[k] = toChoice (real (delayParams + ParameterIndex::delayTimeModSource));
        delayTimeModDepth[k] = normalised (delayParams + ParameterIndex::delayTimeModDepth);
    }

    for (int k = 0; k < numUnits; ++k)
    {
        const int lfoParams = lfoBase (k + 1);
        lfoWave[k] = toChoice (real (lfoParams + ParameterIndex::lfoWave));
        lfoRate[k] = real (lfoParams + ParameterIndex::lfoRate);
        lfoSync[k] = isOn (lfoParams + ParameterIndex::lfoSync);
        lfoSyncedDivision[k] = real (lfoParams + lfoSyncedRate);
        lfoRateTimes100[k] = isOn (lfoParams + ParameterIndex::lfoRateTimes100);
        lfoRateModSource[k] = toChoice (real (lfoParams + ParameterIndex::lfoRateModSource));
        lfoRateModDepth[k] = normalised (lfoParams + ParameterIndex::lfoRateModDepth);
    }

    for (int k = 0; k < numUnits; ++k)
    {
        const int mixerParams = mixerBase (k + 1);
        mixerMode[k] = toChoice (real (mixerParams + ParameterIndex::mixerMode));
        mixerControl[k] = normalised (mixerParams + ParameterIndex::mixerControl);
        mixerControlModSource[k] = toChoice (real (mixerParams + ParameterIndex::mixerControlModSource));
        mixerControlModDepth[k] = normalised (mixerParams + ParameterIndex::mixerControlModDepth);
    }

    outInputLevel = normalised (ParameterIndex::outInputLevel);
    dryWet = normalised (ParameterIndex::dryWet);
    dryWetModSource = toChoice (real (ParameterIndex::dryWetModSource));
    dryWetModDepth = normalised (ParameterIndex::dryWetModDepth);
    outGainFactor = std::pow (10.0f, real (outGain) * 0.05f);
}

void VarluneAudioProcessor::updateTempo() noexcept
{
    // Hosts without a tempo report none, 0 or garbage: keep the last usable one then.
    if (auto* playHead = getPlayHead())
    {
        if (const auto position = playHead->getPosition())
        {
            if (const auto hostBpm = position->getBpm())
            {
                const double candidate = *hostBpm;
                const float wholeNote = (60000.0f / (float) candidate) * 4.0f;

                if (candidate > 0.0 && std::isfinite (candidate)
                     && wholeNote > 0.0f && wholeNote <= longestWholeNoteMs)
                    bpm = candidate;
            }
        }
    }

    wholeNoteMs = (60000.0f / (float) bpm) * 4.0f;
}

//==============================================================================
void VarluneAudioProcessor::runSignalGraph (juce::AudioSampleBuffer& buffer, const juce::MidiBuffer& midi,
                                            int numSamples, int numChannelsToProcess, uint32_t stores) noexcept
{
    SignalGraph& g = *graph;

    // Routing and modulation as the parameters stand now.
    auto resolveRouting = [&]
    {
        auto& p = parameters;

        for (int k = 0; k < numUnits; ++k)
        {
            const int delayParams = delayBase (k + 1);
            const bool wasFed = g.delay[k].input != sourceNone || g.delay[k].feedback != sourceNone;
            g.delay[k].input = resolveSelector (*p.getUnchecked (delayParams + delayInput));
            g.delay[k].feedback = resolveSelector (*p.getUnchecked (delayParams + delayFeedbackInput));

            // From here on the line is written +0.
            if (wasFed && g.delay[k].input == sourceNone && g.delay[k].feedback == sourceNone)
                for (int c = 0; c < numChannels; ++c)
                    lastFedAt[k][c] = framesRun[c];

            g.delay[k].inputLevel = delayInputLevel[k];
            g.delay[k].feedbackLevel = delayFeedbackInputLevel[k];
            g.delay[k].mod.resolve (delayTimeModDepth[k] != 0.0f && delayTimeModSource[k] != 0,
                                   *p.getUnchecked (delayParams + ParameterIndex::delayTimeModSource),
                                   *p.getUnchecked (delayParams + (delaySync[k] ? delayTimeSynced : delayTime)),
                                   delayTimeModDepth[k]);

            const int lfoParams = lfoBase (k + 1);
            g.lfo[k].mod.resolve (lfoRateModDepth[k] != 0.0f && lfoRateModSource[k] != 0,
                                 *p.getUnchecked (lfoParams + ParameterIndex::lfoRateModSource),
                                 *p.getUnchecked (lfoParams + (lfoSync[k] ? lfoSyncedRate : ParameterIndex::lfoRate)),
                                 lfoRateModDepth[k]);

            const int mixerParams = mixerBase (k + 1);
            g.mixer[k].inputA = resolveSelector (*p.getUnchecked (mixerParams + mixerInputA));
            g.mixer[k].inputB = resolveSelector (*p.getUnchecked (mixerParams + mixerInputB));
            g.mixer[k].mod.resolve (mixerControlModDepth[k] != 0.0f && mixerControlModSource[k] != 0,
                                   *p.getUnchecked (mixerParams + ParameterIndex::mixerControlModSource),
                                   *p.getUnchecked (mixerParams + ParameterIndex::mixerControl),
                                   mixerControlModDepth[k]);
        }

        g.outSource = resolveSelector (*p.getUnchecked (outInputSource));
        g.dryWetMod.resolve (dryWetModDepth != 0.0f && dryWetModSource != 0,
                             *p.getUnchecked (ParameterIndex::dryWetModSource),
                             *p.getUnchecked (ParameterIndex::dryWet), dryWetModDepth);
        g.modulatedUnits = 0;

        for (int k = 0; k < numUnits; ++k)
            g.modulatedUnits |= (uint32_t) g.delay[k].mod.applies << k | (uint32_t) g.lfo[k].mod.applies << (numUnits + k)
                                 | (uint32_t) g.mixer[k].mod.applies << (2 * numUnits + k);

        ++g.routingsResolved;
    };

    // The delay units whose rings the ring page worker is to ready: all that run, but for those
    // known to hold only +0, which run only until their last output has gone through.
    uint32_t delayUnitsNeedingPages = 0;

    // Which units can be skipped. A skipped unit stays skipped while its routing and the channels
    // stay: nothing reaches it, so its ring, its output and its last output stay +0. Only the units
    // that ran are looked at again then.
    auto resolveRunning = [&]
    {
        const bool all = ! g.runsKnown || g.runsKnownForRouting != g.routingsResolved
                          || g.runsKnownForChannels != numChannelsToProcess;
        g.runsKnown = true;
        g.runsKnownForRouting = g.routingsResolved;
        g.runsKnownForChannels = numChannelsToProcess;

        // A ring known to hold only +0: no inputs, no modulation, and only +0 written for as long
        // as the ring.
        auto ringsClear = [&] (int k)
        {
            bool clear = g.delay[k].input == sourceNone && g.delay[k].feedback == sourceNone
                          && ! g.delay[k].mod.applies;

            for (int c = 0; c < numChannelsToProcess; ++c)
                clear = clear && zeroWrites (k, c) >= g.delay[k].line[c].length;

            return clear;
        };

        // With both inputs at +0 every mode gives +0, "Damp" only once its last output is +0.
        auto mixerIdle = [&] (int k)
        {
            bool idle = g.mixer[k].inputA == sourceNone && g.mixer[k].inputB == sourceNone
                         && ! g.mixer[k].mod.applies;

            for (int c = 0; c < numChannelsToProcess; ++c)
                idle = idle && isPositiveZero (g.source[sourceMixer1 + k][c])
                        && (g.mixer[k].mode != modeDamp || isPositiveZero (g.mixer[k].last[c]));

            return idle;
        };

        uint32_t running = 0;
        uint32_t needingPages = 0;

        forEachBit (all ? (1u << 2 * numUnits) - 1u : g.runningUnits, [&] (int bit)
        {
            if (bit < numUnits)
            {
                // Skipped once its last output is +0 too.
                const bool clear = ringsClear (bit);
                bool silent = clear;

                for (int c = 0; c < numChannelsToProcess; ++c)
                    silent = silent && isPositiveZero (g.source[sourceDelay1 + bit][c]);

                running |= (uint32_t) ! silent << bit;
                needingPages |= (uint32_t) ! clear << bit;
            }
            else
            {
                running |= (uint32_t) ! mixerIdle (bit - numUnits) << bit;
            }
        });

        g.runningUnits = running;
        delayUnitsNeedingPages = needingPages;
    };

    auto runSegment = [&] (int start, int end)
    {
        if (end <= start)
            return;

        float* const* io = buffer.getArrayOfWritePointers();
        const int length = end - start;

        planSegment (g, numChannelsToProcess);
        advancePassiveLfos (g, length);

        const StretchPlan* plan = stretchesEnabled ? stretchPlanner->planFor (g, numChannelsToProcess) : nullptr;

        if (plan != nullptr)
            runStretches (g, *plan, io, start, end, numChannelsToProcess);
        else
            runFrames (g, io, start, end, numChannelsToProcess);

        finishSegment (g, length);

        for (int c = 0; c < numChannelsToProcess; ++c)
            framesRun[c] += length;
    };

    if (stores != storesAtRouting)
    {
        resolveRouting();
        storesAtRouting = stores;
    }

    resolveRunning();

    // A block without MIDI is one segment.
    if (midi.isEmpty())
    {
        runSegment (0, numSamples);
    }
    else
    {
        auto event = midi.findNextSamplePosition (0);
        const auto end = midi.cend();
        int position = 0;

        while (position < numSamples)
        {
            // The next sample with events to handle, or the block's end.
            while (event != end && (*event).samplePosition < position)
                ++event;

            const int next = event != end ? std::min ((*event).samplePosition, numSamples) : numSamples;
            runSegment (position, next);
            position = next;

            if (position < numSamples && handleMidiEventsAt (event, end, position))
            {
                resolveRouting();
                resolveRunning();
            }
        }
    }

    g.readPositionsDue |= (1u << numChannelsToProcess) - 1u;

    uint32_t lines = 0;

    for (int c = 0; c < numChannelsToProcess; ++c)
        lines |= delayUnitsNeedingPages << (c * numUnits);

    linesRunning.store (lines, std::memory_order_relaxed);
}
