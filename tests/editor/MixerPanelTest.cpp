// The mixer panel: its children, the protocol on each of its controls, the refresh, the mode's
// enabling rule with its lag of one refresh, and its image.
#include "EditorTestSupport.h"
#include "MixerComponent.h"

using namespace editortest;

namespace
{
class MixerPanelTest : public EditorTest
{
protected:
    MixerComponent panel { 1 };

    void SetUp() override { attach (panel); }

    // The children the mode enables, and whether each is enabled.
    void expectEnabled (bool controlEnabled, bool inputBEnabled)
    {
        for (auto* name : { "value knob", "value label", "value mod box", "value mod label",
                            "value mod depth knob", "value mod depth label" })
            EXPECT_EQ (childNamed (panel, name).isEnabled(), controlEnabled) << name;

        for (auto* name : { "inB label", "inB box" })
            EXPECT_EQ (childNamed (panel, name).isEnabled(), inputBEnabled) << name;

        for (auto* name : { "name label", "inA label", "inA Box", "mode box" })
            EXPECT_TRUE (childNamed (panel, name).isEnabled()) << name;
    }
};
}

TEST_F (MixerPanelTest, ChildrenInStackingOrderAtNaturalSize)
{
    EXPECT_EQ (panel.getBounds(), juce::Rectangle<int> (0, 0, 225, 175));
    expectChildren (panel, {
        { "value mod depth label", Kind::label, "%", { 169, 158, 56, 18 } },
        { "value mod depth knob", Kind::knob, "", { 169, 158, 56, 18 } },
        { "name label", Kind::label, "MIXER 1", { 0, 0, 225, 18 } },
        { "inA label", Kind::label, "In A", { 0, 18, 112, 18 } },
        { "inB label", Kind::label, "In B", { 0, 35, 112, 18 } },
        { "value knob", Kind::knob, "", { 158, 70, 56, 35 } },
        { "value label", Kind::label, "Mix", { 158, 108, 56, 10 } },
        { "value mod label", Kind::label, "Mod", { 0, 158, 74, 18 } },
        { "inA Box", Kind::box, "", { 112, 18, 112, 18 } },
        { "inB box", Kind::box, "", { 112, 35, 112, 18 } },
        { "value mod box", Kind::box, "", { 74, 158, 94, 18 } },
        { "mode box", Kind::box, "", { 22, 88, 101, 18 } },
    });

    auto& modes = child<juce::ComboBox> (panel, "mode box");
    ASSERT_EQ (modes.getNumItems(), 5);
    const char* texts[] = { "Mix", "Ring", "Gain", "Damp", "Pan" };
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ (modes.getItemText (i), texts[i]);
        EXPECT_EQ (modes.getItemId (i), i + 1);
    }

    auto& sources = child<juce::ComboBox> (panel, "inA Box");
    ASSERT_EQ (sources.getNumItems(), 14);
    const char* sourceTexts[] = { "None", "Plug In", "Delay 1", "Delay 2", "Delay 3", "Delay 4", "Mixer 1",
                                  "Mixer 2", "Mixer 3", "Mixer 4", "LFO 1", "LFO 2", "LFO 3", "LFO 4" };
    for (int i = 0; i < 14; ++i)
    {
        EXPECT_EQ (sources.getItemText (i), sourceTexts[i]);
        EXPECT_EQ (sources.getItemId (i), i + 1);
    }
}

TEST_F (MixerPanelTest, EachControlOfMixerThreeDrivesItsParameter)
{
    MixerComponent third (3);
    attach (third);
    third.updateFromPlugin();
    EXPECT_EQ (child<juce::Label> (third, "name label").getText(), "MIXER 3");

    expectUserChanges (third, {
        { "value knob", 0.7, 83, 0.7f },
        { "value mod depth knob", 0.2, 85, 0.2f },
        { "inA Box", 1, 81, 1.0f / 13.0f },
        { "inB box", 13, 82, 1.0f },
        { "value mod box", 6, 84, 6.0f / 13.0f },
        { "mode box", 4, 80, 1.0f },
        { "mode box", 1, 80, 0.25f },
    });
}

TEST_F (MixerPanelTest, RefreshShowsTheProcessorAndTellsNobody)
{
    processor.setParameter (68, 0.6f);
    processor.setParameter (69, 0.5f);
    processor.setParameter (70, 1.0f);
    processor.setParameter (71, 0.3f);
    processor.setParameter (72, 2.0f / 13.0f);
    processor.setParameter (73, 0.45f);

    expectSilentRefresh (panel, {
        { "mode box", 2, "Gain" }, { "inA Box", 7, "Mixer 2" }, { "inB box", 13, "LFO 4" },
        { "value knob", 0.3 }, { "value mod box", 2, "Delay 1" }, { "value mod depth knob", 0.45 },
        { "value mod depth label", 0, "45.00 %" }, { "value label", 0, "Mix" },
    });

    processor.setParameter (68, 0.125f);
    panel.updateFromPlugin();
    expectShown (panel, { { "mode box", 1, "Ring" }, { "value label", 0, "Mix" } });
}

// The rule reads the box before the refresh updates it: a mode set from outside shows at the
// first refresh and is enabled at the second.
TEST_F (MixerPanelTest, ModeEnablesItsControlsOneRefreshAfterTheBoxShowsIt)
{
    struct Row { float normalised; const char* shown; bool controlEnabled, inputBEnabled; };
    const Row rows[] = {
        { 0.0f, "Mix", true, true },
        { 0.25f, "Ring", false, true },
        { 0.5f, "Gain", true, false },
        { 0.75f, "Damp", true, false },
        { 1.0f, "Pan", false, true },
        { 0.0f, "Mix", true, true },
    };

    panel.updateFromPlugin();
    expectEnabled (true, true);

    for (size_t i = 1; i < std::size (rows); ++i)
    {
        const auto& previous = rows[i - 1];
        const auto& row = rows[i];
        SCOPED_TRACE (row.shown);

        processor.setParameter (68, row.normalised);
        panel.updateFromPlugin();
        expectShown (panel, { { "mode box", 0, row.shown } });
        expectEnabled (previous.controlEnabled, previous.inputBEnabled);

        panel.updateFromPlugin();
        expectEnabled (row.controlEnabled, row.inputBEnabled);
    }

    // A mode the user chooses is in the box already: the next refresh enables for it.
    userSets (childNamed (panel, "mode box"), 4);
    panel.updateFromPlugin();
    expectEnabled (false, true);
}

TEST_F (MixerPanelTest, DoubleClicksReturnTheKnobsToTheirDefaults)
{
    processor.setParameter (71, 0.9f);
    processor.setParameter (73, 0.9f);
    panel.updateFromPlugin();

    host.events.clear();
    doubleClick (child<juce::Slider> (panel, "value knob"));
    EXPECT_EQ (host.events, userChange (71, 0.5f));

    host.events.clear();
    doubleClick (child<juce::Slider> (panel, "value mod depth knob"));
    EXPECT_EQ (host.events, userChange (73, 0.0f));
}

TEST_F (MixerPanelTest, AnIndexOutsideOneToFourOnlyAppliesTheEnablingRule)
{
    MixerComponent inert (0);
    attach (inert);
    EXPECT_EQ (child<juce::Label> (inert, "name label").getText(), "MIXER");

    auto& modes = child<juce::ComboBox> (inert, "mode box");
    modes.setSelectedItemIndex (2, juce::sendNotificationSync);
    userSets (child<juce::Slider> (inert, "value knob"), 0.9);
    inert.updateFromPlugin();

    EXPECT_TRUE (host.events.empty());
    EXPECT_FALSE (childNamed (inert, "inB box").isEnabled());
    expectShown (inert, { { "value mod depth label", 0, "%" }, { "inA Box", -1 } });
}

TEST_F (MixerPanelTest, ImageAtNaturalAndDoubleSizeAndWithControlsDisabled)
{
    processor.setParameter (69, 1.0f / 13.0f);
    processor.setParameter (71, 0.7f);
    panel.updateFromPlugin();
    expectMatchesGolden (render (panel), "mixer-panel-225x175");

    panel.setSize (450, 350);
    expectMatchesGolden (render (panel), "mixer-panel-450x350");

    // Ring: the depth knob is drawn grey over its dimmed number.
    processor.setParameter (68, 0.25f);
    panel.updateFromPlugin();
    panel.updateFromPlugin();
    panel.setSize (225, 175);
    expectMatchesGolden (render (panel), "mixer-panel-ring-225x175");
}
