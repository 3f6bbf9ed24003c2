// The LFO panel: its children, the protocol on each of its controls, the refresh with the wave's
// name as caption, the rate knob that follows SYNC, and its image.
#include "EditorTestSupport.h"
#include "LfoComponent.h"

using namespace editortest;

namespace
{
class LfoPanelTest : public EditorTest
{
protected:
    LfoComponent panel { 1 };

    void SetUp() override { attach (panel); }

    juce::Slider& knob (const char* name) { return child<juce::Slider> (panel, name); }
};
}

TEST_F (LfoPanelTest, ChildrenInStackingOrderAtNaturalSize)
{
    EXPECT_EQ (panel.getBounds(), juce::Rectangle<int> (0, 0, 225, 175));
    expectChildren (panel, {
        { "rate mod depth label", Kind::label, "%", { 169, 158, 56, 18 } },
        { "rate mod depth knob", Kind::knob, "", { 169, 158, 56, 18 } },
        { "name label", Kind::label, "LFO 1", { 0, 0, 225, 18 } },
        { "wave knob", Kind::knob, "", { 22, 70, 68, 44 } },
        { "wave label", Kind::label, "Wave", { 22, 114, 68, 12 } },
        { "rate knob", Kind::knob, "", { 135, 70, 68, 44 } },
        { "rate label", Kind::label, "Rate", { 135, 114, 68, 12 } },
        { "rate mod label", Kind::label, "Rate Mod", { 0, 158, 74, 18 } },
        { "rate mod box", Kind::box, "", { 74, 158, 94, 18 } },
        { "sync button", Kind::button, "SYNC", { 22, 32, 68, 18 } },
        { "multiply button", Kind::button, "x100", { 135, 32, 68, 18 } },
    });
}

TEST_F (LfoPanelTest, EachControlOfLfoThreeDrivesItsParameter)
{
    LfoComponent third (3);
    attach (third);
    third.updateFromPlugin();
    EXPECT_EQ (child<juce::Label> (third, "name label").getText(), "LFO 3");

    expectUserChanges (third, {
        { "rate mod depth knob", 0.4, 60, 0.4f },
        { "wave knob", 3, 54, 3.0f / 5.0f },
        { "rate knob", 0.5, 55, 0.5f },
        { "rate mod box", 11, 59, 11.0f / 13.0f },
        { "multiply button", 1, 58, 1.0f },
        { "sync button", 1, 56, 1.0f },
    });
}

TEST_F (LfoPanelTest, RefreshShowsTheProcessorAndTellsNobody)
{
    processor.setParameter (40, 0.5f);
    processor.setParameter (41, 0.2f);
    processor.setParameter (44, 0.3f);
    processor.setParameter (45, 11.0f / 13.0f);
    processor.setParameter (46, 0.1f);

    expectSilentRefresh (panel, {
        { "wave knob", 3 }, { "wave label", 0, "SDn" }, { "rate knob", 0.2 },
        { "rate mod depth knob", 0.1 }, { "rate mod depth label", 0, "10.00 %" },
        { "sync button", 0 }, { "multiply button", 1 }, { "rate mod box", 11, "LFO 2" },
        { "rate label", 0, "Rate" }, { "name label", 0, "LFO 1" },
    });
}

// The caption reads "Wave" until the first refresh, then the wave's name; turning the knob
// changes the caption only at the next refresh.
TEST_F (LfoPanelTest, WaveCaptionNamesTheWaveAfterARefresh)
{
    expectShown (panel, { { "wave label", 0, "Wave" }, { "rate mod box", -1 }, { "rate mod depth label", 0, "%" } });

    panel.updateFromPlugin();
    expectShown (panel, { { "wave label", 0, "Sin" }, { "wave knob", 0 }, { "rate mod box", 0, "None" },
                          { "sync button", 0 }, { "multiply button", 0 } });

    host.events.clear();
    userSets (knob ("wave knob"), 3);
    EXPECT_EQ (host.events, userChange (40, 0.6f));
    expectShown (panel, { { "wave label", 0, "Sin" } });

    panel.updateFromPlugin();
    expectShown (panel, { { "wave label", 0, "SDn" }, { "wave knob", 3 } });

    // A double-click returns the knob to the default wave's number, 0.
    host.events.clear();
    doubleClick (knob ("wave knob"));
    EXPECT_EQ (host.events, userChange (40, 0.0f));
}

TEST_F (LfoPanelTest, RateKnobFollowsSyncAndItsDoubleClickValue)
{
    const float rateDefault = processor.parameters[41]->defaultNormalised;
    const float syncedDefault = processor.parameters[43]->defaultNormalised;
    processor.setParameter (43, 0.4f);
    panel.updateFromPlugin();
    EXPECT_NEAR (knob ("rate knob").getDoubleClickReturnValue(), rateDefault, 1e-6);

    // A double-click hands over the default taken to the knob's steps of 0.001.
    userSets (knob ("rate knob"), 0.5);
    host.events.clear();
    doubleClick (knob ("rate knob"));
    EXPECT_EQ (host.events, userChange (41, 0.158f));

    auto& sync = child<juce::Button> (panel, "sync button");
    host.events.clear();
    click (sync);
    EXPECT_EQ (host.events, userChange (42, 1.0f));
    EXPECT_NEAR (knob ("rate knob").getDoubleClickReturnValue(), syncedDefault, 1e-6);

    host.events.clear();
    userSets (knob ("rate knob"), 0.3);
    EXPECT_EQ (host.events, userChange (43, 0.3f));

    panel.updateFromPlugin();
    expectShown (panel, { { "rate knob", 0.3 }, { "sync button", 1 }, { "rate label", 0, "Rate" } });

    // Sync switched off by automation: the knob follows, its double-click value stays.
    processor.setParameter (42, 0.0f);
    panel.updateFromPlugin();
    expectShown (panel, { { "rate knob", processor.getParameter (41) }, { "sync button", 0 } });
    EXPECT_NEAR (knob ("rate knob").getDoubleClickReturnValue(), syncedDefault, 1e-6);
}

TEST_F (LfoPanelTest, AnIndexOutsideOneToFourLeavesThePanelInert)
{
    LfoComponent inert (7);
    attach (inert);
    EXPECT_EQ (child<juce::Label> (inert, "name label").getText(), "LFO");

    inert.updateFromPlugin();
    userSets (child<juce::Slider> (inert, "wave knob"), 2);
    userSets (child<juce::ComboBox> (inert, "rate mod box"), 3);
    userSets (child<juce::Button> (inert, "multiply button"), 1);

    EXPECT_TRUE (host.events.empty());
    expectShown (inert, { { "wave label", 0, "Wave" } });
}

TEST_F (LfoPanelTest, ImageAtNaturalAndDoubleSize)
{
    processor.setParameter (40, 0.4f);
    processor.setParameter (44, 1.0f);
    panel.updateFromPlugin();
    expectMatchesGolden (render (panel), "lfo-panel-225x175");

    panel.setSize (450, 350);
    expectMatchesGolden (render (panel), "lfo-panel-450x350");
}
