#pragma once

// Stretches of frames, unit by unit.
//
// A delay line whose delay stays above the stretch's length reads only samples written before the
// stretch, so its outputs for the whole stretch can be read first and its inputs written after.
// With that, each unit can run over a whole stretch at once, in an order in which every unit comes
// after the units it reads: state stays in registers and the simple loops run side by side in
// vector lanes. The values are the same as frame by frame: every unit reads, for every frame, the
// value of this frame or of the previous one as the frame order has it.
#include "SignalGraph.h"

constexpr int stretchFrames = 32;

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

// One unit's work over a stretch. A delay unit is two tasks: its reads, which come before the units
// that read its output, and its writes, which come after the units it reads.
struct StretchTask
{
    enum class Kind { lfos, delayRead, mixer, delayWrite, output };

    Kind kind;
    int unit;   // the delay or mixer unit, 0 to 3; 0 for the LFOs and the output stage
};

struct StretchPlan
{
    static constexpr int maxTasks = 1 + 3 * SignalGraph::numUnits + 1;

    StretchTask tasks[maxTasks];
    int numTasks = 0;

    // Bit i for source i: the sources the tasks compute, and those they read that stay as they are
    // through the segment. Nothing else needs a place among the stretch's values.
    uint32_t computed = 0, steadyReads = 0;
};

// Whether every running line stays longer than a stretch through the segment.
bool linesStayLongEnough (const SignalGraph& g, int numChannels) noexcept;

// The segments' plans. A plan is an order of the segment's tasks in which each comes after those it
// reads; it stays while the segment's shape does (SignalGraph::shape), and only the running lines'
// delays are checked again for each segment.
class StretchPlanner
{
public:
    // The plan for the segment the graph is planned for, or nullptr when it cannot run stretch by
    // stretch (a loop that no long delay breaks, or a delay that gets too short).
    const StretchPlan* planFor (const SignalGraph& g, int numChannels) noexcept
    {
        if (g.shape != shape)
            order (g);

        return ordered && linesStayLongEnough (g, numChannels) ? &plan : nullptr;
    }

private:
    void order (const SignalGraph& g) noexcept;

    StretchPlan plan;
    bool ordered = false;
    uint64_t shape = 0;   // no segment's shape
};

// Stretch by stretch, a segment that has a plan.
void runStretches (SignalGraph& g, const StretchPlan& plan, float* const* io, int start, int end,
                   int numChannels) noexcept;
