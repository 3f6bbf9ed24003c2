#include "ReferenceParameters.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace reference
{
namespace
{
struct Row
{
    const char* suffix;
    float min, max, defaultValue;
    Curve curve;
};

// One unit of each family, in the order of its parameters; unit n has its number after the family.
const Row delayRows[] = {
    { "_Time", 1.0f, 1000.0f, 60.0f, Curve::square },
    { "_Sync", 0.0f, 1.0f, 0.0f, Curve::none },
    { "_Time_Synced", 128.0f, 1.0f, 4.0f, Curve::squareRoot },
    { "_Feedback", 0.0f, 100.0f, 40.0f, Curve::none },
    { "_Input", 0.0f, 13.0f, 0.0f, Curve::none },
    { "_input_Level", 0.0f, 100.0f, 100.0f, Curve::none },
    { "_Feedback_Input", 0.0f, 13.0f, 0.0f, Curve::none },
    { "_Feedback_Input_Level", 0.0f, 100.0f, 100.0f, Curve::none },
    { "_Time_Mod_Source", 0.0f, 13.0f, 0.0f, Curve::none },
    { "_Time_Mod_Depth", 0.0f, 100.0f, 0.0f, Curve::none },
};

const Row lfoRows[] = {
    { "_Wave", 0.0f, 5.0f, 0.0f, Curve::none },
    { "_Rate", 0.0f, 40.0f, 1.0f, Curve::square },
    { "_Sync", 0.0f, 1.0f, 0.0f, Curve::none },
    { "_Synced_Rate", 128.0f, 1.0f, 1.0f, Curve::squareRoot },
    { "_Rate_x100", 0.0f, 1.0f, 0.0f, Curve::none },
    { "_Rate_Mod_Source", 0.0f, 13.0f, 0.0f, Curve::none },
    { "_Rate_Mod_Depth", 0.0f, 100.0f, 0.0f, Curve::none },
};

const Row mixerRows[] = {
    { "_Mode", 0.0f, 4.0f, 0.0f, Curve::none },
    { "_Input_A", 0.0f, 13.0f, 0.0f, Curve::none },
    { "_Input_B", 0.0f, 13.0f, 0.0f, Curve::none },
    { "_Control", 0.0f, 100.0f, 50.0f, Curve::none },
    { "_Control_Mod_Source", 0.0f, 13.0f, 0.0f, Curve::none },
    { "_Control_Mod_Depth", 0.0f, 100.0f, 0.0f, Curve::none },
};

const Row outputRows[] = {
    { "Out_Input_Source", 0.0f, 13.0f, 2.0f, Curve::none },
    { "Out_Input_Level", 0.0f, 100.0f, 100.0f, Curve::none },
    { "Dry_Wet", 0.0f, 100.0f, 50.0f, Curve::none },
    { "Dry_Wet_Mod_Source", 0.0f, 13.0f, 0.0f, Curve::none },
    { "Dry_Wet_Mod_Depth", 0.0f, 100.0f, 0.0f, Curve::none },
    { "Out_Gain", -70.0f, 6.0f, 0.0f, Curve::squareRoot },
};

juce::String unitName (const char* family, int n, const char* suffix)
{
    return juce::String (family) + juce::String (n) + suffix;
}

// A parameter at its default: the default's place in the range, through the inverse of the curve.
Parameter makeParameter (const juce::String& name, const Row& row, float defaultValue)
{
    Parameter p;
    p.name = name;
    p.minValue = row.min;
    p.maxValue = row.max;
    p.curve = row.curve;

    const float lo = std::min (row.min, row.max), hi = std::max (row.min, row.max);

    if (defaultValue >= lo && defaultValue <= hi)
    {
        float d = (defaultValue - row.min) / (row.max - row.min);

        if (row.curve == Curve::squareRoot)
            d = d * d;
        else if (row.curve == Curve::square)
            d = std::sqrt (d);

        p.defaultNormalised = d;
    }

    p.store (p.defaultNormalised);
    return p;
}
} // namespace

float realValueOf (const Parameter& parameter, float n)
{
    const float range = parameter.maxValue - parameter.minValue;

    switch (parameter.curve)
    {
        case Curve::square:     return range * (n * n) + parameter.minValue;
        case Curve::squareRoot: return (float) ((double) range * std::sqrt ((double) n) + (double) parameter.minValue);
        case Curve::none:
        default:                return n * range + parameter.minValue;
    }
}

int choiceOf (float real) { return (int) (real + 0.5f); }

bool isOn (float real) { return (int) real != 0; }

void Parameter::store (float n)
{
    normalised = n;
    real = realValueOf (*this, n);
}

void Parameter::storeFromHost (float n)
{
    if (n >= 0.0f && n <= 1.0f)
        store (n);
}

ParameterSet::ParameterSet()
{
    for (int n = 1; n <= 4; ++n)
    {
        for (const auto& row : delayRows)
        {
            float defaultValue = row.defaultValue;

            // Only the first delay is routed at first: from the input, fed back from itself.
            if (n == 1 && juce::String (row.suffix) == "_Input")
                defaultValue = 1.0f;
            if (n == 1 && juce::String (row.suffix) == "_Feedback_Input")
                defaultValue = 2.0f;

            parameters.push_back (makeParameter (unitName ("Delay", n, row.suffix), row, defaultValue));
        }
    }

    for (int n = 1; n <= 4; ++n)
        for (const auto& row : lfoRows)
            parameters.push_back (makeParameter (unitName ("Lfo", n, row.suffix), row, row.defaultValue));

    for (int n = 1; n <= 4; ++n)
        for (const auto& row : mixerRows)
            parameters.push_back (makeParameter (unitName ("Mixer", n, row.suffix), row, row.defaultValue));

    for (const auto& row : outputRows)
        parameters.push_back (makeParameter (row.suffix, row, row.defaultValue));
}

Parameter& ParameterSet::named (const juce::String& name)
{
    for (auto& p : parameters)
        if (p.name == name)
            return p;

    throw std::out_of_range (("no parameter named " + name).toStdString());
}

Parameter& ParameterSet::ofUnit (const char* family, int n, const char* suffix)
{
    return named (unitName (family, n, suffix));
}
} // namespace reference
