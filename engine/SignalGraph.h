#pragma once

// The signal graph's working state for one block, and what the two ways of running it share.
//
// The graph is run for speed, not literally: routing selectors and modulation settings are resolved
// once per block (and again when a MIDI controller moves a parameter), silent delay lines and mixers
// fed from "None" are skipped, and LFOs that nothing reads only advance their phases. Each part of
// the block between MIDI events is a segment with a plan of its own. Where every running delay line
// stays longer than a stretch of frames and no loop of units needs the frame order, the units run
// one after the other over whole stretches of frames, four frames side by side where frames do not
// depend on each other (StretchRunner.cpp, planned by StretchPlanner.cpp). Otherwise the units run
// frame by frame, both channels in one pass, stereo pairs of lines that share their timing stepped
// once and channels side by side (FrameRunner.cpp). Both must stay bit-identical to the plain
// per-sample description: every expression keeps that description's order of operations, through
// the units' own per-sample rules.
#include "GraphBounds.h"
#include "KivMixer.h"
#include "Lanes.h"
#include "Lfo.h"
#include "Modulation.h"
#include "OutputStage.h"
#include "ParameterTable.h"
#include "SyncDelayNoFeed.h"

// The graph's working state: it holds the units' state from block to block (taken from them again
// only after they were changed outside a block); the routing stays while no parameter moves.
struct SignalGraph
{
    static constexpr int numUnits = 4;
    static constexpr int numChannels = 2;

    struct Line
    {
        float* ring;
        int length;
        float lengthF;        // the length as a float, for the read position
        int write;
        float current, target, step, gain;
        int glideLength;
        double rate;          // the line's own rate, through single precision
    };

    // Each unit's state and plan together, so one base address reaches all of it.
    struct DelayUnit
    {
        Line line[numChannels];
        Modulation mod;
        int input, feedback;
        float inputLevel, feedbackLevel;
        bool synced;

        // Per segment: stereo lines in the same state (linesMatch), and also modulated alike
        // (linked), step once for both; lines with one length, write index and rate (paired)
        // step side by side.
        bool linesMatch, linked, paired;
    };

    struct MixerUnit
    {
        float value[numChannels], coefficient[numChannels], last[numChannels];
        Modulation mod;
        int inputA, inputB, mode;
        bool modShared;       // per segment: the modulation reads the same on both channels
    };

    struct Oscillator
    {
        const float* table;   // the wave's table, or nullptr for the held random values
        const float* randomTable;
        int wave, previousIndex, holdIndex, tableSize;
        float size;           // the table size as a float, for the phase
        float phase, increment, incrementPerHz, rate;
        Modulation mod;
        bool synced, times100;

        // Per segment: nothing reads it and its rate is not modulated, so it only advances its
        // phase, outside the frame loop.
        bool passive;
    };

    // source[i][c]: what selector value i reads on channel c (0 stays +0).
    float source[numSignalSources][numChannels];

    // readPosition[k][c]: where line c of delay unit k reads next, as the last block that ran the
    // channel left it; kept for the units' own state, which the graph holds between blocks. Taken
    // from the lines of the channels that ran (readPositionsDue) only when asked for.
    float readPosition[numUnits][numChannels];
    uint32_t readPositionsDue;   // bit c for channel c
    DelayUnit delay[numUnits];
    MixerUnit mixer[numUnits];
    Oscillator lfo[numUnits];

    // The plan: routing and modulation resolved from the parameters, counted each time, so that
    // what was planned from them is known to stand.
    Modulation dryWetMod;
    int outSource;
    float outLevel, outGain, dryWet, wholeNoteMs;
    uint32_t routingsResolved;

    // Whose modulation applies, as resolved: bit k for delay unit k, numUnits + k for LFO k,
    // 2 * numUnits + k for mixer k.
    uint32_t modulatedUnits;

    // Which units run was last found for this routing and channel count (runsKnown: since the
    // units were taken in); bit k for delay unit k, bit numUnits + k for mixer k.
    uint32_t runningUnits;
    bool delayRuns (int k) const noexcept { return (runningUnits >> k & 1u) != 0; }
    bool mixerRuns (int k) const noexcept { return (runningUnits >> (numUnits + k) & 1u) != 0; }
    bool runsKnown;
    uint32_t runsKnownForRouting;
    int runsKnownForChannels;

    // Per segment: whether no increment the active LFOs can reach takes the phase out of the
    // table (then the per-sample range checks go); the units that run, in order (LFOs: rate
    // modulated; stepped in the loop); whether dry/wet modulation reads the same on both channels;
    // whether a running unit reads an LFO.
    bool lfoPhaseBounded;
    int modulatedLfos[numUnits], activeLfos[numUnits], runningDelays[numUnits], runningMixers[numUnits];
    int numModulatedLfos, numActiveLfos, numRunningDelays, numRunningMixers;
    bool dryWetModShared;
    bool lfoRead[numUnits];
    uint32_t passiveLfos;   // bit k for LFO k

    // The segment's shape: the routing, the channels, which units run and which LFOs only advance.
    // Equal shapes have equal running units and equal stretch plans, but for the lines' lengths.
    uint64_t shape;
    uint64_t runningShape;   // the part the running units and their reads follow from

    // What planSegment found of the lines' timing and the LFOs' bounds stands for the next segment
    // while its running shape does and no set-up moves (checksStand): lines that step as one, and
    // skipped lines that move on together, stay alike; a phase that stays in its table at the
    // increments it can have stays there. (Matching lines that run apart are not linked, and a
    // running unit's lines are read as matching only through being linked.) Skipped units' lines
    // move on as leads; followers share a lead's timing.
    bool checksStand;
    uint64_t checkedShape;
    struct LineIndex { uint8_t unit, channel; };
    struct IdleFollower { LineIndex line, lead; };
    LineIndex idleLeads[numUnits * numChannels];
    IdleFollower idleFollowers[numUnits * numChannels];
    int numIdleLeads, numIdleFollowers;

    // The LFOs that nothing read (bit k for LFO k) owe the frames since they were last advanced:
    // they advance when they are read, set up or taken, not once per segment.
    uint32_t lfosOwing;
    int framesOwed;
};

// f (i) for each set bit i, the lowest first.
template <typename Function>
inline void forEachBit (uint32_t bits, Function&& f) noexcept
{
    for (; bits != 0; bits &= bits - 1)
        f (__builtin_ctz (bits));
}

// One call's glide of a delay line.
template <typename Line>
inline void glide (Line& line) noexcept
{
    line.current = mordwickLib::SyncDelayNoFeed::glided (line.current, line.step, line.target, line.glideLength, line.lengthF);
}

// One step of a delay line, as mordwickLib::SyncDelayNoFeed::process.
template <typename Line>
inline float stepLine (Line& line, float input, float feedback) noexcept
{
    line.ring[line.write] = mordwickLib::SyncDelayNoFeed::ringInput (input, feedback, line.gain);

    if (++line.write >= line.length)
        line.write = 0;

    glide (line);
    return mordwickLib::SyncDelayNoFeed::readRing (line.ring, mordwickLib::SyncDelayNoFeed::wrappedReadPosition (line.write, line.current, line.lengthF),
                                      line.length);
}

// The read position the line's next step would start from: what SyncDelayNoFeed keeps in readPosition.
template <typename Line>
inline float readPositionOf (const Line& line) noexcept
{
    return mordwickLib::SyncDelayNoFeed::wrappedReadPosition (line.write, line.current, line.lengthF);
}

// The read positions of the channels that ran since they were last taken, from their lines.
inline void takeReadPositions (SignalGraph& g) noexcept
{
    for (int c = 0; c < SignalGraph::numChannels; ++c)
        if ((g.readPositionsDue >> c & 1u) != 0)
            for (int k = 0; k < SignalGraph::numUnits; ++k)
                g.readPosition[k][c] = readPositionOf (g.delay[k].line[c]);

    g.readPositionsDue = 0;
}

// One sample of an LFO, as Lfo::getSample (false).
template <bool checked = true, typename Oscillator>
inline float stepLfo (Oscillator& lfo) noexcept
{
    return mordwickLib::Lfo::step<checked> (lfo.phase, lfo.previousIndex, lfo.holdIndex, lfo.increment, lfo.size, lfo.tableSize,
                               lfo.table, lfo.randomTable, lfo.wave);
}

// The rate a modulated LFO runs at for the modulated value v.
template <typename Oscillator>
inline float modulatedLfoRate (const Oscillator& lfo, float wholeNoteMs, float v) noexcept
{
    if (lfo.synced)
        return 1000.0f / (wholeNoteMs / (float) (int) v);

    return lfo.times100 ? v * 100.0f : v;
}

// The delay in samples for a modulated value: a time, or a synced division.
template <typename Unit>
inline float modulatedDelaySamples (const Unit& unit, float wholeNoteMs, double lineRate, float v) noexcept
{
    return unit.synced ? lanes::msToSamples (wholeNoteMs / v, lineRate) : lanes::msToSamples (v, lineRate);
}

// A modulated delay time, without glide: the target follows the modulation sample by sample.
template <typename Unit, typename Line>
inline void modulateDelayTime (const Unit& unit, float wholeNoteMs, Line& line, float sourceValue) noexcept
{
    const float samples = modulatedDelaySamples (unit, wholeNoteMs, line.rate, unit.mod.apply (sourceValue));
    line.glideLength = 0;
    line.target = mordwickLib::SyncDelayNoFeed::targetInRing (samples, line.target, line.lengthF);
    line.current = line.target;
}

// A segment's shape: which units run, in their order, which LFOs only advance, which stereo pairs
// of delay lines share their timing, which modulations are the same on both channels. What was
// found for the last segment stands while its running shape (routing, running units, channels)
// does and nothing else moved it (SignalGraph::checksStand); replanSegment looks again.
void replanSegment (SignalGraph& g, int numChannels, uint64_t runningShape) noexcept;

inline void planSegment (SignalGraph& g, int numChannels) noexcept
{
    static_assert (2 * SignalGraph::numUnits <= 8, "the running units fit bits 4 to 11");
    const uint64_t shape = (uint64_t) g.routingsResolved << 32 | (uint64_t) g.runningUnits << 4 | (uint64_t) numChannels;

    if (! g.checksStand || g.checkedShape != shape)
        replanSegment (g, numChannels, shape);
}

// The owing LFOs advanced by the frames they owe: before their phases, rates or values are used.
void catchUpPassiveLfos (SignalGraph& g) noexcept;

// The LFOs that nothing reads, a segment of n frames on: owed until catchUpPassiveLfos.
inline void advancePassiveLfos (SignalGraph& g, int n) noexcept
{
    // Owing frames costs less than advancing a segment's few frames; a bounded debt keeps a
    // catch-up as short as a long block's advance.
    constexpr int mostFramesOwed = 4096;
    const uint32_t passive = g.passiveLfos;

    if (passive != g.lfosOwing || g.framesOwed > mostFramesOwed - n)
    {
        catchUpPassiveLfos (g);
        g.lfosOwing = passive;
    }

    g.framesOwed += n;
}

// After a segment of n frames: silent lines that were skipped move on, lines that stepped as one
// take over each other's timing.
void finishSegment (SignalGraph& g, int n) noexcept;

// Frame by frame, any segment.
void runFrames (SignalGraph& g, float* const* io, int start, int end, int numChannels) noexcept;
