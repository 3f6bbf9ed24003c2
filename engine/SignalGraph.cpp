// A segment's shape, and the units it skips: silent delay lines that only move on, LFOs that
// nothing reads and that only advance their phases.
#include "SignalGraph.h"

#include <cstring>

namespace
{
using namespace lanes;

inline bool sameBits (float a, float b) noexcept
{
    return std::memcmp (&a, &b, sizeof (a)) == 0;
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
        hold = mordwickLib::Lfo::holdAfter (index, previous, hold, lfo.tableSize);
        previous = index;
        phase = mordwickLib::Lfo::phaseAfter<false> (phase, increment, size);
    }

    lfo.phase = phase;
    lfo.previousIndex = previous;
    lfo.holdIndex = hold;
    return lfo.randomTable[hold];
}

// LFOs that nothing reads and that do not sample and hold, n samples on together, their phases side
// by side, one lane each. Each LFO is left with the value of its last sample.
template <typename Oscillator>
inline void advanceLfosSideBySide (Oscillator* const* lfos, int count, int n, float* values) noexcept
{
    Four phase = {}, increment = {}, size = {};

    for (int j = 0; j < count; ++j)
    {
        phase[j] = lfos[j]->phase;
        increment[j] = lfos[j]->increment;
        size[j] = (float) lfos[j]->tableSize;
    }

    for (int i = 1; i < n; ++i)
        phase = mordwickLib::Lfo::phaseAfter (phase, increment, size);

    const Four last = phase;
    phase = mordwickLib::Lfo::phaseAfter (phase, increment, size);

    for (int j = 0; j < count; ++j)
    {
        auto& lfo = *lfos[j];
        const int index = (int) last[j];
        lfo.phase = phase[j];
        lfo.previousIndex = index;
        values[j] = lfo.table != nullptr ? lfo.table[index] : 0.0f;
    }
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

} // namespace

namespace
{
// The units that run, in order, and what they read: these follow from the routing and from which
// units run (SignalGraph::runningShape).
void planRunningUnits (SignalGraph& g, int numChannels) noexcept
{
    constexpr int units = SignalGraph::numUnits;
    bool read[numSignalSources] = {};
    g.numModulatedLfos = g.numRunningDelays = g.numRunningMixers = 0;

    for (int k = 0; k < units; ++k)
    {
        if (g.delayRuns (k))
        {
            g.runningDelays[g.numRunningDelays++] = k;
            read[g.delay[k].input] = read[g.delay[k].feedback] = true;
            read[g.delay[k].mod.source] = read[g.delay[k].mod.source] || g.delay[k].mod.applies;
        }

        if (g.mixerRuns (k))
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

        g.mixer[k].modShared = numChannels == 1 || sameOnBothChannels (g.mixer[k].mod.source);
    }

    read[g.outSource] = true;
    read[g.dryWetMod.source] = read[g.dryWetMod.source] || g.dryWetMod.applies;
    g.dryWetModShared = numChannels == 1 || sameOnBothChannels (g.dryWetMod.source);

    for (int k = 0; k < units; ++k)
        g.lfoRead[k] = read[sourceLfo1 + k];
}
} // namespace

namespace
{
SignalGraph::Line& lineAt (SignalGraph& g, SignalGraph::LineIndex index) noexcept
{
    return g.delay[index.unit].line[index.channel];
}

// The skipped units' lines that move on, and those that take the timing of a line that does:
// skipped units left at the same settings have lines with the same timing, and each timing moves
// on once.
void planIdleMoves (SignalGraph& g, int numChannels) noexcept
{
    g.numIdleLeads = g.numIdleFollowers = 0;

    for (int k = 0; k < SignalGraph::numUnits; ++k)
    {
        if (g.delayRuns (k))
            continue;

        for (int c = 0; c < (g.delay[k].linesMatch ? 1 : numChannels); ++c)
        {
            const SignalGraph::LineIndex index { (uint8_t) k, (uint8_t) c };
            int lead = 0;

            while (lead < g.numIdleLeads && ! sameTiming (lineAt (g, g.idleLeads[lead]), g.delay[k].line[c]))
                ++lead;

            if (lead < g.numIdleLeads)
                g.idleFollowers[g.numIdleFollowers++] = { index, g.idleLeads[lead] };
            else
                g.idleLeads[g.numIdleLeads++] = index;
        }
    }
}
} // namespace

void replanSegment (SignalGraph& g, int numChannels, uint64_t shape) noexcept
{
    constexpr int units = SignalGraph::numUnits;

    if (shape != g.runningShape)
    {
        planRunningUnits (g, numChannels);
        g.runningShape = shape;
    }

    g.checkedShape = shape;
    g.checksStand = true;

    for (int k = 0; k < units; ++k)
    {
        // Both lines of a unit step alike while they start alike and see the same modulation.
        auto& unit = g.delay[k];
        unit.linesMatch = numChannels == 2 && sameTiming (unit.line[0], unit.line[1]);
        unit.linked = unit.linesMatch && (! unit.mod.applies || sameOnBothChannels (unit.mod.source));
        unit.paired = numChannels == 2 && unit.line[0].length == unit.line[1].length
                       && unit.line[0].write == unit.line[1].write && unit.line[0].rate == unit.line[1].rate;
    }

    planIdleMoves (g, numChannels);

    // A skipped mixer's output, and so its last output, is +0 throughout; it stays skipped, and
    // its last output +0, while the checks stand.
    for (int k = 0; k < SignalGraph::numUnits; ++k)
        if (! g.mixerRuns (k))
            for (int c = 0; c < numChannels; ++c)
                g.mixer[k].last[c] = 0.0f;

    g.lfoPhaseBounded = true;
    g.numActiveLfos = 0;
    g.passiveLfos = 0;

    for (int k = 0; k < units; ++k)
    {
        const auto& lfo = g.lfo[k];
        const float size = (float) lfo.tableSize;

        // Rates grow with the modulated value, so the range's ends bound the increments.
        const bool bounded = g.lfo[k].mod.applies
            ? phaseStaysBounded (lfo.phase, lfo.incrementPerHz * modulatedLfoRate (lfo, g.wholeNoteMs, lfo.mod.lo), size)
               && phaseStaysBounded (lfo.phase, lfo.incrementPerHz * modulatedLfoRate (lfo, g.wholeNoteMs, lfo.mod.hi), size)
            : phaseStaysBounded (lfo.phase, lfo.increment, size);

        g.lfo[k].passive = bounded && ! g.lfo[k].mod.applies && ! g.lfoRead[k];
        g.passiveLfos |= (uint32_t) g.lfo[k].passive << k;

        if (! g.lfo[k].passive)
        {
            g.activeLfos[g.numActiveLfos++] = k;
            g.lfoPhaseBounded = g.lfoPhaseBounded && bounded;
        }
    }

    g.shape = shape | (uint64_t) g.passiveLfos << 12;
}

void catchUpPassiveLfos (SignalGraph& g) noexcept
{
    const int n = g.framesOwed;
    g.framesOwed = 0;

    if (n == 0)
        return;

    // Sample and hold ones alone, the others side by side.
    SignalGraph::Oscillator* together[SignalGraph::numUnits];
    int units[SignalGraph::numUnits], count = 0;

    for (int k = 0; k < SignalGraph::numUnits; ++k)
    {
        if ((g.lfosOwing >> k & 1u) == 0)
            continue;

        if (g.lfo[k].table == nullptr && g.lfo[k].wave == waveSampleAndHold)
        {
            const float value = advancePassiveHold (g.lfo[k], n);
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
        float values[SignalGraph::numUnits];
        advanceLfosSideBySide (together, count, n, values);

        for (int j = 0; j < count; ++j)
            g.source[sourceLfo1 + units[j]][0] = g.source[sourceLfo1 + units[j]][1] = values[j];
    }
}

void finishSegment (SignalGraph& g, int n) noexcept
{
    for (int i = 0; i < g.numIdleLeads; ++i)
        idleLine (lineAt (g, g.idleLeads[i]), n);

    for (int i = 0; i < g.numIdleFollowers; ++i)
    {
        auto& line = lineAt (g, g.idleFollowers[i].line);
        const auto& lead = lineAt (g, g.idleFollowers[i].lead);
        line.write = lead.write;
        line.current = lead.current;
    }

    // Lines that stepped as one take over each other's timing.
    for (int k = 0; k < SignalGraph::numUnits; ++k)
    {
        if (g.delayRuns (k) ? g.delay[k].linked : g.delay[k].linesMatch)
        {
            auto& lines = g.delay[k].line;
            lines[1].write = lines[0].write;
            lines[1].current = lines[0].current;
            lines[1].target = lines[0].target;
            lines[1].glideLength = lines[0].glideLength;
        }
    }
}
