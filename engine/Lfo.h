#pragma once

#include "Lanes.h"

#include <juce_core/juce_core.h>

#include <cmath>

#include <memory>

namespace mordwickLib
{

/** Low-frequency oscillator: six precomputed 1024-entry wavetables read without interpolation by
    a floating-point phase. The owner writes sampleRate, rate, wave and phaseIncrement directly and
    recomputes phaseIncrement = N / sampleRate * rate whenever rate or sampleRate changes. */
class Lfo
{
public:
    Lfo();

    /** The value at the current phase, then the phase advances by phaseIncrement. */
    float getSample (bool reset);

    double sampleRate = 44100.0;
    int tableSize = 1024;
    float rate = 1.0f;
    int wave = 0;
    float phase = 0.0f;
    float phaseIncrement = 0.0f;
    int previousIndex = 1023;
    int holdIndex = 0;
    std::unique_ptr<float[]> sineTable, squareTable, sawUpTable, sawDownTable, triangleTable, randomTable;

    const float* getTable (int waveIndex) const noexcept;

    // The per-sample rule, shared by getSample and block processing.

    /** The phase after one step. Checked: any increment, the phase kept inside the table (a NaN or
        infinite increment restarts it). Unchecked, for an increment in [0, size) and a phase in
        [0, size): the sum stays below twice the size and the one subtraction is exact. */
    template <bool checked>
    static float phaseAfter (float current, float increment, float size) noexcept
    {
        float next = increment + current;

        if (next >= size)
        {
            next = next - size;

            // Increments of a table or more (fast tempo-synced rates) need more than one wrap;
            // fmod keeps the phase inside without changing the usual single-wrap result.
            if (checked && next >= size)
                next = std::fmod (next, size);
        }

        if (checked && ! (next >= 0.0f && next < size))
            next = 0.0f;

        return next;
    }

    /** Four phases side by side, unchecked: a lane that does not wrap subtracts +0, which changes
        no phase in [0, size). */
    static lanes::Four phaseAfter (lanes::Four current, lanes::Four increment, lanes::Four size) noexcept
    {
        using Mask = int32_t __attribute__ ((vector_size (16)));
        const lanes::Four next = increment + current;
        return next - (lanes::Four) ((next >= size) & (Mask) size);
    }

    /** The held random value's index after reading the table at index: one step on whenever the
        phase has wrapped round. */
    static int holdAfter (int index, int previousIndex, int holdIndex, int size) noexcept
    {
        if (index < previousIndex && ++holdIndex >= size)
            holdIndex -= size;

        return holdIndex;
    }

    /** One sample: the value at the phase, then the phase advances. table is the wave's table, or
        nullptr for the held random values (wave 5) and for no wave at all. */
    template <bool checked>
    static float step (float& phase, int& previousIndex, int& holdIndex, float increment, float size, int tableSize,
                       const float* table, const float* random, int wave) noexcept
    {
        const float current = phase;
        phase = phaseAfter<checked> (current, increment, size);

        const int index = (int) current;
        float value = 0.0f;

        if (table != nullptr)
        {
            value = table[index];
        }
        else if (wave == 5)
        {
            holdIndex = holdAfter (index, previousIndex, holdIndex, tableSize);
            value = random[holdIndex];
        }

        previousIndex = index;
        return value;
    }

private:
    JUCE_DECLARE_NON_COPYABLE (Lfo)
};

} // namespace mordwickLib
