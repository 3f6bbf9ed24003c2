// The bar's actions that need no window: preset stepping, RND and Clear.
#include "BackgroundActions.h"
#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using editortest::HostEvent;
using editortest::HostRecorder;

TEST (PresetStepping, WrapsAroundTheListBothWays)
{
    struct Case { bool next; int current, count, expected; };
    const Case cases[] = {
        { false, 0, 5, 4 }, { false, 3, 5, 2 }, { true, 4, 5, 0 }, { true, 2, 5, 3 },
        { true, -1, 5, 0 }, { false, -1, 5, 4 }, { true, 7, 5, 0 },
        { false, 0, 0, -1 }, { true, 0, 0, 0 }, { false, 0, 1, 0 }, { true, 0, 1, 0 },
    };

    for (const auto& c : cases)
    {
        const int got = c.next ? BackgroundActions::nextPresetIndex (c.current, c.count)
                               : BackgroundActions::previousPresetIndex (c.current, c.count);
        EXPECT_EQ (got, c.expected) << (c.next ? ">" : "<") << " at " << c.current << " of " << c.count;
    }
}

namespace
{
enum class Draw { none, uniform, boolean, wave };

// RND's families, by the part of each parameter's name after its unit.
Draw expectedDraw (const juce::String& name)
{
    static const std::map<juce::String, Draw> delay {
        { "Time", Draw::uniform }, { "Time_Synced", Draw::uniform }, { "Feedback", Draw::uniform },
        { "Time_Mod_Depth", Draw::uniform }, { "Sync", Draw::boolean } };
    static const std::map<juce::String, Draw> lfo {
        { "Rate", Draw::uniform }, { "Synced_Rate", Draw::uniform }, { "Rate_Mod_Depth", Draw::uniform },
        { "Sync", Draw::boolean }, { "Rate_x100", Draw::boolean }, { "Wave", Draw::wave } };
    static const std::map<juce::String, Draw> mixer {
        { "Control", Draw::uniform }, { "Control_Mod_Depth", Draw::uniform } };

    const auto suffix = name.fromFirstOccurrenceOf ("_", false, false);
    const auto& family = name.startsWith ("Delay") ? delay : name.startsWith ("Lfo") ? lfo
                       : name.startsWith ("Mixer") ? mixer : std::map<juce::String, Draw>();
    const auto found = family.find (suffix);
    return found != family.end() ? found->second : Draw::none;
}
} // namespace

TEST (Randomise, DrawsInParameterOrderAndLeavesRoutingLevelsModesAndOutputAlone)
{
    VarluneAudioProcessor processor;
    for (int i = 0; i < 98; ++i)
        processor.setParameter (i, 0.37f);

    // Check the name table itself against the families' sizes: 17 + 4 x 6 + 8 randomised.
    int randomised = 0;
    for (int i = 0; i < 98; ++i)
        randomised += expectedDraw (processor.getParameterName (i)) != Draw::none ? 1 : 0;
    ASSERT_EQ (randomised, 4 * 5 + 4 * 6 + 4 * 2);

    for (const auto seed : { 1, 2, 3, 99 })
    {
        juce::Random random (seed), replay (seed);
        HostRecorder host (processor);
        BackgroundActions::randomiseParameters (processor, random);

        std::vector<HostEvent> expected;
        for (int i = 0; i < 98; ++i)
        {
            const auto draw = expectedDraw (processor.getParameterName (i));
            float value = 0.37f;

            if (draw == Draw::uniform)
                value = replay.nextFloat();
            else if (draw == Draw::boolean)
                value = replay.nextBool() ? 1.0f : 0.0f;
            else if (draw == Draw::wave)
            {
                value = replay.nextFloat();
                if (value > 0.8f && replay.nextBool())
                    value = 1.0f;
            }

            if (draw != Draw::none)
                expected.push_back ({ HostEvent::set, i, value });
            EXPECT_EQ (processor.getParameter (i), value) << processor.getParameterName (i);
        }

        EXPECT_EQ (host.events, expected);
        EXPECT_EQ (random.nextInt(), replay.nextInt()) << "one draw per parameter, and the wave's extra one";
    }
}

TEST (Randomise, WaveChoicesFollowTheSplitAbovePointEight)
{
    VarluneAudioProcessor processor;
    juce::Random random (2024);
    int counts[6] = {};
    constexpr int presses = 10000;

    for (int n = 0; n < presses; ++n)
    {
        BackgroundActions::randomiseParameters (processor, random);
        for (int k = 1; k <= 4; ++k)
            ++counts[(int) (5.0f * processor.getParameter (ParameterIndex::lfoBase (k)) + 0.5f)];
    }

    // Sin, Sqr, SUp, SDn, Tri, S&H. A plain uniform draw would give Tri 0.2 and S&H 0.1.
    const double expected[6] = { 0.10, 0.20, 0.20, 0.20, 0.15, 0.15 };
    for (int w = 0; w < 6; ++w)
        EXPECT_NEAR ((double) counts[w] / (4.0 * presses), expected[w], 0.01) << getLfoWaveName (w);
}

TEST (LearnedControllers, ClearForgetsEveryControllerAndKeepsEveryValue)
{
    VarluneAudioProcessor processor;
    for (int i = 0; i < 98; ++i)
    {
        processor.setParameter (i, (float) i / 97.0f);
        processor.parameters.getUnchecked (i)->setMidiCC (i);
    }

    HostRecorder host (processor);
    BackgroundActions::forgetLearnedControllers (processor);

    for (int i = 0; i < 98; ++i)
    {
        EXPECT_EQ (processor.parameters.getUnchecked (i)->getMidiCC(), -1);
        EXPECT_EQ (processor.getParameter (i), (float) i / 97.0f);
    }
    EXPECT_TRUE (host.events.empty());
}
