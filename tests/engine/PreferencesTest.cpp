#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

using namespace settingstest;

namespace
{
std::unique_ptr<juce::XmlElement> preferencesXml()
{
    return juce::parseXML (preferencesFile());
}

juce::String storedValue (const juce::XmlElement& xml, const juce::String& key)
{
    for (auto* value : xml.getChildWithTagNameIterator ("VALUE"))
        if (value->getStringAttribute ("name") == key)
            return value->getStringAttribute ("val");

    return "<missing>";
}

void writePreferences (const std::vector<std::pair<juce::String, juce::String>>& entries)
{
    juce::XmlElement xml ("PROPERTIES");
    for (const auto& [key, value] : entries)
    {
        auto* element = xml.createNewChildElement ("VALUE");
        element->setAttribute ("name", key);
        element->setAttribute ("val", value);
    }
    ASSERT_TRUE (preferencesFile().getParentDirectory().createDirectory());
    ASSERT_TRUE (xml.writeTo (preferencesFile()));
}
} // namespace

TEST (Preferences, WithoutAFileEverythingHasItsDefault)
{
    VarluneAudioProcessor processor;
    EXPECT_EQ (controllersOf (processor), std::vector<int> (98, -1));
    EXPECT_EQ (processor.lastUISize.load().width, 1000.0f);
    EXPECT_EQ (processor.lastUISize.load().height, 700.0f);
    EXPECT_FALSE (preferencesFile().exists());  // nothing is written before it is needed
}

TEST (Preferences, AStoredControllerIsLearnedByANewProcessor)
{
    writePreferences ({ { "Lfo2_RateCC", "64" }, { "LastWidth", "1200.5" }, { "LastHeight", "840" } });

    VarluneAudioProcessor processor;
    std::vector<int> expected (98, -1);
    expected[ParameterIndex::lfoBase (2) + ParameterIndex::lfoRate] = 64;
    EXPECT_EQ (controllersOf (processor), expected);
    EXPECT_EQ (processor.lastUISize.load().width, 1200.5f);
    EXPECT_EQ (processor.lastUISize.load().height, 840.0f);
}

TEST (Preferences, DestructionWritesAllNinetyEightControllerKeys)
{
    {
        VarluneAudioProcessor processor;
        processor.parameters.getUnchecked (ParameterIndex::dryWet)->setMidiCC (7);
    }

    const auto xml = preferencesXml();
    ASSERT_NE (xml, nullptr);
    int keys = 0;
    for (auto* value : xml->getChildWithTagNameIterator ("VALUE"))
        keys += value->getStringAttribute ("name").endsWith ("CC") ? 1 : 0;
    EXPECT_EQ (keys, 98);
    EXPECT_EQ (storedValue (*xml, "Dry_WetCC"), "7");
    EXPECT_EQ (storedValue (*xml, "Delay1_TimeCC"), "-1");
    EXPECT_EQ (storedValue (*xml, "Out_GainCC"), "-1");
}

TEST (Preferences, ControllersAndWindowSizeCarryOverToTheNextProcessor)
{
    {
        VarluneAudioProcessor first;
        first.parameters.getUnchecked (0)->setMidiCC (1);
        first.parameters.getUnchecked (97)->setMidiCC (127);
        first.saveLastUISize (1200.0f, 840.0f);
        EXPECT_EQ (first.lastUISize.load().width, 1200.0f);
        EXPECT_EQ (first.lastUISize.load().height, 840.0f);
    }

    VarluneAudioProcessor second;
    EXPECT_EQ (second.parameters.getUnchecked (0)->getMidiCC(), 1);
    EXPECT_EQ (second.parameters.getUnchecked (97)->getMidiCC(), 127);
    EXPECT_EQ (second.parameters.getUnchecked (1)->getMidiCC(), -1);
    EXPECT_EQ (second.lastUISize.load().width, 1200.0f);
    EXPECT_EQ (second.lastUISize.load().height, 840.0f);
}

TEST (Preferences, TheInstanceDestroyedLastWins)
{
    auto a = std::make_unique<VarluneAudioProcessor>();
    auto b = std::make_unique<VarluneAudioProcessor>();
    a->parameters.getUnchecked (3)->setMidiCC (10);
    b->parameters.getUnchecked (3)->setMidiCC (20);
    b.reset();
    a.reset();

    VarluneAudioProcessor next;
    EXPECT_EQ (next.parameters.getUnchecked (3)->getMidiCC(), 10);
}

TEST (Preferences, UnusableStoredValuesGiveTheDefaults)
{
    writePreferences ({ { "Delay1_TimeCC", "128" }, { "Delay1_SyncCC", "-2147483648" }, { "Delay1_FeedbackCC", "abc" },
                        { "LastWidth", "nan" }, { "LastHeight", "1e999" } });

    VarluneAudioProcessor processor;
    EXPECT_EQ (processor.parameters.getUnchecked (0)->getMidiCC(), -1);
    EXPECT_EQ (processor.parameters.getUnchecked (1)->getMidiCC(), -1);
    EXPECT_EQ (processor.parameters.getUnchecked (3)->getMidiCC(), 0);  // text without a number reads as 0
    EXPECT_EQ (processor.lastUISize.load().width, 1000.0f);
    EXPECT_EQ (processor.lastUISize.load().height, 700.0f);
}

TEST (Preferences, AFileThatIsNotXmlGivesTheDefaults)
{
    ASSERT_TRUE (preferencesFile().getParentDirectory().createDirectory());
    ASSERT_TRUE (preferencesFile().replaceWithText ("garbage <<<"));

    VarluneAudioProcessor processor;
    EXPECT_EQ (controllersOf (processor), std::vector<int> (98, -1));
    EXPECT_EQ (processor.lastUISize.load().width, 1000.0f);
}
