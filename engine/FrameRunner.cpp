// The signal graph frame by frame: every unit steps once per frame, in the graph's order.
#include "SignalGraph.h"

namespace
{
using namespace lanes;
using mordwickLib::SyncDelayNoFeed;

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

    writePair (unit, source);
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
        const Stereo samples = msToSamples (ms, line0.rate);
        line0.glideLength = line1.glideLength = 0;
        line0.current = line0.target = SyncDelayNoFeed::targetInRing (samples[0], line0.target, line0.lengthF);
        line1.current = line1.target = SyncDelayNoFeed::targetInRing (samples[1], line1.target, line1.lengthF);
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

template <int numChannels, bool lfoChecked>
void runFramesOf (SignalGraph& graph, float* const* io, int start, int end) noexcept
{
    // A private copy: nothing outside this function can point into it, so ring stores cannot
    // clobber it and the compiler keeps it in registers and on the stack.
    SignalGraph g = graph;
    constexpr int units = SignalGraph::numUnits;

    // The running units of this segment in order, each with the pair its output goes to.
    SignalGraph::Oscillator* modulatedLfos[units];
    SignalGraph::Oscillator* activeLfos[units];
    SignalGraph::DelayUnit* delays[units];
    SignalGraph::MixerUnit* mixers[units];
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
} // namespace

void runFrames (SignalGraph& g, float* const* io, int start, int end, int numChannels) noexcept
{
    if (numChannels == 2)
        g.lfoPhaseBounded ? runFramesOf<2, false> (g, io, start, end) : runFramesOf<2, true> (g, io, start, end);
    else
        g.lfoPhaseBounded ? runFramesOf<1, false> (g, io, start, end) : runFramesOf<1, true> (g, io, start, end);
}
