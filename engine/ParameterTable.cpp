#include "ParameterTable.h"

#include <cstdint>

namespace
{
const char* const sourceNames[] = { "None", "Input", "Delay 1", "Delay 2", "Delay 3", "Delay 4",
                                    "Mixer 1", "Mixer 2", "Mixer 3", "Mixer 4",
                                    "LFO 1", "LFO 2", "LFO 3", "LFO 4" };
const char* const waveNames[] = { "Sin", "Sqr", "SUp", "SDn", "Tri", "S&H" };
const char* const modeNames[] = { "Mix", "Ringmod", "Gain", "Damp", "Pan" };

enum class TextKind { twoDecimals, integer, switchOnOff, wave, mode, source };

enum Curve { none, square, squareRoot };

struct Row
{
    const char* suffix;
    float min, max, defaultValue;
    bool discrete;
    const char* label;
    Curve curve;
    TextKind text;
};

// Unit 1's defaults for the two routing selectors; units 2 to 4 start unrouted.
const Row delayRows[] = {
    { "_Time",                       1.0f, 1000.0f, 60.0f, false, "Ms",  square,     TextKind::twoDecimals },
    { "_Sync",                       0.0f, 1.0f,    0.0f,  true,  "",    none,       TextKind::switchOnOff },
    { "_Time_Synced",                128.0f, 1.0f,  4.0f,  false, "div", squareRoot, TextKind::integer },
    { "_Feedback",                   0.0f, 100.0f,  40.0f, false, "%",   none,       TextKind::twoDecimals },
    { "_Input",                      0.0f, 13.0f,   0.0f,  true,  "",    none,       TextKind::source },
    { "_input_Level",                0.0f, 100.0f,  100.0f, false, "%",  none,       TextKind::twoDecimals },
    { "_Feedback_Input",             0.0f, 13.0f,   0.0f,  true,  "",    none,       TextKind::source },
    { "_Feedback_Input_Level",       0.0f, 100.0f,  100.0f, false, "%",  none,       TextKind::twoDecimals },
    { "_Time_Mod_Source",            0.0f, 13.0f,   0.0f,  true,  "",    none,       TextKind::source },
    { "_Time_Mod_Depth",             0.0f, 100.0f,  0.0f,  false, "%",   none,       TextKind::twoDecimals },
};

const Row lfoRows[] = {
    { "_Wave",                       0.0f, 5.0f,    0.0f,  true,  "",    none,       TextKind::wave },
    { "_Rate",                       0.0f, 40.0f,   1.0f,  false, "Hz",  square,     TextKind::twoDecimals },
    { "_Sync",                       0.0f, 1.0f,    0.0f,  true,  "",    none,       TextKind::switchOnOff },
    { "_Synced_Rate",                128.0f, 1.0f,  1.0f,  false, "div", squareRoot, TextKind::integer },
    { "_Rate_x100",                  0.0f, 1.0f,    0.0f,  true,  "",    none,       TextKind::integer },
    { "_Rate_Mod_Source",            0.0f, 13.0f,   0.0f,  true,  "",    none,       TextKind::source },
    { "_Rate_Mod_Depth",             0.0f, 100.0f,  0.0f,  false, "%",   none,       TextKind::twoDecimals },
};

const Row mixerRows[] = {
    { "_Mode",                       0.0f, 4.0f,    0.0f,  true,  "",    none,       TextKind::mode },
    { "_Input_A",                    0.0f, 13.0f,   0.0f,  true,  "",    none,       TextKind::source },
    { "_Input_B",                    0.0f, 13.0f,   0.0f,  true,  "",    none,       TextKind::source },
    { "_Control",                    0.0f, 100.0f,  50.0f, false, "%",   none,       TextKind::twoDecimals },
    { "_Control_Mod_Source",         0.0f, 13.0f,   0.0f,  true,  "",    none,       TextKind::source },
    { "_Control_Mod_Depth",          0.0f, 100.0f,  0.0f,  false, "%",   none,       TextKind::twoDecimals },
};

const Row outputRows[] = {
    { "Out_Input_Source",            0.0f, 13.0f,   2.0f,  true,  "",    none,       TextKind::source },
    { "Out_Input_Level",             0.0f, 100.0f,  100.0f, false, "%",  none,       TextKind::twoDecimals },
    { "Dry_Wet",                     0.0f, 100.0f,  50.0f, false, "%",   none,       TextKind::twoDecimals },
    { "Dry_Wet_Mod_Source",          0.0f, 13.0f,   0.0f,  true,  "",    none,       TextKind::source },
    { "Dry_Wet_Mod_Depth",           0.0f, 100.0f,  0.0f,  false, "%",   none,       TextKind::twoDecimals },
    { "Out_Gain",                    -70.0f, 6.0f,  0.0f,  false, "dB",  squareRoot, TextKind::twoDecimals },
};

struct Entry
{
    juce::String name;
    Row row;
};

Entry entryFor (int index)
{
    using namespace ParameterIndex;

    if (index < lfoBase (1))
    {
        const int unit = index / 10 + 1;
        Row row = delayRows[index % 10];

        if (unit == 1 && index % 10 == delayInput)
            row.defaultValue = 1.0f;  // "Input"
        if (unit == 1 && index % 10 == delayFeedbackInput)
            row.defaultValue = 2.0f;  // "Delay 1"

        return { "Delay" + juce::String (unit) + row.suffix, row };
    }

    if (index < mixerBase (1))
    {
        const int offset = index - lfoBase (1);
        const Row& row = lfoRows[offset % 7];
        return { "Lfo" + juce::String (offset / 7 + 1) + row.suffix, row };
    }

    if (index < outInputSource)
    {
        const int offset = index - mixerBase (1);
        const Row& row = mixerRows[offset % 6];
        return { "Mixer" + juce::String (offset / 6 + 1) + row.suffix, row };
    }

    const Row& row = outputRows[index - outInputSource];
    return { row.suffix, row };
}

TextKind textKindFor (int index)
{
    using namespace ParameterIndex;

    if (index < lfoBase (1))
        return delayRows[index % 10].text;
    if (index < mixerBase (1))
        return lfoRows[(index - lfoBase (1)) % 7].text;
    if (index < outInputSource)
        return mixerRows[(index - mixerBase (1)) % 6].text;
    return outputRows[index - outInputSource].text;
}

juce::String choiceText (float real, const char* const* names, int count)
{
    const int k = (int) (real + 0.5f);
    return (k >= 0 && k < count) ? juce::String (names[k]) : juce::String();
}
} // namespace

void initializeAllParameters (juce::OwnedArray<mordwickLib::PluginParameter>& parameters)
{
    for (int index = 0; index < ParameterIndex::numParameters; ++index)
    {
        const Entry entry = entryFor (index);
        const Row& row = entry.row;
        parameters[index]->init (row.min, row.max, row.defaultValue, row.discrete, entry.name,
                                 row.label, row.curve != none, row.curve == squareRoot);
    }
}

juce::String formatTwoDecimals (float r)
{
    const auto m = (std::int64_t) ((double) std::abs (r) * 100.0 + 0.5);
    juce::String text (r < 0.0f ? "-" : "");
    text << juce::String (m / 100) << "." << juce::String (m % 100).paddedLeft ('0', 2);
    return text;
}

juce::String getParameterValueText (int index, const mordwickLib::PluginParameter& parameter, float r)
{
    switch (textKindFor (index))
    {
        case TextKind::switchOnOff:
        {
            const int t = (int) r;
            return t == 1 ? "On" : (t == 0 ? "Off" : "");
        }
        case TextKind::wave:    return choiceText (r, waveNames, numLfoWaves);
        case TextKind::mode:    return choiceText (r, modeNames, numMixerModes);
        case TextKind::source:  return choiceText (r, sourceNames, numSignalSources);
        case TextKind::integer: return juce::String ((int) r) + " " + parameter.unitLabel;
        case TextKind::twoDecimals:
        default:                return formatTwoDecimals (r) + " " + parameter.unitLabel;
    }
}

const char* getSignalSourceName (int source) noexcept
{
    return (source >= 0 && source < numSignalSources) ? sourceNames[source] : "";
}

const char* getLfoWaveName (int wave) noexcept
{
    return (wave >= 0 && wave < numLfoWaves) ? waveNames[wave] : "";
}

const char* getMixerModeName (int mode) noexcept
{
    return (mode >= 0 && mode < numMixerModes) ? modeNames[mode] : "";
}
