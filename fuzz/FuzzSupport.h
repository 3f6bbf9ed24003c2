#pragma once

#include "VarluneAudioProcessor.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace fuzzsupport
{
/** One processor for the whole run: building one allocates 17 MB of delay rings. It lives in
    HOME, which the fuzz script points at a temporary folder. */
inline VarluneAudioProcessor& processor()
{
    static auto* instance = new VarluneAudioProcessor();
    return *instance;
}

struct Settings
{
    std::vector<float> values;
    std::vector<int> controllers;
    juce::String name;

    explicit Settings (VarluneAudioProcessor& p) : name (p.getCurrentPresetName())
    {
        for (int i = 0; i < ParameterIndex::numParameters; ++i)
        {
            values.push_back (p.getParameter (i));
            controllers.push_back (p.parameters.getUnchecked (i)->getMidiCC());
        }
    }
};

[[noreturn]] inline void fail (const char* what, int index = -1)
{
    std::fprintf (stderr, "invariant broken: %s (parameter %d)\n", what, index);
    std::abort();
}

/** Checks the outcome of handing one document to the processor: either nothing changed (the
    reader refused it) or exactly what the reader read, values outside 0..1 left as they were. */
inline void checkOutcome (const std::optional<SettingsSnapshot>& read, const Settings& before,
                          const Settings& after, bool withControllers)
{
    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        const auto v = after.values[(size_t) i];
        if (! (v >= 0.0f && v <= 1.0f))
            fail ("value outside 0..1", i);

        const auto cc = after.controllers[(size_t) i];
        if (cc < -1 || cc > 127)
            fail ("controller outside -1..127", i);
    }

    if (! read.has_value())
    {
        if (after.values != before.values || after.controllers != before.controllers || after.name != before.name)
            fail ("a refused document changed something");
        return;
    }

    if (after.name != read->presetName)
        fail ("preset name not taken");

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        const auto r = read->values[(size_t) i];
        const auto expected = (r >= 0.0f && r <= 1.0f) ? r : before.values[(size_t) i];
        if (after.values[(size_t) i] != expected)
            fail ("value not taken whole", i);

        const auto expectedCC = withControllers ? read->midiCCs[(size_t) i] : before.controllers[(size_t) i];
        if (after.controllers[(size_t) i] != expectedCC)
            fail ("controller not taken whole", i);
    }
}
} // namespace fuzzsupport
