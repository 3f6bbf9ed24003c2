#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

using namespace settingstest;

namespace
{
// Three presets saved by one processor, each with other values; a fresh processor lists them.
struct ThreePresets : ::testing::Test
{
    void SetUp() override
    {
        VarluneAudioProcessor writer;

        for (unsigned k = 0; k < 3; ++k)
        {
            const auto name = "Preset" + juce::String (k);
            saved.push_back (setRandomSettings (writer, 100 + k, name));
            writer.savePresetAs (presetFolder().getChildFile (name + ".vlp"));
        }

        processor = std::make_unique<VarluneAudioProcessor>();
        ASSERT_EQ (processor->presetNames.size(), 3);
    }

    // The values saved under the preset at this index of the processor's list.
    std::vector<float> valuesAt (int index) const
    {
        const auto name = processor->presetNames[index];
        const auto& settings = saved[(size_t) name.getTrailingIntValue()];
        return std::vector<float> (settings.values.begin(), settings.values.end());
    }

    std::vector<SettingsSnapshot> saved;
    std::unique_ptr<VarluneAudioProcessor> processor;
};
} // namespace

TEST_F (ThreePresets, ProgramChangeIsTakenUpByTheNextBlockAndLoadedByTheRefresh)
{
    const auto before = valuesOf (*processor);
    processor->triggerProgramChange (1);
    EXPECT_FALSE (processor->isPresetLoadPending());

    runBlock (*processor);
    EXPECT_FALSE (processor->programChangePending);
    EXPECT_TRUE (processor->isPresetLoadPending());
    EXPECT_EQ (valuesOf (*processor), before);  // nothing is read before the refresh runs

    runBlock (*processor);
    EXPECT_EQ (valuesOf (*processor), before);

    processor->loadPendingPreset();
    EXPECT_FALSE (processor->isPresetLoadPending());
    EXPECT_EQ (valuesOf (*processor), valuesAt (1));
    EXPECT_EQ (processor->getCurrentPresetName(), processor->presetNames[1]);
}

TEST_F (ThreePresets, ProgramNumbersPastTheListSelectTheLastPreset)
{
    for (int program : { 3, 127 })
    {
        processor->loadPresetFromFile (presetFolder().getChildFile (processor->presetNames[0] + ".vlp").getFullPathName());
        processor->loadPendingPreset();

        processor->triggerProgramChange (program);
        runBlock (*processor);
        processor->loadPendingPreset();
        EXPECT_EQ (valuesOf (*processor), valuesAt (2)) << program;
    }
}

TEST_F (ThreePresets, OnlyTheLastRequestBeforeTheRefreshIsLoaded)
{
    processor->triggerProgramChange (0);
    processor->triggerProgramChange (2);
    runBlock (*processor);
    processor->loadPendingPreset();
    EXPECT_EQ (valuesOf (*processor), valuesAt (2));

    const auto pathOf = [&] (int i) { return presetFolder().getChildFile (processor->presetNames[i] + ".vlp").getFullPathName(); };

    processor->loadPresetFromFile (pathOf (0));
    processor->loadPresetFromFile (pathOf (1));
    processor->loadPendingPreset();
    EXPECT_EQ (valuesOf (*processor), valuesAt (1));

    // A program change taken up after a load request replaces it, and the other way round.
    processor->loadPresetFromFile (pathOf (0));
    processor->triggerProgramChange (2);
    runBlock (*processor);
    processor->loadPendingPreset();
    EXPECT_EQ (valuesOf (*processor), valuesAt (2));

    processor->triggerProgramChange (1);
    runBlock (*processor);
    processor->loadPresetFromFile (pathOf (0));
    processor->loadPendingPreset();
    EXPECT_EQ (valuesOf (*processor), valuesAt (0));

    // Nothing is left pending: a second refresh changes nothing.
    processor->setParameter (0, 0.0f);
    processor->loadPendingPreset();
    EXPECT_EQ (processor->getParameter (0), 0.0f);
}

TEST_F (ThreePresets, LoadingLeavesLearnedControllersAlone)
{
    processor->parameters.getUnchecked (5)->setMidiCC (42);
    processor->triggerProgramChange (0);
    runBlock (*processor);
    processor->loadPendingPreset();
    EXPECT_EQ (processor->parameters.getUnchecked (5)->getMidiCC(), 42);
}

TEST_F (ThreePresets, ARenamedFileKeepsTheNameStoredInside)
{
    const auto original = presetFolder().getChildFile ("Preset1.vlp");
    ASSERT_TRUE (original.moveFileTo (presetFolder().getChildFile ("Renamed.vlp")));
    processor->savePresetAs (presetFolder().getChildFile ("Preset0.vlp"));  // rescans the folder
    ASSERT_TRUE (processor->presetNames.contains ("Renamed"));

    processor->triggerProgramChange (processor->presetNames.indexOf ("Renamed"));
    runBlock (*processor);
    processor->loadPendingPreset();
    EXPECT_EQ (processor->getCurrentPresetName(), "Preset1");
    EXPECT_EQ (valuesOf (*processor), std::vector<float> (saved[1].values.begin(), saved[1].values.end()));
}

TEST (PresetLoad, ProgramChangeWithNoPresetsChangesNothingButThePendingLoad)
{
    VarluneAudioProcessor processor;
    ASSERT_EQ (processor.presetManager.getNumPresets(), 0);
    const auto before = valuesOf (processor);

    for (int program : { 0, 5, -1 })
    {
        processor.triggerProgramChange (program);
        runBlock (processor);
        EXPECT_TRUE (processor.isPresetLoadPending());
        processor.loadPendingPreset();
        EXPECT_FALSE (processor.isPresetLoadPending());
        EXPECT_EQ (valuesOf (processor), before);
        EXPECT_EQ (processor.getCurrentPresetName(), "Init");
    }
}

TEST (PresetLoad, AProgramChangeAtNegativeIndexLoadsNoPresetEvenWhenSomeExist)
{
    VarluneAudioProcessor writer;
    setRandomSettings (writer, 1, "p");
    writer.savePresetAs (presetFolder().getChildFile ("Only.vlp"));

    VarluneAudioProcessor processor;
    processor.triggerProgramChange (-1);
    runBlock (processor);
    processor.loadPendingPreset();
    EXPECT_EQ (processor.getCurrentPresetName(), "Init");
}
