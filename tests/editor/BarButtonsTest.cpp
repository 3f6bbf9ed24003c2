// The background panel's bar buttons, menu and preset box, driven as a user drives them, with no
// display: what each does to the processor and what the host hears.
#include "EditorTestSupport.h"
#include "VarluneAudioProcessorEditor.h"

using namespace editortest;

namespace
{
class BarButtons : public BackgroundPanelTest
{
protected:
    // The bar button showing this text.
    static juce::TextButton& button (juce::Component& panel, const juce::String& text)
    {
        for (auto* c : panel.getChildren())
            if (auto* b = dynamic_cast<juce::TextButton*> (c); b != nullptr && b->getButtonText() == text)
                return *b;

        ADD_FAILURE() << "no button " << text;
        return dynamic_cast<juce::TextButton&> (*panel.getChildComponent (14));
    }

    juce::TextButton& button (const juce::String& text) { return button (background, text); }

    void runBlock (const juce::MidiBuffer& midi = {})
    {
        juce::AudioSampleBuffer buffer (2, 64);
        buffer.clear();
        auto events = midi;
        processor.processBlock (buffer, events);
    }

    static juce::MidiBuffer controller (int number, int value)
    {
        juce::MidiBuffer midi;
        midi.addEvent (juce::MidiMessage::controllerEvent (1, number, value), 0);
        return midi;
    }

    juce::File savePreset (const juce::String& name, float value)
    {
        setAll (value);

        const auto file = juce::File (processor.presetManager.getPresetFolder()).getChildFile (name + ".vlp");
        processor.saveDialogClosed (file);
        return file;
    }

    void setAll (float value)
    {
        for (int i = 0; i < 98; ++i)
            processor.setParameter (i, value);
    }

    bool allAre (float value)
    {
        for (int i = 0; i < 98; ++i)
            if (processor.getParameter (i) != value)
                return false;
        return true;
    }
};
} // namespace

TEST_F (BarButtons, PanicTellsTheHostOfFourFeedbackAmountsAndSilencesTheLinesAtTheNextBlock)
{
    setAll (0.6f);
    processor.setLastMovedParameter (50, 0.6f);
    processor.updateLastMovedDisplay();
    runBlock();
    processor.delayLines[0][1]->ringBuffer[1000] = 0.5f;  // delay 1 runs, so its ring is really cleared
    host.events.clear();
    click (button ("PANIC"));

    std::vector<HostEvent> expected;
    for (int index : { 3, 13, 23, 33 })
        expected.push_back ({ HostEvent::set, index, 0.0f });
    EXPECT_EQ (host.events, expected);
    EXPECT_TRUE (button ("PANIC").getToggleState());

    for (int i = 0; i < 98; ++i)
    {
        if (i % 10 != 3 || i > 33)
        {
            EXPECT_EQ (processor.getParameter (i), 0.6f) << i;
        }
    }
    processor.updateLastMovedDisplay();
    EXPECT_EQ (processor.lastParamName, processor.getParameterName (50));

    runBlock();
    processor.copyGraphStateToUnits();
    EXPECT_EQ (processor.delayLines[0][1]->ringBuffer[1000], 0.0f);
    EXPECT_EQ (processor.delayLines[0][1]->writeIndex, 64);
}

TEST_F (BarButtons, MenuListsItsFourItemsAndSeparatorAndCarriesOutEach)
{
    struct Row { int id; const char* text; };
    const Row rows[] = { { 1, "Reset audio routing" }, { 2, "Reset mod depths" },
                         { 3, "Revert to default settings" }, { 0, nullptr }, { 4, "Reset UI Size" } };

    auto menu = background.createMenu();
    juce::PopupMenu::MenuItemIterator items (menu);

    for (const auto& row : rows)
    {
        ASSERT_TRUE (items.next());
        const auto& item = items.getItem();

        if (row.text == nullptr)
        {
            EXPECT_TRUE (item.isSeparator);
            continue;
        }

        EXPECT_FALSE (item.isSeparator);
        EXPECT_EQ (item.itemID, row.id);
        EXPECT_EQ (item.text, row.text);
        EXPECT_TRUE (item.isEnabled);
        EXPECT_FALSE (item.isTicked);
        EXPECT_EQ (item.image, nullptr);
        EXPECT_EQ (item.subMenu, nullptr);
    }
    EXPECT_FALSE (items.next());

    // Each item through the function the menu's answer goes to: what the host hears.
    struct Effect { int id; size_t sets; int first, last; };
    const Effect effects[] = { { 1, 17, 4, 92 }, { 2, 13, 9, 96 }, { 3, 98, 0, 97 }, { 0, 0, -1, -1 } };

    for (const auto& effect : effects)
    {
        SCOPED_TRACE (effect.id);
        setAll (0.6f);
        for (int i = 0; i < 98; ++i)
            processor.getParameterRecord (i)->setMidiCC (i);
        host.events.clear();

        background.menuItemChosen (effect.id);

        ASSERT_EQ (host.events.size(), effect.sets);
        for (size_t n = 0; n < effect.sets; ++n)
        {
            const auto& e = host.events[n];
            EXPECT_EQ (e.kind, HostEvent::set);
            EXPECT_EQ (e.value, processor.getParameterRecord (e.index)->defaultNormalised);
        }
        if (effect.sets > 0)
        {
            EXPECT_EQ (host.events.front().index, effect.first);
            EXPECT_EQ (host.events.back().index, effect.last);
        }
        for (int i = 0; i < 98; ++i)
            EXPECT_EQ (processor.getParameterRecord (i)->getMidiCC(), i);
    }

    EXPECT_FALSE (processor.uiSizeResetRequested);
    EXPECT_FALSE (button ("MENU").getClickingTogglesState());
}

TEST_F (BarButtons, ResetUiSizeResizesAnyWindowAtItsNextTick)
{
    auto editor = std::unique_ptr<juce::AudioProcessorEditor> (processor.createEditor());
    auto* windowBackground = dynamic_cast<BackgroundComponent*> (editor->getChildComponent (0));
    ASSERT_NE (windowBackground, nullptr);

    for (const auto& size : { juce::Point<int> (1400, 980), juce::Point<int> (905, 634) })
    {
        editor->setSize (size.x, size.y);
        windowBackground->menuItemChosen (4);
        EXPECT_EQ (processor.lastUISize.load().width, 1000.0f);
        EXPECT_EQ (processor.lastUISize.load().height, 700.0f);
        EXPECT_TRUE (processor.uiSizeResetRequested);
        EXPECT_EQ (editor->getWidth(), size.x);

        dynamic_cast<VarluneAudioProcessorEditor&> (*editor).timerCallback();
        EXPECT_EQ (editor->getWidth(), 1000);
        EXPECT_EQ (editor->getHeight(), 700);
        EXPECT_FALSE (processor.uiSizeResetRequested);
    }
}

TEST_F (BarButtons, LearnThroughTheAudioThreadThenUnlearnThenClear)
{
    auto& delay1 = *background.getChildComponent (0);
    auto& feedKnob = childNamed (delay1, "feed knob");
    auto& sourceParameter = *processor.getParameterRecord (3);

    click (button ("Learn"));
    EXPECT_TRUE (processor.midiLearnActive.load());
    EXPECT_FALSE (processor.midiUnlearnActive.load());
    userSets (feedKnob, 0.3);
    runBlock (controller (20, 64));
    EXPECT_EQ (sourceParameter.getMidiCC(), 20);
    EXPECT_EQ (processor.getParameter (3), 64.0f / 127.0f);

    // A binding follows its controller with learn mode off too.
    click (button ("Learn"));
    EXPECT_FALSE (processor.midiLearnActive.load());
    runBlock (controller (20, 127));
    EXPECT_EQ (processor.getParameter (3), 1.0f);

    click (button ("Unlearn"));
    EXPECT_TRUE (processor.midiUnlearnActive.load());
    userSets (feedKnob, 0.5);
    EXPECT_EQ (sourceParameter.getMidiCC(), -1);
    runBlock (controller (20, 0));
    EXPECT_EQ (processor.getParameter (3), 0.5f);

    // Both modes at once, independently.
    click (button ("Learn"));
    EXPECT_TRUE (processor.midiLearnActive.load());
    EXPECT_TRUE (processor.midiUnlearnActive.load());
    click (button ("Unlearn"));
    userSets (feedKnob, 0.25);
    userSets (childNamed (delay1, "time knob"), 0.4);
    runBlock (controller (21, 10));
    EXPECT_EQ (sourceParameter.getMidiCC(), 21);
    EXPECT_EQ (processor.getParameterRecord (0)->getMidiCC(), 21);

    host.events.clear();
    click (button ("Clear"));
    EXPECT_TRUE (button ("Clear").getToggleState());
    for (auto* parameter : processor.parameters)
        EXPECT_EQ (parameter->getMidiCC(), -1);
    EXPECT_EQ (processor.getParameter (3), 10.0f / 127.0f);
    EXPECT_TRUE (host.events.empty());

    runBlock (controller (21, 127));
    EXPECT_EQ (processor.getParameter (3), 10.0f / 127.0f);

    background.updateFromPlugin();
    EXPECT_FALSE (button ("Clear").getToggleState());
    EXPECT_TRUE (button ("Learn").getToggleState());
}

TEST_F (BarButtons, PreviousAndNextWrapAroundThePresetList)
{
    struct Row { const char* button; int presets, current, requested; };
    const Row rows[] = { { "<", 0, 0, -1 }, { ">", 0, 0, 0 },
                         { "<", 5, 0, 4 }, { ">", 5, 4, 0 }, { ">", 5, -1, 0 }, { "<", 5, 3, 2 }, { ">", 5, 1, 2 } };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.button) + " at " + juce::String (row.current) + " of " + juce::String (row.presets));

        while (processor.presetManager.getNumPresets() < row.presets)
            savePreset ("p" + juce::String (processor.presetManager.getNumPresets()), 0.5f);

        processor.programChangeIndex = row.current;
        processor.programChangePending = false;
        click (button (row.button));

        EXPECT_TRUE (processor.programChangePending.load());
        EXPECT_EQ (processor.programChangeIndex.load(), row.requested);
    }
}

TEST_F (BarButtons, RandomiseChangesOnlyItsFamiliesWithoutGestures)
{
    setAll (0.37f);
    click (button ("RND"));

    EXPECT_EQ (host.events.size(), 52u);
    int changed = 0;
    for (const auto& e : host.events)
    {
        EXPECT_EQ (e.kind, HostEvent::set);
        changed += processor.getParameter (e.index) != 0.37f ? 1 : 0;
    }
    EXPECT_EQ (changed, 52);

    for (int index : { 4, 5, 6, 7, 8, 45, 68, 69, 70, 72, 92, 93, 94, 95, 96, 97 })
        EXPECT_EQ (processor.getParameter (index), 0.37f) << index;

    // A panel the editor has not handed a processor yet does nothing.
    BackgroundComponent alone;
    host.events.clear();
    for (const auto* text : { "RND", "PANIC", "<", "Clear" })
        click (button (alone, text));
    EXPECT_TRUE (host.events.empty());
}

// The bottom line shows a parameter as the user left it: PANIC, RND, a preset load and later
// automation of that parameter leave the line; the next move changes it.
TEST_F (BarButtons, DisplayKeepsTheLastMoveThroughPanicRandomPresetLoadAndAutomation)
{
    const auto preset = savePreset ("Loaded", 0.125f);
    auto* display = findDescendant (background, [] (juce::Component& c)
                                    { return dynamic_cast<ParamDisplayComponent*> (&c) != nullptr; });
    ASSERT_NE (display, nullptr);
    auto& name = child<juce::Label> (*display, "name label");
    auto& value = child<juce::Label> (*display, "value label");
    auto& feed = *findDescendant (background, [] (juce::Component& c) { return c.getName() == "feed knob"; });

    userSets (feed, 0.6);
    background.updateFromPlugin();
    EXPECT_EQ (name.getText(), "Delay1_Feedback");
    const auto moved = value.getText();
    EXPECT_EQ (moved, processor.getParameterText (3));

    const std::function<void()> changes[] = {
        [&] { click (button ("PANIC")); },
        [&] { click (button ("RND")); },
        [&] { background.presetFileChosen (preset); },
        [&] { processor.setParameter (3, 0.9f); },
    };

    for (const auto& change : changes)
    {
        change();
        background.updateFromPlugin();
        EXPECT_NE (processor.getParameter (3), 0.6f);
        EXPECT_EQ (name.getText(), "Delay1_Feedback");
        EXPECT_EQ (value.getText(), moved);
    }

    userSets (feed, 0.2);
    background.updateFromPlugin();
    EXPECT_EQ (value.getText(), processor.getParameterText (3));
    EXPECT_NE (value.getText(), moved);
}

TEST_F (BarButtons, SavedPresetChosenInTheBoxLoadsAfterTheNextBlockAndTick)
{
    savePreset ("Bright", 0.25f);
    savePreset ("Dark", 0.75f);
    setAll (0.5f);
    background.updateFromPlugin();
    ASSERT_EQ (presetBox().getNumItems(), 2);

    for (const juce::String name : { "Bright", "Dark" })
    {
        SCOPED_TRACE (name);
        int item = 0;
        while (presetBox().getItemText (item) != name)
            ++item;
        EXPECT_EQ (presetBox().getItemId (item), item + 1);

        userSets (presetBox(), item);
        EXPECT_EQ (processor.programChangeIndex.load(), item);
        EXPECT_EQ (processor.getCurrentPresetName(), name);
        background.updateFromPlugin();
        EXPECT_TRUE (allAre (0.5f)) << "nothing loads before a block takes the request";

        host.events.clear();
        runBlock();
        background.updateFromPlugin();
        EXPECT_TRUE (allAre (name == "Bright" ? 0.25f : 0.75f));
        EXPECT_EQ (host.events.size(), 98u);
        EXPECT_EQ (presetBox().getText(), name);
        setAll (0.5f);
    }
}

TEST_F (BarButtons, ChosenPresetFileLoadsAtTheNextTickAndACancelledDialogDoesNothing)
{
    const auto file = savePreset ("Chosen", 0.125f);
    setAll (0.5f);

    background.presetFileChosen (juce::File());
    EXPECT_FALSE (processor.isPresetLoadPending());

    background.presetFileChosen (file);
    EXPECT_TRUE (processor.isPresetLoadPending());
    background.updateFromPlugin();
    EXPECT_TRUE (allAre (0.125f));
    EXPECT_EQ (presetBox().getText(), "Chosen");
}

TEST_F (BarButtons, ProgramChangeWithNoWindowOpenIsCarriedOutWhenAWindowOpens)
{
    savePreset ("First", 0.25f);
    savePreset ("Second", 0.75f);
    const int second = processor.presetManager.getFileNames().indexOf ("Second");
    setAll (0.5f);

    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::programChange (1, second), 3);
    runBlock (midi);
    runBlock();
    runBlock();
    EXPECT_TRUE (allAre (0.5f));

    auto editor = std::unique_ptr<juce::AudioProcessorEditor> (processor.createEditor());
    EXPECT_TRUE (allAre (0.5f));
    dynamic_cast<VarluneAudioProcessorEditor&> (*editor).timerCallback();
    EXPECT_TRUE (allAre (0.75f));
    EXPECT_EQ (processor.getCurrentPresetName(), "Second");
}
