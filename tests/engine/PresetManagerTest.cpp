#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace settingstest;

namespace
{
void touch (const juce::File& file)
{
    ASSERT_TRUE (file.replaceWithText ("x"));
}

std::set<juce::String> asSet (const juce::StringArray& names)
{
    return std::set<juce::String> (names.begin(), names.end());
}
} // namespace

TEST (PresetManager, CreatesTheFolderUnderTheHomeFolder)
{
    mordwickLib::PresetManager manager;
    EXPECT_EQ (manager.getPresetFolder(), juce::String());

    manager.init ("Varlune", "vlp");
    EXPECT_EQ (manager.getPresetFolder(), homeFolder().getFullPathName() + "/Library/Audio/Presets/Mordwick/Varlune/");
    EXPECT_TRUE (presetFolder().isDirectory());
    EXPECT_EQ (manager.getNumPresets(), 0);
    EXPECT_EQ (manager.getFullPathForFileSave ("Warm"), manager.getPresetFolder() + "Warm.vlp");

    // An empty list gives the folder and the bare extension.
    EXPECT_EQ (manager.getFilepathAtIndex (0), manager.getPresetFolder() + ".vlp");
}

TEST (PresetManager, ListsMatchingFilesOnlyAndIgnoresCase)
{
    ASSERT_TRUE (presetFolder().createDirectory());
    touch (presetFolder().getChildFile ("Plain.vlp"));
    touch (presetFolder().getChildFile ("Upper.VLP"));
    touch (presetFolder().getChildFile ("a.b.vlp"));
    touch (presetFolder().getChildFile (".hidden.vlp"));
    touch (presetFolder().getChildFile ("notes.txt"));
    touch (presetFolder().getChildFile ("Plain.vlp.bak"));
    touch (presetFolder().getChildFile ("vlp"));
    ASSERT_TRUE (presetFolder().getChildFile ("Folder.vlp").createDirectory());
    touch (presetFolder().getChildFile ("Folder.vlp/Inner.vlp"));

    mordwickLib::PresetManager manager;
    manager.init ("Varlune", "vlp");
    const auto names = manager.getFileNames();
    EXPECT_EQ (asSet (names), (std::set<juce::String> { "Plain", "Upper", "a.b", ".hidden" }));

    // In the order the folder delivers its entries, unsorted.
    juce::StringArray expected;
    for (const auto& entry : std::filesystem::directory_iterator (presetFolder().getFullPathName().toStdString()))
    {
        const juce::String fileName (entry.path().filename().string());
        if (names.contains (fileName.upToLastOccurrenceOf (".", false, false)) && ! entry.is_directory())
            expected.add (fileName.upToLastOccurrenceOf (".", false, false));
    }
    EXPECT_EQ (names, expected);

    // A preset's index is its position in that list.
    for (int i = 0; i < names.size(); ++i)
        EXPECT_TRUE (manager.getFilepathAtIndex (i).startsWith (manager.getPresetFolder() + names[i] + "."));
}

TEST (PresetManager, IndicesAreClampedToTheList)
{
    ASSERT_TRUE (presetFolder().createDirectory());
    for (auto* name : { "One.vlp", "Two.vlp", "Three.vlp" })
        touch (presetFolder().getChildFile (name));

    mordwickLib::PresetManager manager;
    manager.init ("Varlune", "vlp");
    const auto names = manager.getFileNames();
    ASSERT_EQ (names.size(), 3);

    const auto path = [&] (int i) { return manager.getPresetFolder() + names[i] + ".vlp"; };
    EXPECT_EQ (manager.getFilepathAtIndex (0), path (0));
    EXPECT_EQ (manager.getFilepathAtIndex (2), path (2));
    EXPECT_EQ (manager.getFilepathAtIndex (3), path (2));
    EXPECT_EQ (manager.getFilepathAtIndex (127), path (2));
    EXPECT_EQ (manager.getFilepathAtIndex (std::numeric_limits<int>::max()), path (2));
    EXPECT_EQ (manager.getFilepathAtIndex (-1), manager.getPresetFolder() + ".vlp");
    EXPECT_EQ (manager.getFilepathAtIndex (std::numeric_limits<int>::min()), manager.getPresetFolder() + ".vlp");
}

TEST (PresetManager, UpdateRescansWithoutCreatingTheFolderAgain)
{
    mordwickLib::PresetManager manager;
    manager.init ("Varlune", "vlp");
    touch (presetFolder().getChildFile ("Later.vlp"));
    EXPECT_EQ (manager.getNumPresets(), 0);

    manager.update();
    EXPECT_EQ (manager.getFileNames(), juce::StringArray ("Later"));

    ASSERT_TRUE (presetFolder().deleteRecursively());
    manager.update();
    EXPECT_EQ (manager.getNumPresets(), 0);
    EXPECT_FALSE (presetFolder().exists());
}

TEST (PresetManager, AFolderThatCannotBeCreatedGivesAnEmptyList)
{
    // A plain file where the folder of every product's presets belongs.
    ASSERT_TRUE (presetFolder().getParentDirectory().getParentDirectory().createDirectory());
    touch (presetFolder().getParentDirectory());

    VarluneAudioProcessor processor;
    EXPECT_EQ (processor.presetManager.getNumPresets(), 0);
    EXPECT_TRUE (processor.presetNames.isEmpty());

    processor.triggerProgramChange (0);
    runBlock (processor);
    processor.loadPendingPreset();
    EXPECT_EQ (processor.getCurrentPresetName(), "Init");
}
