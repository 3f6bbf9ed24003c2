#include "StretchPlanner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{
// Every task the graph can have, in the frame order, which is also the order the plan prefers.
constexpr int numCandidates = StretchPlan::maxTasks;

constexpr int candidateOf (StretchTask::Kind kind, int unit) noexcept
{
    switch (kind)
    {
        case StretchTask::Kind::lfos:       return 0;
        case StretchTask::Kind::delayRead:  return 1 + unit;
        case StretchTask::Kind::mixer:      return 1 + SignalGraph::numUnits + unit;
        case StretchTask::Kind::delayWrite: return 1 + 2 * SignalGraph::numUnits + unit;
        case StretchTask::Kind::output:     return numCandidates - 1;
    }

    return numCandidates - 1;
}

constexpr StretchTask candidate (int index) noexcept
{
    using Kind = StretchTask::Kind;
    constexpr int units = SignalGraph::numUnits;

    if (index == 0)
        return { Kind::lfos, 0 };
    if (index <= units)
        return { Kind::delayRead, index - 1 };
    if (index <= 2 * units)
        return { Kind::mixer, index - 1 - units };
    if (index <= 3 * units)
        return { Kind::delayWrite, index - 1 - 2 * units };
    return { Kind::output, 0 };
}

// Whether every delay a line can reach during the segment, with the glide's last step past its
// target, reads only what was written before the stretch: the lowest must stay above the stretch's
// length, the highest within the ring (past it the read position wraps round to the newest samples).
bool staysLongEnough (const SignalGraph::DelayUnit& unit, const SignalGraph::Line& line, float wholeNoteMs) noexcept
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
int producerOf (const SignalGraph& g, int source) noexcept
{
    using Kind = StretchTask::Kind;

    if (source >= sourceLfo1)
        return g.lfo[source - sourceLfo1].passive ? -1 : candidateOf (Kind::lfos, 0);
    if (source >= sourceMixer1)
        return g.mixerRuns (source - sourceMixer1) ? candidateOf (Kind::mixer, source - sourceMixer1) : -1;
    if (source >= sourceDelay1)
        return g.delayRuns (source - sourceDelay1) ? candidateOf (Kind::delayRead, source - sourceDelay1) : -1;
    return -1;
}

// An order of the segment's tasks in which each comes after those it reads; false for a loop that
// no long delay breaks.
bool orderTasks (const SignalGraph& g, StretchPlan& plan) noexcept
{
    using Kind = StretchTask::Kind;
    const int lfos = candidateOf (Kind::lfos, 0), output = candidateOf (Kind::output, 0);
    uint32_t present = 1u << output, needs[numCandidates] = {}, reads = 1u << sourceInput;
    plan.computed = 1u << sourceInput;

    auto read = [&] (int task, int source)
    {
        const int producer = producerOf (g, source);
        reads |= 1u << source;

        if (producer >= 0 && producer != task)
            needs[task] |= 1u << producer;
    };

    for (int j = 0; j < g.numActiveLfos; ++j)
        plan.computed |= 1u << (sourceLfo1 + g.activeLfos[j]);

    if (g.numActiveLfos > 0)
    {
        present |= 1u << lfos;

        for (int j = 0; j < g.numModulatedLfos; ++j)
            read (lfos, g.lfo[g.modulatedLfos[j]].mod.source);
    }

    for (int k = 0; k < SignalGraph::numUnits; ++k)
    {
        const auto& delay = g.delay[k];

        if (g.delayRuns (k))
        {
            const int readsRing = candidateOf (Kind::delayRead, k), writes = candidateOf (Kind::delayWrite, k);
            present |= (1u << readsRing) | (1u << writes);
            plan.computed |= 1u << (sourceDelay1 + k);

            if (delay.mod.applies)
                read (readsRing, delay.mod.source);

            read (writes, delay.input);
            read (writes, delay.feedback);
            needs[writes] |= 1u << readsRing;
        }

        const auto& mixer = g.mixer[k];

        if (g.mixerRuns (k))
        {
            const int mixes = candidateOf (Kind::mixer, k);
            present |= 1u << mixes;
            plan.computed |= 1u << (sourceMixer1 + k);
            read (mixes, mixer.inputA);
            read (mixes, mixer.inputB);

            if (mixer.mod.applies)
                read (mixes, mixer.mod.source);
        }
    }

    read (output, g.outSource);

    if (g.dryWetMod.applies)
        read (output, g.dryWetMod.source);

    plan.steadyReads = reads & ~plan.computed;

    // Kahn's order, always taking the first ready task in the frame order.
    uint32_t done = 0;
    plan.numTasks = 0;

    while (done != present)
    {
        int next = -1;

        for (int t = 0; t < numCandidates && next < 0; ++t)
            if ((present & ~done & (1u << t)) != 0 && (needs[t] & present & ~done) == 0)
                next = t;

        if (next < 0)
            return false;

        done |= 1u << next;
        plan.tasks[plan.numTasks++] = candidate (next);
    }

    return true;
}
} // namespace

bool linesStayLongEnough (const SignalGraph& g, int numChannels) noexcept
{
    for (int j = 0; j < g.numRunningDelays; ++j)
    {
        const auto& delay = g.delay[g.runningDelays[j]];

        // Linked lines have one timing.
        for (int c = 0; c < (delay.linked ? 1 : numChannels); ++c)
            if (! staysLongEnough (delay, delay.line[c], g.wholeNoteMs))
                return false;
    }

    return true;
}

void StretchPlanner::order (const SignalGraph& g) noexcept
{
    ordered = orderTasks (g, plan);
    shape = g.shape;
}
