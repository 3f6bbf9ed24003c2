// The delay panel: its children, the protocol on each of its controls, the refresh, the time knob
// that follows SYNC, and its image.
#include "DelayComponent.h"
#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
class DelayPanelTest : public EditorTest
{
protected:
    DelayComponent panel { 1 };

    void SetUp() override { attach (panel); }

    juce::Slider& timeKnob() { return child<juce::Slider> (panel, "time knob"); }
};
}

TEST_F (DelayPanelTest, ChildrenInStackingOrderAtNaturalSize)
{
    EXPECT_EQ (panel.getBounds(), juce::Rectangle<int> (0, 0, 225, 210));
    expectChildren (panel, {
        { "time mod depth label", Kind::label, "%", { 169, 189, 56, 21 } },
        { "time mod depth knob", Kind::knob, "", { 169, 189, 56, 21 } },
        { "feed in level label", Kind::label, "%", { 169, 42, 56, 21 } },
        { "feed in level knob", Kind::knob, "", { 169, 42, 56, 21 } },
        { "in level label", Kind::label, "%", { 169, 21, 56, 21 } },
        { "in level knob", Kind::knob, "", { 169, 21, 56, 21 } },
        { "name label", Kind::label, "DELAY 1", { 0, 0, 225, 21 } },
        { "in label", Kind::label, "In", { 0, 21, 76, 21 } },
        { "feed in label", Kind::label, "Feed In", { 0, 42, 76, 21 } },
        { "time knob", Kind::knob, "", { 11, 84, 56, 42 } },
        { "time label", Kind::label, "Time", { 11, 128, 56, 13 } },
        { "feed knob", Kind::knob, "", { 158, 84, 56, 42 } },
        { "feed label", Kind::label, "Feed", { 158, 128, 56, 13 } },
        { "time mod label", Kind::label, "Time Mod", { 0, 189, 76, 21 } },
        { "input box", Kind::box, "", { 76, 21, 92, 21 } },
        { "feed input box", Kind::box, "", { 76, 42, 92, 21 } },
        { "time mod in box", Kind::box, "", { 76, 189, 92, 21 } },
        { "sync button", Kind::button, "SYNC", { 79, 94, 68, 21 } },
    });
}

TEST_F (DelayPanelTest, EachControlOfUnitTwoDrivesItsParameter)
{
    DelayComponent second (2);
    attach (second);
    second.updateFromPlugin();

    expectUserChanges (second, {
        { "time mod depth knob", 0.25, 19, 0.25f },
        { "feed in level knob", 0.5, 17, 0.5f },
        { "in level knob", 0.75, 15, 0.75f },
        { "time knob", 0.3, 10, 0.3f },
        { "feed knob", 0.6, 13, 0.6f },
        { "input box", 1, 14, 1.0f / 13.0f },
        { "feed input box", 13, 16, 1.0f },
        { "time mod in box", 7, 18, 7.0f / 13.0f },
        { "sync button", 1, 11, 1.0f },
    });
}

// With learn and unlearn off a change neither arms its parameter nor forgets its controller.
TEST_F (DelayPanelTest, LearnAndUnlearnOffLeaveTheBindingAlone)
{
    auto& feedback = *processor.getParameterRecord (3);
    feedback.setMidiCC (21);
    panel.updateFromPlugin();

    userSets (childNamed (panel, "feed knob"), 0.55);

    EXPECT_EQ (processor.getParameter (3), 0.55f);
    EXPECT_FALSE (feedback.isLearnArmed());
    EXPECT_EQ (feedback.getMidiCC(), 21);
}

TEST_F (DelayPanelTest, RefreshShowsTheProcessorAndTellsNobody)
{
    expectShown (panel, { { "in level label", 0, "%" }, { "input box", -1 } });

    processor.setParameter (0, 0.3f);
    processor.setParameter (3, 0.8f);
    processor.setParameter (5, 0.25f);
    processor.setParameter (6, 1.6f / 13.0f);
    processor.setParameter (7, 0.5f);
    processor.setParameter (8, 1.0f);
    processor.setParameter (9, 0.75f);

    expectSilentRefresh (panel, {
        { "time knob", 0.3 }, { "feed knob", 0.8 }, { "in level knob", 0.25 },
        { "feed in level knob", 0.5 }, { "time mod depth knob", 0.75 },
        { "in level label", 0, "25.00 %" }, { "feed in level label", 0, "50.00 %" },
        { "time mod depth label", 0, "75.00 %" },
        { "input box", 1, "Plug In" }, { "feed input box", 2, "Delay 1" },
        { "time mod in box", 13, "LFO 4" }, { "sync button", 0 },
    });
}

// The box's menu sets the item and tells the listeners by a later message; a refresh may come
// between the two.
TEST_F (DelayPanelTest, AChoiceFromTheMenuOutlastsARefreshBeforeItsMessage)
{
    panel.updateFromPlugin();
    auto& box = child<juce::ComboBox> (panel, "input box");

    box.setSelectedItemIndex (5, juce::sendNotificationAsync);
    panel.updateFromPlugin();
    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
    EXPECT_EQ (processor.getParameter (4), 5.0f / 13.0f);

    // From then on the box follows the processor again.
    processor.setParameter (4, 2.0f / 13.0f);
    panel.updateFromPlugin();
    EXPECT_EQ (box.getSelectedItemIndex(), 2);
}

TEST_F (DelayPanelTest, FreshUnitsShowTheDefaultSources)
{
    DelayComponent second (2);
    attach (second);

    panel.updateFromPlugin();
    second.updateFromPlugin();

    expectShown (panel, { { "input box", 0, "Plug In" }, { "feed input box", 0, "Delay 1" },
                          { "time mod in box", 0, "None" }, { "sync button", 0 } });
    expectShown (second, { { "input box", 0, "None" }, { "feed input box", 0, "None" },
                           { "time mod in box", 0, "None" }, { "name label", 0, "DELAY 2" } });
}

// The time knob drives Time_Synced while Sync is on; after a click on SYNC, before any refresh,
// it drives Time from where it stands, and a double-click or an alt-click gives Time's default.
TEST_F (DelayPanelTest, TimeKnobFollowsSyncAndItsDoubleClickValue)
{
    processor.setParameter (1, 1.0f);
    processor.setParameter (2, 0.6f);
    panel.updateFromPlugin();

    EXPECT_NEAR (timeKnob().getValue(), 0.6, 1e-9);
    EXPECT_NEAR (timeKnob().getDoubleClickReturnValue(), processor.parameters[2]->defaultNormalised, 1e-6);

    host.events.clear();
    userSets (timeKnob(), 0.7);
    EXPECT_EQ (host.events, userChange (2, 0.7f));

    auto& sync = child<juce::Button> (panel, "sync button");
    host.events.clear();
    click (sync);
    EXPECT_FALSE (sync.getToggleState());
    EXPECT_EQ (host.events, userChange (1, 0.0f));
    EXPECT_NEAR (timeKnob().getValue(), 0.7, 1e-9);
    EXPECT_NEAR (timeKnob().getDoubleClickReturnValue(), processor.parameters[0]->defaultNormalised, 1e-6);

    host.events.clear();
    userSets (timeKnob(), 0.71);
    EXPECT_EQ (host.events, userChange (0, 0.71f));

    host.events.clear();
    doubleClick (timeKnob());
    EXPECT_EQ (host.events, userChange (0, 0.243f));
    EXPECT_EQ (processor.lastParamName, "Delay1_Time");

    // An alt-click does the same.
    userSets (timeKnob(), 0.71);
    host.events.clear();
    click (timeKnob(), juce::ModifierKeys::altModifier);
    EXPECT_EQ (host.events, userChange (0, 0.243f));

    // Sync switched on by automation: the knob follows at the next refresh, the double-click
    // value stays the one of the last SYNC click.
    processor.setParameter (1, 1.0f);
    panel.updateFromPlugin();
    EXPECT_TRUE (sync.getToggleState());
    EXPECT_NEAR (timeKnob().getValue(), 0.7, 1e-9);
    EXPECT_NEAR (timeKnob().getDoubleClickReturnValue(), processor.parameters[0]->defaultNormalised, 1e-6);
}

// Dragging on a level number moves the invisible knob in front of it.
TEST_F (DelayPanelTest, DraggingOnALevelNumberChangesTheLevel)
{
    panel.updateFromPlugin();
    host.events.clear();

    dragVertically (child<juce::Slider> (panel, "in level knob"), 25);

    ASSERT_FALSE (host.events.empty());
    EXPECT_LT (processor.getParameter (5), 1.0f);
    EXPECT_EQ (processor.lastParamName, "Delay1_input_Level");
    EXPECT_EQ (processor.lastParamText, processor.getParameterText (5));
}

TEST_F (DelayPanelTest, AnIndexOutsideOneToFourLeavesThePanelInert)
{
    for (int index : { 0, 5 })
    {
        DelayComponent inert (index);
        attach (inert);
        EXPECT_EQ (child<juce::Label> (inert, "name label").getText(), "DELAY");

        inert.updateFromPlugin();
        userSets (child<juce::Slider> (inert, "feed knob"), 0.9);
        userSets (child<juce::ComboBox> (inert, "input box"), 3);
        userSets (child<juce::Button> (inert, "sync button"), 1);

        EXPECT_TRUE (host.events.empty());
        expectShown (inert, { { "in level label", 0, "%" }, { "time knob", 0.0 } });
        EXPECT_FALSE (child<juce::Slider> (inert, "time knob").isDoubleClickReturnEnabled());
    }
}

TEST_F (DelayPanelTest, ImageAtNaturalAndDoubleSize)
{
    panel.updateFromPlugin();
    expectMatchesGolden (render (panel), "delay-panel-225x210");

    panel.setSize (450, 420);
    expectMatchesGolden (render (panel), "delay-panel-450x420");
}
