#pragma once

#include "ParameterTable.h"
#include "VarluneAudioProcessor.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace graphtest
{
/** A play head whose tempo the test sets: a value, no tempo in the position, or no position. */
class TestPlayHead : public juce::AudioPlayHead
{
public:
    enum class Mode { tempo, noTempo, noPosition };

    juce::Optional<PositionInfo> getPosition() const override
    {
        if (mode == Mode::noPosition)
            return {};

        PositionInfo info;
        if (mode == Mode::tempo)
            info.setBpm (bpm);
        return info;
    }

    Mode mode = Mode::tempo;
    double bpm = 120.0;
};

inline uint32_t bitsOf (float x)
{
    uint32_t bits;
    std::memcpy (&bits, &x, sizeof (bits));
    return bits;
}

inline bool sameBits (float a, float b) { return bitsOf (a) == bitsOf (b); }

/** Normalised value of a choice k of a selector (0..13), a wave (0..5) or a mode (0..4). */
inline float sourceValue (int k) { return (float) k / 13.0f; }
inline float waveValue (int k)   { return (float) k / 5.0f; }
inline float modeValue (int k)   { return (float) k / 4.0f; }

inline bool isSourceSelector (int index)
{
    for (int s : { 4, 6, 8, 14, 16, 18, 24, 26, 28, 34, 36, 38, 45, 52, 59, 66, 69, 70, 72, 75, 76, 78,
                   81, 82, 84, 87, 88, 90, 92, 95 })
        if (s == index)
            return true;
    return false;
}

inline bool isModulationDepth (int index)
{
    for (int d : { 9, 19, 29, 39, 46, 53, 60, 67, 73, 79, 85, 91, 96 })
        if (d == index)
            return true;
    return false;
}

/** A random normalised value for parameter index, biased toward the values patches use: exact
    choices, "None", depths of 0, the ends of ranges, defaults. */
inline float randomValueFor (int index, std::mt19937& rng, float defaultNormalised)
{
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);
    const float pick = unit (rng);

    if (isSourceSelector (index))
    {
        if (pick < 0.3f)
            return 0.0f;
        if (pick < 0.9f)
            return sourceValue ((int) (rng() % 14));
        return unit (rng);   // between the choices: the nearest one counts
    }

    if (isModulationDepth (index))
        return pick < 0.35f ? 0.0f : (pick < 0.45f ? 1.0f : unit (rng));

    if (pick < 0.1f)
        return defaultNormalised;
    if (pick < 0.15f)
        return 0.0f;
    if (pick < 0.2f)
        return 1.0f;
    return unit (rng);
}

/** Input: noise, silence of either sign, loud values beyond full scale, impulses (kinds 0 to 4),
    and noise with a NaN, an infinity or the largest float now and then (kind 5, what a broken
    upstream plug-in sends). */
inline float randomInput (std::mt19937& rng, int kind)
{
    std::uniform_real_distribution<float> unit (-1.0f, 1.0f);

    switch (kind)
    {
        case 0:  return unit (rng);
        case 1:  return 0.0f;
        case 2:  return -0.0f;
        case 3:  return unit (rng) * 3.0f;
        case 5:
        {
            const float extremes[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                       -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::max(),
                                       -std::numeric_limits<float>::max() };
            return rng() % 61 == 0 ? extremes[rng() % 5] : unit (rng);
        }
        default: return (rng() % 97) == 0 ? 1.0f : 0.0f;
    }
}

/** Tempos a host may report, usable or not. */
inline void randomTempo (TestPlayHead& head, std::mt19937& rng)
{
    static const double tempos[] = { 120.0, 15.0, 20.0, 60.0, 97.5, 174.3, 300.0, 999.0, 0.0, -120.0,
                                     std::numeric_limits<double>::quiet_NaN(),
                                     std::numeric_limits<double>::infinity(), 1.0e-300, 1.0e300,
                                     1.0e-35, 3.0e-31, 7.0e-40 };
    const auto pick = rng() % 20;

    if (pick == 18)
        head.mode = TestPlayHead::Mode::noTempo;
    else if (pick == 19)
        head.mode = TestPlayHead::Mode::noPosition;
    else
    {
        head.mode = TestPlayHead::Mode::tempo;
        head.bpm = pick < std::size (tempos) ? tempos[pick] : 40.0 + (double) (rng() % 2000) * 0.1;
    }
}
} // namespace graphtest
