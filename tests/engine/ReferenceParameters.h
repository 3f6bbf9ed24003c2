#pragma once

#include <juce_core/juce_core.h>

#include <vector>

/** The reference model's own parameters: the 98 names in their order, with ranges, defaults and
    curves written out from the documented table, and the documented conversion from a normalised
    value to the value in the parameter's unit. Nothing here comes from the plug-in's code. */
namespace reference
{
enum class Curve { none, square, squareRoot };

struct Parameter
{
    juce::String name;
    float minValue = 0.0f, maxValue = 1.0f;
    Curve curve = Curve::none;
    float defaultNormalised = 0.0f;

    float normalised = 0.0f;
    float real = 0.0f;
    int midiController = -1;
    bool learnArmed = false;

    /** Takes a normalised value and derives the real value from it. */
    void store (float n);

    /** What the host's setParameter does: values outside 0..1 (and NaN) change nothing. */
    void storeFromHost (float n);
};

/** The real value for normalised value n, by the parameter's curve. */
float realValueOf (const Parameter& parameter, float n);

/** A choice (source, wave, mode) from its real value: the nearest one, half up. */
int choiceOf (float real);

/** A switch from its real value: truncated, then anything but 0 is on. */
bool isOn (float real);

class ParameterSet
{
public:
    /** The 98 parameters in index order, each at its default. */
    ParameterSet();

    int size() const { return (int) parameters.size(); }
    Parameter& operator[] (int index) { return parameters[(size_t) index]; }

    /** The parameter of this name; a name the table does not have is a fault of the caller. */
    Parameter& named (const juce::String& name);

    /** Unit n's parameter of a family, e.g. ("Delay", 2, "_Time") for "Delay2_Time". */
    Parameter& ofUnit (const char* family, int n, const char* suffix);

private:
    std::vector<Parameter> parameters;
};
} // namespace reference
