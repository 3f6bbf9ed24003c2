#pragma once

#include "Lanes.h"
#include "ParameterTable.h"

#include <algorithm>

// The two rules every selector and every modulation of the signal graph shares.

/** A choice parameter's real value as a whole number: plus 0.5, truncated toward zero. */
inline int toChoice (float real) noexcept { return (int) (real + 0.5f); }

/** The source a selector reads, from its parameter now; values outside the fourteen read as "None". */
inline int resolveSelector (const mordwickLib::PluginParameter& parameter) noexcept
{
    const int source = toChoice (parameter.getReal());
    return source >= 0 && source < numSignalSources ? source : sourceNone;
}

/** A modulation source value clamped to -1..1; a NaN reads as -1. */
template <typename T>
inline T clampedSource (T y) noexcept
{
    return lanes::greaterOf (lanes::lessOf (lanes::broadcast<T> (1.0f), y), lanes::broadcast<T> (-1.0f));
}

/** The modulation rule: the parameter's live value v swung by the clamped source value x times the
    depth d, by v itself in the lower half of the range and by the distance to the top in the upper
    half, then clamped to the range. What does not depend on the source value is taken once from the
    parameter; apply runs per sample: v' = v + (d * range) * x, clamped to lo..hi. */
struct Modulation
{
    bool applies = false;
    int source = sourceNone;
    float value = 0.0f, lo = 0.0f, hi = 0.0f, depthTimesRange = 0.0f;

    void setTarget (const mordwickLib::PluginParameter& target, float depth) noexcept
    {
        lo = std::min (target.minValue, target.maxValue);
        hi = std::max (target.minValue, target.maxValue);
        value = target.getReal();
        const float mid = (hi - lo) * 0.5f + lo;
        const float range = value <= mid ? value : hi - value;
        depthTimesRange = depth * range;
    }

    /** Whether it applies, the source from its selector and the target's values, as they stand now. */
    void resolve (bool modulated, const mordwickLib::PluginParameter& sourceSelector,
                  const mordwickLib::PluginParameter& target, float depth) noexcept
    {
        applies = modulated;

        if (! modulated)
        {
            source = sourceNone;
            return;
        }

        source = resolveSelector (sourceSelector);
        setTarget (target, depth);
    }

    template <typename T>
    T apply (T sourceValue) const noexcept
    {
        using namespace lanes;
        const T v = broadcast<T> (value) + broadcast<T> (depthTimesRange) * clampedSource (sourceValue);
        return lessOf (broadcast<T> (hi), greaterOf (broadcast<T> (lo), v));
    }
};
