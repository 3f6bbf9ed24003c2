// Block processing and the signal graph of VarluneAudioProcessor.
//
// The graph is written for speed, not literally: routing selectors and modulation settings are
// resolved once per block (and again when a MIDI controller moves a parameter), silent delay lines
// and mixers fed from "None" are skipped, and LFOs that nothing reads only advance their phases.
// Each part of the block between MIDI events gets a plan. Where every running delay line stays
// longer than a stretch of frames and no loop of units needs the frame order, the units run one
// after the other over whole stretches of 32 frames, four frames side by side where frames do not
// depend on each other (runStretches). Otherwise the units run frame by frame, both channels in one
// pass, stereo pairs of lines that share their timing stepped once and channels side by side
// (runFrames). Both must stay bit-identical to the plain per-sample description, which the
// reference model in the tests runs beside them; every expression keeps that description's order
// of operations.
#include "VarluneAudioProcessor.h"

#include "GraphBounds.h"
#include "Lanes.h"
#include "Modulation.h"
#include "OutputStage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
using namespace ParameterIndex;
using namespace lanes;
using mordwickLib::Lfo;
using mordwickLib::SyncDelayNoFeed;

// Delay times in a tempo-synced whole note longer than this are not tempos: with them a synced
// target could overflow to infinity and never be halved into the ring.
constexpr float longestWholeNoteMs = 1.0e30f;

inline bool sameBits (float a, float b) noexcept
{
    return std::memcmp (&a, &b, sizeof (a)) == 0;
}

inline bool isPositiveZero (float x) noexcept
{
    uint32_t bits;
    std::memcpy (&bits, &x, sizeof (bits));
    return bits == 0;
}

} // namespace

float VarluneAudioProcessor::getModulatedValue (const mordwickLib::PluginParameter& parameter,
                                                float sourceValue, float depth) noexcept
{
    Modulation modulation;
    modulation.setTarget (parameter, depth);
    return modulation.apply (sourceValue);
}

//==============================================================================
// The graph's working state for one block, in locals so that ring stores force no reloads.
struct VarluneAudioProcessor::SignalGraph
{
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
        bool synced, runs;

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
        bool runs;
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
    DelayUnit delay[numUnits];
    MixerUnit mixer[numUnits];
    Oscillator lfo[numUnits];

    // The plan: routing and modulation resolved from the parameters.
    Modulation dryWetMod;
    int outSource;
    float outLevel, outGain, dryWet, wholeNoteMs;

    // Per segment: whether no increment the active LFOs can reach takes the phase out of the
    // table (then the per-sample range checks go); the units that run, in order (LFOs: rate
    // modulated; stepped in the loop); whether dry/wet modulation reads the same on both channels.
    bool lfoPhaseBounded;
    int modulatedLfos[numUnits], activeLfos[numUnits], runningDelays[numUnits], runningMixers[numUnits];
    int numModulatedLfos, numActiveLfos, numRunningDelays, numRunningMixers;
    bool dryWetModShared;
};

//==============================================================================
void VarluneAudioProcessor::processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi)
{
    const int numInputs = getTotalNumInputChannels();
    const int numOutputs = getTotalNumOutputChannels();
    const int numSamples = buffer.getNumSamples();

    {
        const juce::ScopedNoDenormals noDenormals;

        silenceDelayLinesIfRequested();
        handlePendingProgramChange();
        takeParameterSnapshot();
        updateTempo();
        prepareDelayLines();
        prepareLfos();
        prepareMixers();

        // State exists for two channels; further input channels are left as they are.
        const int channels = std::min ({ numInputs, (int) numChannels, buffer.getNumChannels() });

        if (channels > 0 && numSamples > 0)
            runSignalGraph (buffer, midi, numSamples, channels);
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
        const int d = delayBase (k + 1);
        delayTimeMs[k] = real (d + delayTime);
        delaySync[k] = isOn (d + ParameterIndex::delaySync);
        delaySyncedDivision[k] = real (d + delayTimeSynced);
        delayFeedback[k] = normalised (d + ParameterIndex::delayFeedback);
        delayInputLevel[k] = normalised (d + ParameterIndex::delayInputLevel);
        delayFeedbackInputLevel[k] = normalised (d + ParameterIndex::delayFeedbackInputLevel);
        delayTimeModSource[k] = toChoice (real (d + ParameterIndex::delayTimeModSource));
        delayTimeModDepth[k] = normalised (d + ParameterIndex::delayTimeModDepth);
    }

    for (int k = 0; k < numUnits; ++k)
    {
        const int l = lfoBase (k + 1);
        lfoWave[k] = toChoice (real (l + ParameterIndex::lfoWave));
        lfoRate[k] = real (l + ParameterIndex::lfoRate);
        lfoSync[k] = isOn (l + ParameterIndex::lfoSync);
        lfoSyncedDivision[k] = real (l + lfoSyncedRate);
        lfoRateTimes100[k] = isOn (l + ParameterIndex::lfoRateTimes100);
        lfoRateModSource[k] = toChoice (real (l + ParameterIndex::lfoRateModSource));
        lfoRateModDepth[k] = normalised (l + ParameterIndex::lfoRateModDepth);
    }

    for (int k = 0; k < numUnits; ++k)
    {
        const int m = mixerBase (k + 1);
        mixerMode[k] = toChoice (real (m + ParameterIndex::mixerMode));
        mixerControl[k] = normalised (m + ParameterIndex::mixerControl);
        mixerControlModSource[k] = toChoice (real (m + ParameterIndex::mixerControlModSource));
        mixerControlModDepth[k] = normalised (m + ParameterIndex::mixerControlModDepth);
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

void VarluneAudioProcessor::prepareDelayLines() noexcept
{
    const int glide = (int) (sampleRate * 0.25);

    for (int k = 0; k < numUnits; ++k)
    {
        for (int c = 0; c < numChannels; ++c)
        {
            auto& line = *delayLines[k].getUnchecked (c);
            line.glideLength = glide;
            line.feedbackGain = delayFeedback[k] * 0.96f;

            const double lineRate = (double) (float) line.sampleRate;
            const float s = delaySync[k] ? msToSamples (wholeNoteMs / delaySyncedDivision[k], lineRate)
                                         : msToSamples (delayTimeMs[k], lineRate);
            line.targetDelay = SyncDelayNoFeed::targetInRing (s, line.targetDelay, (float) line.ringLength);

            if (line.glideLength == 0)
                line.currentDelay = line.targetDelay;
            else
                line.glideStep = (line.targetDelay - line.currentDelay) / (float) line.glideLength;
        }
    }
}

void VarluneAudioProcessor::prepareLfos() noexcept
{
    for (int k = 0; k < numUnits; ++k)
    {
        auto& lfo = *lfos.getUnchecked (k);

        if (lfoWave[k] >= 0 && lfoWave[k] < numLfoWaves)
            lfo.wave = lfoWave[k];

        if (lfoSync[k])
            lfo.rate = 1000.0f / (wholeNoteMs / lfoSyncedDivision[k]);
        else
            lfo.rate = lfoRateTimes100[k] ? lfoRate[k] * 100.0f : lfoRate[k];

        lfo.phaseIncrement = (float) lfo.tableSize / (float) lfo.sampleRate * lfo.rate;
    }
}

void VarluneAudioProcessor::prepareMixers() noexcept
{
    for (int k = 0; k < numUnits; ++k)
    {
        for (auto* mixer : mixers[k])
        {
            mixer->setMode (mixerMode[k]);
            mixer->setValue (mixerControl[k]);
        }
    }
}

//==============================================================================
namespace
{
// One call's glide of a delay line.
template <typename Line>
inline void glide (Line& line) noexcept
{
    line.current = SyncDelayNoFeed::glided (line.current, line.step, line.target, line.glideLength, line.lengthF);
}

// One step of a delay line, as SyncDelayNoFeed::process.
template <typename Line>
inline float stepLine (Line& line, float input, float feedback) noexcept
{
    line.ring[line.write] = SyncDelayNoFeed::ringInput (input, feedback, line.gain);

    if (++line.write >= line.length)
        line.write = 0;

    glide (line);
    return SyncDelayNoFeed::readRing (line.ring, SyncDelayNoFeed::wrappedReadPosition (line.write, line.current, line.lengthF),
                                      line.length);
}

// The read position the line's next step would start from: what SyncDelayNoFeed keeps in readPosition.
template <typename Line>
inline float readPositionOf (const Line& line) noexcept
{
    return SyncDelayNoFeed::wrappedReadPosition (line.write, line.current, line.lengthF);
}

// A silent line with no inputs only moves its write index and its glide.
template <typename Line>
inline void idleLine (Line& line, int numSamples) noexcept
{
    line.write = (int) (((int64_t) line.write + numSamples) % line.length);

    if (line.glideLength == 0)
        return;

    // Until the delay reaches the target, or the step no longer moves it: every further step
    // would be the same. Only the step that passes the target can leave the ring, and it is the
    // last one.
    const float step = line.step, target = line.target;
    float current = line.current;

    if (step >= 0.0f)
    {
        for (int n = 0; n < numSamples && target > current; ++n)
        {
            const float next = current + step;

            if (next == current)
                break;

            current = next;
        }
    }
    else if (step < 0.0f)
    {
        for (int n = 0; n < numSamples && current > target; ++n)
        {
            const float next = current + step;

            if (next == current)
                break;

            current = next;
        }
    }

    line.current = mordwickLib::SyncDelayNoFeed::keptInRing (current, target, line.lengthF);
}

inline bool phaseStaysBounded (float phase, float increment, float size) noexcept
{
    return phase >= 0.0f && phase < size && increment >= 0.0f && increment < size;
}

// One sample of an LFO, as Lfo::getSample (false).
template <bool checked = true, typename Oscillator>
inline float stepLfo (Oscillator& lfo) noexcept
{
    return Lfo::step<checked> (lfo.phase, lfo.previousIndex, lfo.holdIndex, lfo.increment, lfo.size, lfo.tableSize,
                               lfo.table, lfo.randomTable, lfo.wave);
}

// A sample-and-hold LFO that nothing reads, n samples on: the same phase additions and wraps and
// the same hold steps, without the table reads. Leaves the value of the last sample, what a reader
// would have seen. Needs a bounded phase (phaseStaysBounded).
template <typename Oscillator>
inline float advancePassiveHold (Oscillator& lfo, int n) noexcept
{
    const float size = (float) lfo.tableSize;
    const float increment = lfo.increment;
    float phase = lfo.phase;
    int previous = lfo.previousIndex, hold = lfo.holdIndex;

    for (int i = 0; i < n; ++i)
    {
        const int index = (int) phase;
        hold = Lfo::holdAfter (index, previous, hold, lfo.tableSize);
        previous = index;
        phase = Lfo::phaseAfter<false> (phase, increment, size);
    }

    lfo.phase = phase;
    lfo.previousIndex = previous;
    lfo.holdIndex = hold;
    return lfo.randomTable[hold];
}

// LFOs that nothing reads and that do not sample and hold, n samples on together, their phases side
// by side, one lane each. Each LFO is left with the value of its last sample.
template <typename Oscillator>
inline void advancePassiveLfos (Oscillator* const* lfos, int count, int n, float* values) noexcept
{
    Four phase = {}, increment = {}, size = {};

    for (int j = 0; j < count; ++j)
    {
        phase[j] = lfos[j]->phase;
        increment[j] = lfos[j]->increment;
        size[j] = (float) lfos[j]->tableSize;
    }

    for (int i = 1; i < n; ++i)
        phase = Lfo::phaseAfter (phase, increment, size);

    const Four last = phase;
    phase = Lfo::phaseAfter (phase, increment, size);

    for (int j = 0; j < count; ++j)
    {
        auto& lfo = *lfos[j];
        const int index = (int) last[j];
        lfo.phase = phase[j];
        lfo.previousIndex = index;
        values[j] = lfo.table != nullptr ? lfo.table[index] : 0.0f;
    }
}

// The rate a modulated LFO runs at for the modulated value v.
template <typename Oscillator>
inline float modulatedLfoRate (const Oscillator& lfo, float wholeNoteMs, float v) noexcept
{
    if (lfo.synced)
        return 1000.0f / (wholeNoteMs / (float) (int) v);

    return lfo.times100 ? v * 100.0f : v;
}

// Sources that read the same on both channels: "None" and the LFOs.
inline bool sameOnBothChannels (int source) noexcept
{
    return source == sourceNone || source >= sourceLfo1;
}

template <typename Line>
inline bool sameTiming (const Line& a, const Line& b) noexcept
{
    return a.length == b.length && a.write == b.write && a.glideLength == b.glideLength && a.rate == b.rate
        && sameBits (a.current, b.current) && sameBits (a.target, b.target) && sameBits (a.step, b.step)
        && sameBits (a.gain, b.gain);
}

// The segment's shape: which units run, in their order, which LFOs only advance, which stereo
// pairs of delay lines share their timing, which modulations are the same on both channels.
template <typename SignalGraph>
void planSegment (SignalGraph& g, int numChannels) noexcept
{
    constexpr int units = VarluneAudioProcessor::numUnits;
    bool read[numSignalSources] = {};
    g.numModulatedLfos = g.numActiveLfos = g.numRunningDelays = g.numRunningMixers = 0;

    for (int k = 0; k < units; ++k)
    {
        if (g.delay[k].runs)
        {
            g.runningDelays[g.numRunningDelays++] = k;
            read[g.delay[k].input] = read[g.delay[k].feedback] = true;
            read[g.delay[k].mod.source] = read[g.delay[k].mod.source] || g.delay[k].mod.applies;
        }

        if (g.mixer[k].runs)
        {
            g.runningMixers[g.numRunningMixers++] = k;
            read[g.mixer[k].inputA] = read[g.mixer[k].inputB] = true;
            read[g.mixer[k].mod.source] = read[g.mixer[k].mod.source] || g.mixer[k].mod.applies;
        }

        if (g.lfo[k].mod.applies)
        {
            g.modulatedLfos[g.numModulatedLfos++] = k;
            read[g.lfo[k].mod.source] = true;
        }

        // Both lines of a unit step alike while they start alike and see the same modulation.
        g.delay[k].linesMatch = numChannels == 2 && sameTiming (g.delay[k].line[0], g.delay[k].line[1]);
        g.delay[k].linked = g.delay[k].linesMatch && (! g.delay[k].mod.applies || sameOnBothChannels (g.delay[k].mod.source));

        const auto& lines = g.delay[k].line;
        g.delay[k].paired = numChannels == 2 && lines[0].length == lines[1].length && lines[0].write == lines[1].write
                             && lines[0].rate == lines[1].rate;
        g.mixer[k].modShared = numChannels == 1 || sameOnBothChannels (g.mixer[k].mod.source);
    }

    read[g.outSource] = true;
    read[g.dryWetMod.source] = read[g.dryWetMod.source] || g.dryWetMod.applies;
    g.dryWetModShared = numChannels == 1 || sameOnBothChannels (g.dryWetMod.source);

    g.lfoPhaseBounded = true;

    for (int k = 0; k < units; ++k)
    {
        const auto& lfo = g.lfo[k];
        const float size = (float) lfo.tableSize;

        // Rates grow with the modulated value, so the range's ends bound the increments.
        const bool bounded = g.lfo[k].mod.applies
            ? phaseStaysBounded (lfo.phase, lfo.incrementPerHz * modulatedLfoRate (lfo, g.wholeNoteMs, lfo.mod.lo), size)
               && phaseStaysBounded (lfo.phase, lfo.incrementPerHz * modulatedLfoRate (lfo, g.wholeNoteMs, lfo.mod.hi), size)
            : phaseStaysBounded (lfo.phase, lfo.increment, size);

        g.lfo[k].passive = bounded && ! g.lfo[k].mod.applies && ! read[sourceLfo1 + k];

        if (! g.lfo[k].passive)
        {
            g.activeLfos[g.numActiveLfos++] = k;
            g.lfoPhaseBounded = g.lfoPhaseBounded && bounded;
        }
    }
}

// A modulated delay time, without glide: the target follows the modulation sample by sample.
// The delay in samples for a modulated value: a time, or a synced division.
template <typename Unit>
inline float modulatedDelaySamples (const Unit& unit, float wholeNoteMs, double lineRate, float v) noexcept
{
    return unit.synced ? msToSamples (wholeNoteMs / v, lineRate) : msToSamples (v, lineRate);
}

template <typename Unit, typename Line>
inline void modulateDelayTime (const Unit& unit, float wholeNoteMs, Line& line, float sourceValue) noexcept
{
    const float s = modulatedDelaySamples (unit, wholeNoteMs, line.rate, unit.mod.apply (sourceValue));
    line.glideLength = 0;
    line.target = SyncDelayNoFeed::targetInRing (s, line.target, line.lengthF);
    line.current = line.target;
}

// The samples at read positions r of two rings of one length, interpolated, bounded.
inline Stereo readRings (const float* ring0, const float* ring1, Stereo r, int length) noexcept
{
    const StereoIndex i = __builtin_convertvector (r, StereoIndex);
    const Stereo f = r - __builtin_convertvector (i, Stereo);
    const Stereo a = { ring0[i[0]], ring1[i[1]] };
    const Stereo b = { i[0] <= length - 2 ? ring0[i[0] + 1] : ring0[0], i[1] <= length - 2 ? ring1[i[1] + 1] : ring1[0] };
    return bounded (SyncDelayNoFeed::interpolated (a, b, f));
}

// The writes of a stereo pair of lines sharing one write index, which then advances for both.
template <typename Unit>
inline int writePair (Unit& unit, const float (*source)[2]) noexcept
{
    auto& line0 = unit.line[0];
    auto& line1 = unit.line[1];
    const Stereo in = load<Stereo> (source[unit.input]) * broadcast<Stereo> (unit.inputLevel);
    const Stereo feedback = load<Stereo> (source[unit.feedback]) * broadcast<Stereo> (unit.feedbackLevel);
    const Stereo v = SyncDelayNoFeed::ringInput (in, feedback, Stereo { line0.gain, line1.gain });
    const int write = line0.write;
    line0.ring[write] = v[0];
    line1.ring[write] = v[1];
    line0.write = line1.write = write + 1 < line0.length ? write + 1 : 0;
    return line0.write;
}

// A delay unit on both channels whose lines share their timing: one glide and one read position,
// two rings. The second line's timing is brought up to date at the end of the segment.
template <typename Unit>
inline void stepLinkedDelay (Unit& unit, const float (*source)[2], float wholeNoteMs, float* output) noexcept
{
    auto& line = unit.line[0];

    if (unit.mod.applies)
        modulateDelayTime (unit, wholeNoteMs, line, source[unit.mod.source][0]);

    const float* in = source[unit.input];
    const float* feedback = source[unit.feedback];
    const float in0 = in[0] * unit.inputLevel, in1 = in[1] * unit.inputLevel;
    const float feedback0 = feedback[0] * unit.feedbackLevel, feedback1 = feedback[1] * unit.feedbackLevel;
    const int write = line.write;
    line.ring[write] = SyncDelayNoFeed::ringInput (in0, feedback0, line.gain);
    unit.line[1].ring[write] = SyncDelayNoFeed::ringInput (in1, feedback1, line.gain);
    line.write = write + 1 < line.length ? write + 1 : 0;

    glide (line);
    const float r = SyncDelayNoFeed::wrappedReadPosition (line.write, line.current, line.lengthF);
    store (output, bounded (Stereo { SyncDelayNoFeed::readRing (line.ring, r, line.length),
                                           SyncDelayNoFeed::readRing (unit.line[1].ring, r, line.length) }));
}

// A delay unit on both channels whose lines share length, write index and rate but not their
// delays: the arithmetic side by side, the glides and read positions line by line.
template <typename Unit>
inline void stepPairedDelay (Unit& unit, const float (*source)[2], float wholeNoteMs, float* output) noexcept
{
    auto& line0 = unit.line[0];
    auto& line1 = unit.line[1];

    if (unit.mod.applies)
    {
        const Stereo v = unit.mod.apply (load<Stereo> (source[unit.mod.source]));
        const Stereo ms = unit.synced ? broadcast<Stereo> (wholeNoteMs) / v : v;
        const Stereo s = msToSamples (ms, line0.rate);
        line0.glideLength = line1.glideLength = 0;
        line0.current = line0.target = SyncDelayNoFeed::targetInRing (s[0], line0.target, line0.lengthF);
        line1.current = line1.target = SyncDelayNoFeed::targetInRing (s[1], line1.target, line1.lengthF);
    }

    const int write = writePair (unit, source);
    glide (line0);
    glide (line1);
    const Stereo r = { SyncDelayNoFeed::wrappedReadPosition (write, line0.current, line0.lengthF),
                       SyncDelayNoFeed::wrappedReadPosition (write, line1.current, line1.lengthF) };
    store (output, readRings (line0.ring, line1.ring, r, line0.length));
}

template <typename Unit>
inline float stepDelay (Unit& unit, const float (*source)[2], float wholeNoteMs, int c) noexcept
{
    auto& line = unit.line[c];

    if (unit.mod.applies)
        modulateDelayTime (unit, wholeNoteMs, line, source[unit.mod.source][c]);

    const float in = source[unit.input][c] * unit.inputLevel;
    const float feedback = source[unit.feedback][c] * unit.feedbackLevel;
    return bounded (stepLine (line, in, feedback));
}

// A mixer unit in one mode; with a mode known at compile time the switches fold away.
template <int mode, int numChannels, typename Unit>
inline void stepMixer (Unit& unit, const float (*source)[2], float* output) noexcept
{
    const auto& mod = unit.mod;

    if (numChannels == 2)
    {
        if (mod.applies)
        {
            // With a valid mode the coefficient depends on the value alone.
            const Stereo value = mode < numMixerModes && unit.modShared
                                     ? broadcast<Stereo> (mod.apply (source[mod.source][0]) * 0.01f)
                                     : mod.apply (load<Stereo> (source[mod.source])) * broadcast<Stereo> (0.01f);
            store (unit.value, value);
            store (unit.coefficient, KivMixer::coefficientFor (mode, value, load<Stereo> (unit.coefficient)));
        }

        const Stereo last = KivMixer::mixed (mode, load<Stereo> (unit.coefficient), load<Stereo> (unit.last),
                                             load<Stereo> (source[unit.inputA]), load<Stereo> (source[unit.inputB]), 0);
        store (unit.last, last);
        store (output, bounded (last));
        return;
    }

    if (mod.applies)
    {
        unit.value[0] = mod.apply (source[mod.source][0]) * 0.01f;
        unit.coefficient[0] = KivMixer::coefficientFor (mode, unit.value[0], unit.coefficient[0]);
    }

    unit.last[0] = KivMixer::mixed (mode, unit.coefficient[0], unit.last[0], source[unit.inputA][0], source[unit.inputB][0], 0);
    output[0] = bounded (unit.last[0]);
}

template <int numChannels, bool lfoChecked, typename SignalGraph>
void runFrames (SignalGraph& graph, float* const* io, int start, int end) noexcept
{
    // A private copy: nothing outside this function can point into it, so ring stores cannot
    // clobber it and the compiler keeps it in registers and on the stack.
    SignalGraph g = graph;
    constexpr int units = VarluneAudioProcessor::numUnits;

    // The running units of this segment in order, each with the pair its output goes to.
    typename SignalGraph::Oscillator* modulatedLfos[units];
    typename SignalGraph::Oscillator* activeLfos[units];
    typename SignalGraph::DelayUnit* delays[units];
    typename SignalGraph::MixerUnit* mixers[units];
    float* lfoOutputs[units];
    float* delayOutputs[units];
    float* mixerOutputs[units];

    for (int j = 0; j < g.numModulatedLfos; ++j)
        modulatedLfos[j] = &g.lfo[g.modulatedLfos[j]];

    for (int j = 0; j < g.numActiveLfos; ++j)
    {
        activeLfos[j] = &g.lfo[g.activeLfos[j]];
        lfoOutputs[j] = g.source[sourceLfo1 + g.activeLfos[j]];
    }

    for (int j = 0; j < g.numRunningDelays; ++j)
    {
        delays[j] = &g.delay[g.runningDelays[j]];
        delayOutputs[j] = g.source[sourceDelay1 + g.runningDelays[j]];
    }

    for (int j = 0; j < g.numRunningMixers; ++j)
    {
        mixers[j] = &g.mixer[g.runningMixers[j]];
        mixerOutputs[j] = g.source[sourceMixer1 + g.runningMixers[j]];
    }

    for (int s = start; s < end; ++s)
    {
        // Pairs are written whole where they are read whole: a wide load from two narrow stores
        // waits for both to reach memory.
        if (numChannels == 2)
            store (g.source[sourceInput], Stereo { finiteInput (io[0][s]), finiteInput (io[1][s]) });
        else
            g.source[sourceInput][0] = finiteInput (io[0][s]);

        // LFO rates first, all from the previous frame's values, then one sample of each LFO.
        for (int j = 0; j < g.numModulatedLfos; ++j)
        {
            auto& lfo = *modulatedLfos[j];
            lfo.rate = modulatedLfoRate (lfo, g.wholeNoteMs, lfo.mod.apply (g.source[lfo.mod.source][0]));
            lfo.increment = lfo.incrementPerHz * lfo.rate;
        }

        for (int j = 0; j < g.numActiveLfos; ++j)
            store (lfoOutputs[j], broadcast<Stereo> (stepLfo<lfoChecked> (*activeLfos[j])));

        for (int j = 0; j < g.numRunningDelays; ++j)
        {
            auto& unit = *delays[j];
            float* const output = delayOutputs[j];

            if (numChannels == 2 && unit.linked)
            {
                stepLinkedDelay (unit, g.source, g.wholeNoteMs, output);
                continue;
            }

            if (numChannels == 2 && unit.paired)
            {
                stepPairedDelay (unit, g.source, g.wholeNoteMs, output);
                continue;
            }

            // Channel 0's output waits for channel 1's step, which reads only channel 1's values.
            if (numChannels == 2)
            {
                const float out0 = stepDelay (unit, g.source, g.wholeNoteMs, 0);
                store (output, Stereo { out0, stepDelay (unit, g.source, g.wholeNoteMs, 1) });
            }
            else
                output[0] = stepDelay (unit, g.source, g.wholeNoteMs, 0);
        }

        for (int j = 0; j < g.numRunningMixers; ++j)
        {
            auto& unit = *mixers[j];
            float* const output = mixerOutputs[j];

            switch (unit.mode)
            {
                case modeMix:     stepMixer<modeMix, numChannels> (unit, g.source, output); break;
                case modeRingmod: stepMixer<modeRingmod, numChannels> (unit, g.source, output); break;
                case modeGain:    stepMixer<modeGain, numChannels> (unit, g.source, output); break;
                case modeDamp:    stepMixer<modeDamp, numChannels> (unit, g.source, output); break;
                case modePan:     stepMixer<modePan, numChannels> (unit, g.source, output); break;
                default:          stepMixer<numMixerModes, numChannels> (unit, g.source, output); break;
            }
        }

        if (numChannels == 2)
        {
            // Channel 1's dry/wet value is the one that stays.
            Stereo dryWet = broadcast<Stereo> (g.dryWet);

            if (g.dryWetMod.applies)
            {
                dryWet = g.dryWetModShared ? broadcast<Stereo> (g.dryWetMod.apply (g.source[g.dryWetMod.source][0]) * 0.01f)
                                           : g.dryWetMod.apply (load<Stereo> (g.source[g.dryWetMod.source])) * broadcast<Stereo> (0.01f);
                g.dryWet = dryWet[1];
            }

            const Stereo wet = load<Stereo> (g.source[g.outSource]) * broadcast<Stereo> (g.outLevel) * broadcast<Stereo> (g.outGain);
            const Stereo out = outputSample (wet, dryWet, load<Stereo> (g.source[sourceInput]));
            io[0][s] = out[0];
            io[1][s] = out[1];
            continue;
        }

        if (g.dryWetMod.applies)
            g.dryWet = g.dryWetMod.apply (g.source[g.dryWetMod.source][0]) * 0.01f;

        const float wet = g.source[g.outSource][0] * g.outLevel * g.outGain;
        io[0][s] = outputSample (wet, g.dryWet, g.source[sourceInput][0]);
    }

    graph = g;
}

//==============================================================================
// Stretches of frames, unit by unit.
//
// A delay line whose delay stays above the stretch's length reads only samples written before the
// stretch, so its outputs for the whole stretch can be read first and its inputs written after.
// With that, each unit can run over a whole stretch at once, in an order in which every unit comes
// after the units it reads: state stays in registers and the simple loops run side by side in
// vector lanes. The values are the same as frame by frame: every unit reads, for every frame, the
// value of this frame or of the previous one as the frame order has it.
constexpr int stretchFrames = 32;
constexpr int stretchLead = 4;    // slot stretchLead - 1: the previous frame; frames stay 16-byte aligned
constexpr int stretchSlots = stretchLead + stretchFrames;

// Whether a reader sees a source's value of this frame (0) or of the previous one (1).
enum class Reader { lfoRate, delay, mixer, output };

inline int lagOf (Reader reader, int unit, int source) noexcept
{
    if (source == sourceNone || source == sourceInput)
        return 0;

    if (reader == Reader::lfoRate)
        return 1;

    if (source >= sourceLfo1 || reader == Reader::output)
        return 0;

    if (source < sourceMixer1)
        return reader == Reader::delay && source - sourceDelay1 >= unit ? 1 : 0;

    return reader == Reader::mixer && source - sourceMixer1 < unit ? 0 : 1;
}

// The stretch's tasks, numbered so that the frame order is also their preferred order.
enum : int { taskLfos = 0, taskDelayRead = 1, taskMixer = 5, taskDelayWrite = 9, taskOutput = 13, taskCount = 14 };

struct StretchPlan
{
    int order[taskCount];
    int numTasks = 0;
};

// Whether every delay a line can reach during the segment, with the glide's last step past its
// target, reads only what was written before the stretch: the lowest must stay above the stretch's
// length, the highest within the ring (past it the read position wraps round to the newest samples).
template <typename Unit, typename Line>
inline bool staysLongEnough (const Unit& unit, const Line& line, float wholeNoteMs) noexcept
{
    constexpr float shortest = (float) stretchFrames + 3.0f;

    // Halved targets lie at or above half the ring.
    if (line.lengthF * 0.5f <= shortest)
        return false;

    if (unit.mod.applies)
    {
        // The modulated value, and with it the target, moves monotonically with the source.
        const float a = modulatedDelaySamples (unit, wholeNoteMs, line.rate, unit.mod.apply (-1.0f));
        const float b = modulatedDelaySamples (unit, wholeNoteMs, line.rate, unit.mod.apply (1.0f));
        return a > shortest && b > shortest;
    }

    const float reach = line.glideLength != 0 ? std::abs (line.step) : 0.0f;
    const float lowest = std::min (line.current, line.target) - reach;
    const float highest = std::max (line.current, line.target) + reach;
    return lowest > shortest && highest <= line.lengthF;
}

// The task that computes a source during the stretch, or -1 for a value that stays.
template <typename SignalGraph>
inline int producerOf (const SignalGraph& g, int source) noexcept
{
    if (source >= sourceLfo1)
        return g.lfo[source - sourceLfo1].passive ? -1 : taskLfos;
    if (source >= sourceMixer1)
        return g.mixer[source - sourceMixer1].runs ? taskMixer + source - sourceMixer1 : -1;
    if (source >= sourceDelay1)
        return g.delay[source - sourceDelay1].runs ? taskDelayRead + source - sourceDelay1 : -1;
    return -1;
}

// An order of the tasks in which each comes after those it reads; false when the segment cannot
// run stretch by stretch (a loop that no long delay breaks, or a delay that gets too short).
template <typename SignalGraph>
bool planStretches (const SignalGraph& g, int numChannels, StretchPlan& plan) noexcept
{
    constexpr int units = VarluneAudioProcessor::numUnits;
    uint32_t present = 1u << taskOutput, needs[taskCount] = {};

    auto read = [&] (int task, int source)
    {
        const int producer = producerOf (g, source);

        if (producer >= 0 && producer != task)
            needs[task] |= 1u << producer;
    };

    if (g.numActiveLfos > 0)
    {
        present |= 1u << taskLfos;

        for (int j = 0; j < g.numModulatedLfos; ++j)
            read (taskLfos, g.lfo[g.modulatedLfos[j]].mod.source);
    }

    for (int k = 0; k < units; ++k)
    {
        const auto& delay = g.delay[k];

        if (delay.runs)
        {
            for (int c = 0; c < numChannels; ++c)
                if (! staysLongEnough (delay, delay.line[c], g.wholeNoteMs))
                    return false;

            present |= (1u << (taskDelayRead + k)) | (1u << (taskDelayWrite + k));

            if (delay.mod.applies)
                read (taskDelayRead + k, delay.mod.source);

            read (taskDelayWrite + k, delay.input);
            read (taskDelayWrite + k, delay.feedback);
            needs[taskDelayWrite + k] |= 1u << (taskDelayRead + k);
        }

        const auto& mixer = g.mixer[k];

        if (mixer.runs)
        {
            present |= 1u << (taskMixer + k);
            read (taskMixer + k, mixer.inputA);
            read (taskMixer + k, mixer.inputB);

            if (mixer.mod.applies)
                read (taskMixer + k, mixer.mod.source);
        }
    }

    read (taskOutput, g.outSource);

    if (g.dryWetMod.applies)
        read (taskOutput, g.dryWetMod.source);

    // Kahn's order, always taking the lowest ready task.
    uint32_t done = 0;
    plan.numTasks = 0;

    while (done != present)
    {
        int next = -1;

        for (int t = 0; t < taskCount && next < 0; ++t)
            if ((present & ~done & (1u << t)) != 0 && (needs[t] & present & ~done) == 0)
                next = t;

        if (next < 0)
            return false;

        done |= 1u << next;
        plan.order[plan.numTasks++] = next;
    }

    return true;
}

// The graph's values during a stretch: value[source][channel][stretchLead + n] for frame n, the
// previous frame's value one slot before. LFOs are written on channel 0 only.
struct StretchValues
{
    alignas (16) float value[numSignalSources][2][stretchSlots];

    float* at (int source, int c) noexcept { return value[source][source >= sourceLfo1 ? 0 : c] + stretchLead; }
};

// The ring writes of a stretch, in at most two runs of consecutive entries.
inline void writeStretch (float* __restrict ring, const float* in, const float* feedback, float inLevel,
                          float feedbackLevel, float gain, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        ring[i] = SyncDelayNoFeed::ringInput (in[i] * inLevel, feedback[i] * feedbackLevel, gain);
}

// The modulation rule over a stretch.
inline void modulateStretch (const Modulation& mod, const float* source, float* out, int n) noexcept
{
    for (int i = 0; i < n; i += 4)
        store (out + i, mod.apply (load<Four> (source + i)));
}

// A mixer over a stretch, frame after frame: for modes that feed back ("Damp", an unknown mode's
// held coefficient) and for a mixer that reads itself.
template <int mode, bool modulated, typename Unit>
inline void mixFrames (Unit& unit, int c, const float* a, const float* b, const float* modSource,
                       float* out, int n) noexcept
{
    const Modulation mod = unit.mod;
    float value = unit.value[c], coefficient = unit.coefficient[c], last = unit.last[c];

    for (int i = 0; i < n; ++i)
    {
        if (modulated)
        {
            value = mod.apply (modSource[i]) * 0.01f;
            coefficient = KivMixer::coefficientFor (mode, value, coefficient);
        }

        last = KivMixer::mixed (mode, coefficient, last, a[i], b[i], c);
        out[i] = bounded (last);
    }

    unit.value[c] = value;
    unit.coefficient[c] = coefficient;
    unit.last[c] = last;
}

// A mixer over a stretch whose frames do not depend on each other, side by side.
template <int mode, bool modulated, typename Unit>
inline void mixSideBySide (Unit& unit, int c, const float* a, const float* b, const float* modSource,
                           float* out, int n) noexcept
{
    alignas (16) float coefficients[stretchFrames];

    if (modulated)
    {
        alignas (16) float values[stretchFrames];
        modulateStretch (unit.mod, modSource, values, n);

        for (int i = 0; i < n; i += 4)
        {
            const Four value = load<Four> (values + i) * broadcast<Four> (0.01f);
            store (values + i, value);
            store (coefficients + i, KivMixer::coefficientFor (mode, value, value));
        }

        unit.value[c] = values[n - 1];
        unit.coefficient[c] = coefficients[n - 1];
    }
    else
    {
        std::fill_n (coefficients, stretchFrames, unit.coefficient[c]);
    }

    for (int i = 0; i < n; i += 4)
    {
        const Four mixed = KivMixer::mixed (mode, load<Four> (coefficients + i), Four {}, load<Four> (a + i),
                                            load<Four> (b + i), c);
        store (out + i, bounded (mixed));
    }

    unit.last[c] = KivMixer::mixed (mode, coefficients[n - 1], 0.0f, a[n - 1], b[n - 1], c);
}

// A "Damp" mixer whose control follows a modulation: the coefficients side by side, then the
// frames one after the other.
template <typename Unit>
inline void dampModulated (Unit& unit, int c, const float* a, const float* modSource, float* out, int n) noexcept
{
    alignas (16) float values[stretchFrames], coefficients[stretchFrames];
    modulateStretch (unit.mod, modSource, values, n);

    for (int i = 0; i < n; i += 4)
    {
        const Four value = load<Four> (values + i) * broadcast<Four> (0.01f);
        store (coefficients + i, KivMixer::coefficientFor (modeDamp, value, value));
        store (values + i, value);
    }

    float last = unit.last[c];

    for (int i = 0; i < n; ++i)
    {
        last = KivMixer::mixed (modeDamp, coefficients[i], last, a[i], 0.0f, c);
        out[i] = bounded (last);
    }

    unit.value[c] = values[n - 1];
    unit.coefficient[c] = coefficients[n - 1];
    unit.last[c] = last;
}

template <int mode, typename Unit>
inline void mixStretch (Unit& unit, int c, bool readsItself, const float* a, const float* b,
                        const float* modSource, float* out, int n) noexcept
{
    if (mode == modeDamp && ! readsItself && modSource != nullptr)
        dampModulated (unit, c, a, modSource, out, n);
    else if (readsItself || mode == modeDamp || mode >= numMixerModes)
    {
        if (modSource != nullptr)
            mixFrames<mode, true> (unit, c, a, b, modSource, out, n);
        else
            mixFrames<mode, false> (unit, c, a, b, modSource, out, n);
    }
    else if (modSource != nullptr)
        mixSideBySide<mode, true> (unit, c, a, b, modSource, out, n);
    else
        mixSideBySide<mode, false> (unit, c, a, b, modSource, out, n);
}

// The read positions of a delay line over a stretch: the write index moves on, the delay glides or
// follows its modulated target (targets given in samples, or nullptr).
template <typename Line>
[[gnu::always_inline]] inline void readPositionsOver (Line& line, const float* targets, float* positions, int n) noexcept
{
    const Four length = broadcast<Four> (line.lengthF);
    const int write = line.write, ringLength = line.length;

    // Delays that all lie inside the ring: the read position needs one wrap at most, the write
    // index being below the length and the delay above 0.
    auto positionsInsideRing = [&] (auto delayAt)
    {
        for (int i = 0; i < n; i += 4)
        {
            FourIndex w = FourIndex { 1, 2, 3, 4 } + (write + i);
            w = w >= ringLength ? w - ringLength : w;
            Four r = __builtin_convertvector (w, Four) - delayAt (i);
            r = r < broadcast<Four> (0.0f) ? r + length : r;
            store (positions + i, r < length ? r : broadcast<Four> (0.0f));
        }

        line.write = write + n < ringLength ? write + n : write + n - ringLength;
    };

    // A delay the glide no longer moves (at its target, or its step too small to change it) stays
    // where it is for the whole stretch.
    if (targets == nullptr)
    {
        Line moved = line;
        glide (moved);

        if (moved.current == line.current)
        {
            const Four delay = broadcast<Four> (line.current);
            positionsInsideRing ([&] (int) { return delay; });
            return;
        }
    }

    // Targets that all lie inside the ring are the delays as they are.
    if (targets != nullptr)
    {
        FourIndex inside = FourIndex { -1, -1, -1, -1 };

        for (int i = 0; i + 4 <= n; i += 4)
        {
            const Four t = load<Four> (targets + i);
            inside &= (t > broadcast<Four> (0.0f)) & (t < length);
        }

        for (int i = n & ~3; i < n; ++i)
            inside[0] &= targets[i] > 0.0f && targets[i] < line.lengthF ? -1 : 0;

        if ((inside[0] & inside[1] & inside[2] & inside[3]) != 0)
        {
            positionsInsideRing ([&] (int i) { return load<Four> (targets + i); });
            line.glideLength = 0;
            line.target = line.current = targets[n - 1];
            return;
        }
    }

    Line l = line;

    for (int i = 0; i < n; ++i)
    {
        if (targets != nullptr)
        {
            l.glideLength = 0;
            l.target = SyncDelayNoFeed::targetInRing (targets[i], l.target, l.lengthF);
            l.current = l.target;
        }

        l.write = l.write + 1 < l.length ? l.write + 1 : 0;
        glide (l);
        positions[i] = SyncDelayNoFeed::wrappedReadPosition (l.write, l.current, l.lengthF);
    }

    line = l;
}

inline void readRingOver (const float* ring, int length, const float* positions, float* out, int n) noexcept
{
    int i = 0;

    // Whole groups of four side by side; positions past the stretch are not read.
    for (; i + 4 <= n; i += 4)
    {
        const Four r = load<Four> (positions + i);
        const FourIndex index = __builtin_convertvector (r, FourIndex);
        const Four f = r - __builtin_convertvector (index, Four);
        const FourIndex next = index <= length - 2 ? index + 1 : FourIndex {};
        const Four a = { ring[index[0]], ring[index[1]], ring[index[2]], ring[index[3]] };
        const Four b = { ring[next[0]], ring[next[1]], ring[next[2]], ring[next[3]] };
        store (out + i, bounded (SyncDelayNoFeed::interpolated (a, b, f)));
    }

    for (; i < n; ++i)
        out[i] = bounded (SyncDelayNoFeed::readRing (ring, positions[i], length));
}

// The modulated delay of a stretch in samples, before it is brought into the ring.
template <typename Unit, typename Line>
inline void modulatedDelays (const Unit& unit, const Line& line, const float* source, float wholeNoteMs,
                             float* samples, int n) noexcept
{
    alignas (16) float values[stretchFrames];
    modulateStretch (unit.mod, source, values, n);
    const double rate = line.rate;

    for (int i = 0; i < n; i += 4)
    {
        const Four value = load<Four> (values + i);
        store (samples + i, msToSamples (unit.synced ? broadcast<Four> (wholeNoteMs) / value : value, rate));
    }
}

template <int numChannels, bool lfoChecked, typename SignalGraph>
void runStretches (SignalGraph& g, const StretchPlan& plan, float* const* io, int start, int end) noexcept
{
    constexpr int units = VarluneAudioProcessor::numUnits;
    StretchValues v;

    for (int source = 0; source < numSignalSources; ++source)
        for (int c = 0; c < 2; ++c)
            std::fill_n (v.value[source][c], stretchSlots, g.source[source][c]);

    int startWrite[units][2] = {};

    // The active LFOs in local copies for the segment, so that the stores of values do not force
    // reloads of the phases; modulated LFOs are active, with their slots among the active ones.
    typename SignalGraph::Oscillator lfos[units];
    const float* rateSources[units];
    float* lfoOutputs[units];
    int modulatedSlots[units];
    const int numModulated = g.numModulatedLfos, numActive = g.numActiveLfos;

    for (int j = 0; j < numActive; ++j)
    {
        lfos[j] = g.lfo[g.activeLfos[j]];
        lfoOutputs[j] = v.at (sourceLfo1 + g.activeLfos[j], 0);
    }

    for (int j = 0; j < numModulated; ++j)
    {
        int slot = 0;

        while (g.activeLfos[slot] != g.modulatedLfos[j])
            ++slot;

        modulatedSlots[j] = slot;
        const int source = lfos[slot].mod.source;
        rateSources[j] = v.at (source, 0) - lagOf (Reader::lfoRate, 0, source);
    }

    for (int s = start; s < end; s += stretchFrames)
    {
        const int n = std::min (stretchFrames, end - s);

        for (int c = 0; c < numChannels; ++c)
        {
            const float* in = io[c] + s;
            float* input = v.at (sourceInput, c);

            for (int i = 0; i < n; ++i)
                input[i] = finiteInput (in[i]);
        }

        for (int t = 0; t < plan.numTasks; ++t)
        {
            const int task = plan.order[t];

            if (task == taskLfos)
            {
                const float wholeNoteMs = g.wholeNoteMs;

                // LFO rates first, all from the previous frame's values, then one sample of each LFO.
                for (int i = 0; i < n; ++i)
                {
                    for (int j = 0; j < numModulated; ++j)
                    {
                        auto& lfo = lfos[modulatedSlots[j]];
                        lfo.rate = modulatedLfoRate (lfo, wholeNoteMs, lfo.mod.apply (rateSources[j][i]));
                        lfo.increment = lfo.incrementPerHz * lfo.rate;
                    }

                    for (int j = 0; j < numActive; ++j)
                        lfoOutputs[j][i] = stepLfo<lfoChecked> (lfos[j]);
                }
            }
            else if (task < taskMixer)
            {
                const int k = task - taskDelayRead;
                auto& unit = g.delay[k];
                const int source = unit.mod.source;

                // A line modulated by its own output needs each frame's output before the next.
                const bool readsItself = unit.mod.applies && source == sourceDelay1 + k;
                const int lines = numChannels == 2 && unit.linked ? 1 : numChannels;
                float positions[stretchFrames];

                for (int c = 0; c < lines; ++c)
                {
                    auto& line = unit.line[c];
                    startWrite[k][c] = line.write;
                    float* out = v.at (sourceDelay1 + k, c);

                    if (readsItself)
                    {
                        auto l = line;

                        for (int i = 0; i < n; ++i)
                        {
                            modulateDelayTime (unit, g.wholeNoteMs, l, out[i - 1]);
                            l.write = l.write + 1 < l.length ? l.write + 1 : 0;
                            glide (l);
                            out[i] = bounded (SyncDelayNoFeed::readRing (l.ring, SyncDelayNoFeed::wrappedReadPosition (l.write, l.current, l.lengthF), l.length));
                        }

                        line = l;
                        continue;
                    }

                    float targets[stretchFrames];

                    if (unit.mod.applies)
                        modulatedDelays (unit, line, v.at (source, c) - lagOf (Reader::delay, k, source), g.wholeNoteMs, targets, n);

                    readPositionsOver (line, unit.mod.applies ? targets : nullptr, positions, n);
                    readRingOver (line.ring, line.length, positions, out, n);
                }

                // Linked lines share their timing: the second ring is read at the same positions. Its
                // line's timing is brought up to date at the end of the segment.
                if (lines < numChannels)
                {
                    startWrite[k][1] = startWrite[k][0];
                    readRingOver (unit.line[1].ring, unit.line[0].length, positions, v.at (sourceDelay1 + k, 1), n);
                }

            }
            else if (task < taskDelayWrite)
            {
                const int k = task - taskMixer;
                auto& unit = g.mixer[k];
                const int own = sourceMixer1 + k;
                const bool readsItself = unit.inputA == own || unit.inputB == own || (unit.mod.applies && unit.mod.source == own);

                for (int c = 0; c < numChannels; ++c)
                {
                    const float* a = v.at (unit.inputA, c) - lagOf (Reader::mixer, k, unit.inputA);
                    const float* b = v.at (unit.inputB, c) - lagOf (Reader::mixer, k, unit.inputB);
                    const float* mod = unit.mod.applies ? v.at (unit.mod.source, c) - lagOf (Reader::mixer, k, unit.mod.source)
                                                        : nullptr;
                    float* out = v.at (own, c);

                    switch (unit.mode)
                    {
                        case modeMix:     mixStretch<modeMix> (unit, c, readsItself, a, b, mod, out, n); break;
                        case modeRingmod: mixStretch<modeRingmod> (unit, c, readsItself, a, b, mod, out, n); break;
                        case modeGain:    mixStretch<modeGain> (unit, c, readsItself, a, b, mod, out, n); break;
                        case modeDamp:    mixStretch<modeDamp> (unit, c, readsItself, a, b, mod, out, n); break;
                        case modePan:     mixStretch<modePan> (unit, c, readsItself, a, b, mod, out, n); break;
                        default:          mixStretch<numMixerModes> (unit, c, readsItself, a, b, mod, out, n); break;
                    }
                }
            }
            else if (task < taskOutput)
            {
                const int k = task - taskDelayWrite;
                auto& unit = g.delay[k];

                for (int c = 0; c < numChannels; ++c)
                {
                    const auto& line = unit.line[c];
                    const float* in = v.at (unit.input, c) - lagOf (Reader::delay, k, unit.input);
                    const float* feedback = v.at (unit.feedback, c) - lagOf (Reader::delay, k, unit.feedback);
                    const int first = std::min (n, line.length - startWrite[k][c]);
                    writeStretch (line.ring + startWrite[k][c], in, feedback, unit.inputLevel, unit.feedbackLevel,
                                  line.gain, first);
                    writeStretch (line.ring, in + first, feedback + first, unit.inputLevel, unit.feedbackLevel,
                                  line.gain, n - first);
                }
            }
            else
            {
                const Four level = broadcast<Four> (g.outLevel), gain = broadcast<Four> (g.outGain);

                for (int c = 0; c < numChannels; ++c)
                {
                    const float* wet = v.at (g.outSource, c);
                    const float* dry = v.at (sourceInput, c);
                    alignas (16) float dryWets[stretchFrames], out[stretchFrames];

                    if (g.dryWetMod.applies)
                    {
                        modulateStretch (g.dryWetMod, v.at (g.dryWetMod.source, c), dryWets, n);

                        for (int i = 0; i < n; i += 4)
                            store (dryWets + i, load<Four> (dryWets + i) * broadcast<Four> (0.01f));

                        // Channel 1's value is the one that stays.
                        g.dryWet = dryWets[n - 1];
                    }
                    else
                        std::fill_n (dryWets, stretchFrames, g.dryWet);

                    for (int i = 0; i < n; i += 4)
                    {
                        const Four dryWet = load<Four> (dryWets + i);
                        store (out + i, outputSample (load<Four> (wet + i) * level * gain, dryWet, load<Four> (dry + i)));
                    }

                    std::copy_n (out, n, io[c] + s);
                }
            }
        }

        // The last frame becomes the previous one.
        for (int source = 0; source < numSignalSources; ++source)
            for (int c = 0; c < 2; ++c)
                v.value[source][c][stretchLead - 1] = v.value[source][c][stretchLead + n - 1];
    }

    for (int j = 0; j < numActive; ++j)
        g.lfo[g.activeLfos[j]] = lfos[j];

    for (int source = sourceInput; source < sourceLfo1; ++source)
        for (int c = 0; c < numChannels; ++c)
            g.source[source][c] = v.value[source][c][stretchLead - 1];

    for (int k = 0; k < units; ++k)
        g.source[sourceLfo1 + k][0] = g.source[sourceLfo1 + k][1] = v.value[sourceLfo1 + k][0][stretchLead - 1];
}
} // namespace

void VarluneAudioProcessor::runSignalGraph (juce::AudioSampleBuffer& buffer, const juce::MidiBuffer& midi,
                                            int numSamples, int numChannelsToProcess) noexcept
{
    SignalGraph g;

    // Load the graph's values and the units' state.
    for (int c = 0; c < numChannels; ++c)
    {
        g.source[sourceNone][c] = 0.0f;
        g.source[sourceInput][c] = inputSample[c];

        for (int k = 0; k < numUnits; ++k)
        {
            g.source[sourceDelay1 + k][c] = delayOutput[k][c];
            g.source[sourceMixer1 + k][c] = mixerOutput[k][c];
            g.source[sourceLfo1 + k][c] = lfoOutput[k];

            const auto& line = *delayLines[k].getUnchecked (c);
            g.delay[k].line[c] = { line.ringBuffer.get(), line.ringLength, (float) line.ringLength,
                                   line.writeIndex, line.currentDelay,
                             line.targetDelay, line.glideStep, line.feedbackGain, line.glideLength,
                             (double) (float) line.sampleRate };

            const auto& mixer = *mixers[k].getUnchecked (c);
            g.mixer[k].value[c] = mixer.value;
            g.mixer[k].coefficient[c] = mixer.coefficient;
            g.mixer[k].last[c] = mixer.lastOutput;
        }
    }

    for (int k = 0; k < numUnits; ++k)
    {
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
        g.lfo[k].synced = lfoSync[k];
        g.lfo[k].times100 = lfoRateTimes100[k];
        g.delay[k].synced = delaySync[k];
        g.mixer[k].mode = mixers[k].getUnchecked (0)->mode;
    }

    g.outLevel = outInputLevel;
    g.outGain = outGainFactor;
    g.dryWet = dryWet;
    g.wholeNoteMs = wholeNoteMs;

    // Routing and modulation as the parameters stand now; which units can be skipped.
    auto resolvePlan = [&]
    {
        auto& p = parameters;

        for (int k = 0; k < numUnits; ++k)
        {
            const int d = delayBase (k + 1);
            g.delay[k].input = resolveSelector (*p.getUnchecked (d + delayInput));
            g.delay[k].feedback = resolveSelector (*p.getUnchecked (d + delayFeedbackInput));
            g.delay[k].inputLevel = delayInputLevel[k];
            g.delay[k].feedbackLevel = delayFeedbackInputLevel[k];
            g.delay[k].mod.resolve (delayTimeModDepth[k] != 0.0f && delayTimeModSource[k] != 0,
                                   *p.getUnchecked (d + ParameterIndex::delayTimeModSource),
                                   *p.getUnchecked (d + (delaySync[k] ? delayTimeSynced : delayTime)),
                                   delayTimeModDepth[k]);

            // Skipped: no inputs, no modulation, and a ring (and last output) that is all +0.
            bool silent = g.delay[k].input == sourceNone && g.delay[k].feedback == sourceNone
                           && ! g.delay[k].mod.applies;

            for (int c = 0; c < numChannelsToProcess; ++c)
                silent = silent && delayZeroWrites[k][c] >= g.delay[k].line[c].length
                          && isPositiveZero (g.source[sourceDelay1 + k][c]);

            g.delay[k].runs = ! silent;

            const int l = lfoBase (k + 1);
            g.lfo[k].mod.resolve (lfoRateModDepth[k] != 0.0f && lfoRateModSource[k] != 0,
                                 *p.getUnchecked (l + ParameterIndex::lfoRateModSource),
                                 *p.getUnchecked (l + (lfoSync[k] ? lfoSyncedRate : ParameterIndex::lfoRate)),
                                 lfoRateModDepth[k]);

            const int m = mixerBase (k + 1);
            g.mixer[k].inputA = resolveSelector (*p.getUnchecked (m + mixerInputA));
            g.mixer[k].inputB = resolveSelector (*p.getUnchecked (m + mixerInputB));
            g.mixer[k].mod.resolve (mixerControlModDepth[k] != 0.0f && mixerControlModSource[k] != 0,
                                   *p.getUnchecked (m + ParameterIndex::mixerControlModSource),
                                   *p.getUnchecked (m + ParameterIndex::mixerControl),
                                   mixerControlModDepth[k]);

            // With both inputs at +0 every mode gives +0, "Damp" only once its last output is +0.
            bool idle = g.mixer[k].inputA == sourceNone && g.mixer[k].inputB == sourceNone
                         && ! g.mixer[k].mod.applies;

            for (int c = 0; c < numChannelsToProcess; ++c)
                idle = idle && isPositiveZero (g.source[sourceMixer1 + k][c])
                        && (g.mixer[k].mode != modeDamp || isPositiveZero (g.mixer[k].last[c]));

            g.mixer[k].runs = ! idle;
        }

        g.outSource = resolveSelector (*p.getUnchecked (outInputSource));
        g.dryWetMod.resolve (dryWetModDepth != 0.0f && dryWetModSource != 0,
                             *p.getUnchecked (ParameterIndex::dryWetModSource),
                             *p.getUnchecked (ParameterIndex::dryWet), dryWetModDepth);
    };

    auto runSegment = [&] (int start, int end)
    {
        if (end <= start)
            return;

        float* const* io = buffer.getArrayOfWritePointers();
        const int length = end - start;

        planSegment (g, numChannelsToProcess);

        // Passive LFOs: sample and hold ones alone, the others side by side.
        SignalGraph::Oscillator* together[numUnits];
        int units[numUnits], count = 0;

        for (int k = 0; k < numUnits; ++k)
        {
            if (! g.lfo[k].passive)
                continue;

            if (g.lfo[k].table == nullptr && g.lfo[k].wave == waveSampleAndHold)
            {
                const float value = advancePassiveHold (g.lfo[k], length);
                g.source[sourceLfo1 + k][0] = value;
                g.source[sourceLfo1 + k][1] = value;
            }
            else
            {
                together[count] = &g.lfo[k];
                units[count++] = k;
            }
        }

        if (count > 0)
        {
            float values[numUnits];
            advancePassiveLfos (together, count, length, values);

            for (int j = 0; j < count; ++j)
                g.source[sourceLfo1 + units[j]][0] = g.source[sourceLfo1 + units[j]][1] = values[j];
        }

        StretchPlan plan;

        if (stretchesEnabled && planStretches (g, numChannelsToProcess, plan))
        {
            if (numChannelsToProcess == 2)
                g.lfoPhaseBounded ? runStretches<2, false> (g, plan, io, start, end) : runStretches<2, true> (g, plan, io, start, end);
            else
                g.lfoPhaseBounded ? runStretches<1, false> (g, plan, io, start, end) : runStretches<1, true> (g, plan, io, start, end);
        }
        else if (numChannelsToProcess == 2)
            g.lfoPhaseBounded ? runFrames<2, false> (g, io, start, end) : runFrames<2, true> (g, io, start, end);
        else
            g.lfoPhaseBounded ? runFrames<1, false> (g, io, start, end) : runFrames<1, true> (g, io, start, end);

        for (int k = 0; k < numUnits; ++k)
        {
            auto& lines = g.delay[k].line;

            if (g.delay[k].runs ? g.delay[k].linked : g.delay[k].linesMatch)
            {
                if (! g.delay[k].runs)
                    idleLine (lines[0], length);

                lines[1].write = lines[0].write;
                lines[1].current = lines[0].current;
                lines[1].target = lines[0].target;
                lines[1].glideLength = lines[0].glideLength;
            }
            else if (! g.delay[k].runs)
            {
                for (int c = 0; c < numChannelsToProcess; ++c)
                    idleLine (lines[c], length);
            }

            for (int c = 0; c < numChannelsToProcess; ++c)
            {

                // A skipped mixer's output, and so its last output, was +0 throughout.
                if (! g.mixer[k].runs)
                    g.mixer[k].last[c] = 0.0f;

                // With no inputs every write was +0.
                int& zeros = delayZeroWrites[k][c];

                if (g.delay[k].input == sourceNone && g.delay[k].feedback == sourceNone)
                    zeros = (int) std::min ((int64_t) zeros + length, (int64_t) INT_MAX);
                else
                    zeros = 0;
            }
        }
    };

    resolvePlan();

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
            resolvePlan();
    }

    // Store the graph's values and the units' state back.
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
            line.glideLength = local.glideLength;

            if (c < numChannelsToProcess)
                line.readPosition = readPositionOf (local);

            auto& mixer = *mixers[k].getUnchecked (c);
            mixer.value = g.mixer[k].value[c];
            mixer.coefficient = g.mixer[k].coefficient[c];
            mixer.lastOutput = g.mixer[k].last[c];
        }
    }

    for (int k = 0; k < numUnits; ++k)
    {
        auto& lfo = *lfos.getUnchecked (k);
        lfoOutput[k] = g.source[sourceLfo1 + k][0];
        lfo.phase = g.lfo[k].phase;
        lfo.phaseIncrement = g.lfo[k].increment;
        lfo.rate = g.lfo[k].rate;
        lfo.previousIndex = g.lfo[k].previousIndex;
        lfo.holdIndex = g.lfo[k].holdIndex;
    }

    dryWet = g.dryWet;
}

bool VarluneAudioProcessor::handleMidiEventsAt (juce::MidiBufferIterator& event, juce::MidiBufferIterator end,
                                                int samplePosition)
{
    bool parametersMoved = false;

    // Every event of this sample, in buffer order; any MIDI channel. Data bytes are seven bits wide.
    for (; event != end && (*event).samplePosition == samplePosition; ++event)
    {
        const auto message = *event;

        if (message.numBytes < 2)
            continue;

        const int status = message.data[0] & 0xf0;

        if (status == 0xc0)
        {
            // Taken up at the start of the next block.
            programChangeIndex.store (message.data[1] & 0x7f, std::memory_order_relaxed);
            programChangePending.store (true, std::memory_order_release);
        }
        else if (status == 0xb0 && message.numBytes >= 3)
        {
            parametersMoved = handleControlChange (message.data[1] & 0x7f, message.data[2] & 0x7f)
                               || parametersMoved;
        }
    }

    return parametersMoved;
}

bool VarluneAudioProcessor::handleControlChange (int number, int value)
{
    const bool learning = midiLearnActive.load (std::memory_order_relaxed);
    const float normalised = (float) value / 127.0f;
    bool moved = false;

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        auto& parameter = *parameters.getUnchecked (i);

        // Disarming and binding in one step, so an arm from the editor is never lost half-way.
        if (learning && parameter.learnArmed.exchange (false, std::memory_order_relaxed))
            parameter.setMidiCC (number);

        if (number == parameter.getMidiCC())
        {
            beginParameterChangeGesture (i);
            setParameterNotifyingHost (i, normalised);
            endParameterChangeGesture (i);
            lastMovedParameter.store (i, std::memory_order_relaxed);
            moved = true;
        }
    }

    return moved;
}

void VarluneAudioProcessor::setLastMovedParameter (int index) noexcept
{
    if (juce::isPositiveAndBelow (index, ParameterIndex::numParameters))
        lastMovedParameter.store (index, std::memory_order_relaxed);
}

void VarluneAudioProcessor::updateLastMovedDisplay()
{
    const int index = lastMovedParameter.load (std::memory_order_relaxed);

    if (juce::isPositiveAndBelow (index, ParameterIndex::numParameters))
    {
        lastParamName = getParameterName (index);
        lastParamText = getParameterText (index);
    }
}
