#pragma once

// Each unit over a stretch of frames, for the stretch runner: side by side where the frames do not
// depend on each other, frame after frame where they do, through the units' per-sample rules.
#include "StretchPlanner.h"

#include <algorithm>

namespace stretch
{
using namespace lanes;
using mordwickLib::SyncDelayNoFeed;

// The ring writes of a stretch, in at most two runs of consecutive entries.
inline void writeStretch (float* __restrict ring, const float* in, const float* feedback, float inLevel,
                          float feedbackLevel, float gain, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        ring[i] = SyncDelayNoFeed::ringInput (in[i] * inLevel, feedback[i] * feedbackLevel, gain);
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
        const Modulation mod = unit.mod;

        for (int i = 0; i < n; i += 4)
        {
            const Four value = mod.apply (load<Four> (modSource + i)) * broadcast<Four> (0.01f);
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
    const Modulation mod = unit.mod;

    for (int i = 0; i < n; i += 4)
    {
        const Four value = mod.apply (load<Four> (modSource + i)) * broadcast<Four> (0.01f);
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

    Line local = line;

    for (int i = 0; i < n; ++i)
    {
        if (targets != nullptr)
        {
            local.glideLength = 0;
            local.target = SyncDelayNoFeed::targetInRing (targets[i], local.target, local.lengthF);
            local.current = local.target;
        }

        local.write = local.write + 1 < local.length ? local.write + 1 : 0;
        glide (local);
        positions[i] = SyncDelayNoFeed::wrappedReadPosition (local.write, local.current, local.lengthF);
    }

    line = local;
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
    const Modulation mod = unit.mod;
    const double rate = line.rate;

    for (int i = 0; i < n; i += 4)
    {
        const Four value = mod.apply (load<Four> (source + i));
        store (samples + i, msToSamples (unit.synced ? broadcast<Four> (wholeNoteMs) / value : value, rate));
    }
}
} // namespace stretch
