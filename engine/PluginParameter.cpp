#include "PluginParameter.h"

#include <cmath>

namespace mordwickLib
{

void PluginParameter::init (float min, float max, float defaultValue, bool discrete,
                            juce::String parameterName, juce::String label, bool curved, bool curveSqrt)
{
    minValue = min;
    maxValue = max;
    name = std::move (parameterName);
    unitLabel = std::move (label);
    isDiscrete = discrete;
    isCurved = curved;
    curveIsSqrt = curveSqrt;

    // Inverted ranges (128 down to 1) count as well: the default only has to lie between the bounds.
    const float lo = std::min (min, max);
    const float hi = std::max (min, max);

    if (defaultValue >= lo && defaultValue <= hi)
    {
        float d = (defaultValue - min) / (max - min);

        if (curved)
            d = curveSqrt ? d * d : std::sqrt (d);

        defaultNormalised = d;
    }

    storeNormalised (defaultNormalised);
}

void PluginParameter::storeNormalised (float n)
{
    value.store (Value { n, toReal (n) }, std::memory_order_relaxed);
}

float PluginParameter::toReal (float n) const
{
    const float range = maxValue - minValue;

    if (! isCurved)
        return n * range + minValue;

    if (! curveIsSqrt)
        return range * (n * n) + minValue;

    return (float) ((double) range * std::sqrt ((double) n) + (double) minValue);
}

} // namespace mordwickLib
