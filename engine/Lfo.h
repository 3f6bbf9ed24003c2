#pragma once

#include <juce_core/juce_core.h>

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

private:
    JUCE_DECLARE_NON_COPYABLE (Lfo)
};

} // namespace mordwickLib
