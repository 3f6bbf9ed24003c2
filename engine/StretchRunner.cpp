// The signal graph stretch by stretch, following a plan (StretchPlanner.h).
#include "StretchUnits.h"

namespace
{
using namespace lanes;
using namespace stretch;

constexpr int stretchLead = 4;    // slot stretchLead - 1: the previous frame; frames stay 16-byte aligned
constexpr int stretchSlots = stretchLead + stretchFrames;

// The graph's values during a stretch: value[source][channel][stretchLead + n] for frame n, the
// previous frame's value one slot before. LFOs are written on channel 0 only; rows of sources the
// plan neither computes nor reads stay unset.
struct StretchValues
{
    alignas (16) float value[numSignalSources][2][stretchSlots];

    float* at (int source, int c) noexcept { return value[source][source >= sourceLfo1 ? 0 : c] + stretchLead; }
};

template <int numChannels, bool lfoChecked>
void runStretchesOf (SignalGraph& g, const StretchPlan& plan, float* const* io, int start, int end) noexcept
{
    constexpr int units = SignalGraph::numUnits;
    StretchValues v;

    // A source's row on each channel that reads it (LFOs: channel 0 only). Once a segment only the
    // sources named are visited; once a stretch every source is tested, a loop the compiler lays
    // out in full, which costs less where many sources are named.
    auto forEachRow = [] (uint32_t sources, auto&& f)
    {
        forEachBit (sources, [&] (int source)
        {
            for (int c = 0; c < (source >= sourceLfo1 ? 1 : numChannels); ++c)
                f (source, c);
        });
    };

    auto forEachRowOfAll = [] (uint32_t sources, auto&& f)
    {
        for (int source = 0; source < numSignalSources; ++source)
            if ((sources >> source & 1u) != 0)
                for (int c = 0; c < (source >= sourceLfo1 ? 1 : numChannels); ++c)
                    f (source, c);
    };

    // Computed values need the frame before the segment, values that stay fill their rows.
    forEachRow (plan.computed, [&] (int source, int c) { v.value[source][c][stretchLead - 1] = g.source[source][c]; });
    forEachRow (plan.steadyReads, [&] (int source, int c)
    {
        std::fill_n (v.value[source][c] + stretchLead - 1, stretchFrames + 1, g.source[source][c]);
    });

    int startWrite[units][2] = {};

    // The active LFOs in local copies for the segment, so that the stores of values do not force
    // reloads of the phases; modulated LFOs are active, with their slots among the active ones.
    SignalGraph::Oscillator lfos[units];
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
            const float* __restrict in = io[c] + s;
            float* __restrict input = v.at (sourceInput, c);

            if (n == stretchFrames)
            {
                for (int i = 0; i < stretchFrames; ++i)
                    input[i] = finiteInput (in[i]);
            }
            else
            {
                for (int i = 0; i < n; ++i)
                    input[i] = finiteInput (in[i]);
            }
        }

        for (int t = 0; t < plan.numTasks; ++t)
        {
            const StretchTask& task = plan.tasks[t];

            if (task.kind == StretchTask::Kind::lfos)
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
            else if (task.kind == StretchTask::Kind::delayRead)
            {
                const int k = task.unit;
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
                        auto local = line;

                        for (int i = 0; i < n; ++i)
                        {
                            modulateDelayTime (unit, g.wholeNoteMs, local, out[i - 1]);
                            local.write = local.write + 1 < local.length ? local.write + 1 : 0;
                            glide (local);
                            const float r = SyncDelayNoFeed::wrappedReadPosition (local.write, local.current, local.lengthF);
                            out[i] = bounded (SyncDelayNoFeed::readRing (local.ring, r, local.length));
                        }

                        line = local;
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
            else if (task.kind == StretchTask::Kind::mixer)
            {
                const int k = task.unit;
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
            else if (task.kind == StretchTask::Kind::delayWrite)
            {
                const int k = task.unit;
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
                    const float* dryWetSource = v.at (g.dryWetMod.source, c);
                    const Modulation dryWetMod = g.dryWetMod;
                    const Four unmodulated = broadcast<Four> (g.dryWet);
                    alignas (16) float dryWets[stretchFrames], out[stretchFrames];

                    // Whole stretches go straight to the buffer; a last, shorter one through a copy.
                    float* const to = n == stretchFrames ? io[c] + s : out;

                    for (int i = 0; i < n; i += 4)
                    {
                        const Four dryWet = dryWetMod.applies ? dryWetMod.apply (load<Four> (dryWetSource + i)) * broadcast<Four> (0.01f)
                                                              : unmodulated;
                        store (dryWets + i, dryWet);
                        store (to + i, outputSample (load<Four> (wet + i) * level * gain, dryWet, load<Four> (dry + i)));
                    }

                    // Channel 1's value is the one that stays.
                    if (dryWetMod.applies)
                        g.dryWet = dryWets[n - 1];

                    if (to == out)
                        std::copy_n (out, n, io[c] + s);
                }
            }
        }

        // The last frame becomes the previous one.
        forEachRowOfAll (plan.computed, [&] (int source, int c)
        {
            v.value[source][c][stretchLead - 1] = v.value[source][c][stretchLead + n - 1];
        });
    }

    for (int j = 0; j < numActive; ++j)
        g.lfo[g.activeLfos[j]] = lfos[j];

    forEachRow (plan.computed, [&] (int source, int c)
    {
        g.source[source][c] = v.value[source][c][stretchLead - 1];

        if (source >= sourceLfo1)
            g.source[source][1] = g.source[source][0];
    });
}
} // namespace

void runStretches (SignalGraph& g, const StretchPlan& plan, float* const* io, int start, int end, int numChannels) noexcept
{
    if (numChannels == 2)
        g.lfoPhaseBounded ? runStretchesOf<2, false> (g, plan, io, start, end) : runStretchesOf<2, true> (g, plan, io, start, end);
    else
        g.lfoPhaseBounded ? runStretchesOf<1, false> (g, plan, io, start, end) : runStretchesOf<1, true> (g, plan, io, start, end);
}
