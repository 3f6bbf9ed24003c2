// Headless editor tests: a framework with no display, the processor, what it reports to a host,
// children found by name, simulated mouse gestures and whole-component golden images.
#pragma once

#include "BackgroundComponent.h"
#include "KivLook.h"
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace juce
{
// JUCE's Linux message queue: delivers one message, or waits for one unless told not to.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace editortest
{
/** One report to the host, in order. */
struct HostEvent
{
    enum Kind { begin, set, end } kind;
    int index;
    float value;

    bool operator== (const HostEvent& other) const
    {
        return kind == other.kind && index == other.index && (kind != set || value == other.value);
    }
};

void PrintTo (const HostEvent& event, std::ostream* out);

/** Records, in order, the gestures and changes the processor reports to a host. */
struct HostRecorder : juce::AudioProcessorListener
{
    explicit HostRecorder (juce::AudioProcessor& processorToWatch);
    ~HostRecorder() override;

    juce::AudioProcessor& watched;
    std::vector<HostEvent> events;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override;
};

/** The events of one user change of parameter index to value. */
std::vector<HostEvent> userChange (int index, float value);

/** A user's change of a control (userSets with position) and what it must send: parameter, value. */
struct ChangeRow
{
    const char* control;
    double position;
    int parameter;
    float value;
};

/** A refresh's result: the control shows this value, or this text when text is not null. */
struct ShownRow
{
    const char* control;
    double value;
    const char* text = nullptr;
};

/** Editor tests run with the framework up but no display; panels draw with the editor's look. */
class EditorTest : public ::testing::Test
{
protected:
    juce::ScopedJuceInitialiser_GUI framework;
    KivLook look;
    VarluneAudioProcessor processor;
    HostRecorder host { processor };

    /** Gives the panel the editor's look and the processor, as the editor window does. */
    template <typename Panel>
    void attach (Panel& panel)
    {
        panel.setLookAndFeel (&look);
        panel.processor = &processor;
    }

    /** Each change sends exactly one begin, set, end for its parameter, shows the parameter in the
        last-moved display, arms it for learning and forgets its controller. */
    void expectUserChanges (juce::Component& panel, const std::vector<ChangeRow>& rows);

    /** The panel's refresh sets every row's control and tells nobody: no host report, no
        last-moved change. */
    template <typename Panel>
    void expectSilentRefresh (Panel& panel, const std::vector<ShownRow>& rows)
    {
        host.events.clear();
        const auto name = processor.lastParamName, text = processor.lastParamText;
        panel.updateFromPlugin();
        EXPECT_TRUE (host.events.empty());
        EXPECT_EQ (processor.lastParamName, name);
        EXPECT_EQ (processor.lastParamText, text);
        expectShown (panel, rows);
    }

    static void expectShown (juce::Component& panel, const std::vector<ShownRow>& rows);
};

/** The first component below parent, at any depth, that matches; null when none does. */
juce::Component* findDescendant (juce::Component& parent, const std::function<bool (juce::Component&)>& matches);

/** The window's resize corner; fails the test when there is none. */
juce::Component& resizeCorner (juce::Component& editor);

/** The panel's direct child with this component name; fails the test when there is none. */
juce::Component& childNamed (juce::Component& parent, const juce::String& name);

template <typename ComponentType>
ComponentType& child (juce::Component& parent, const juce::String& name)
{
    auto* typed = dynamic_cast<ComponentType*> (&childNamed (parent, name));
    EXPECT_NE (typed, nullptr) << name << " is not of the expected kind";
    return *typed;
}

/** The background panel as the editor window sets it up: the editor's look and the processor. */
class BackgroundPanelTest : public EditorTest
{
protected:
    BackgroundComponent background;

    void SetUp() override
    {
        background.setLookAndFeel (&look);
        background.setProcessor (processor);
    }

    void TearDown() override { background.setLookAndFeel (nullptr); }

    juce::ComboBox& presetBox() { return child<juce::ComboBox> (background, "preset box"); }
};

enum class Kind { label, knob, box, button };

/** A row of a panel's children table: stacking order, name, kind, text, bounds, enabled state. */
struct ChildRow
{
    const char* name;
    Kind kind;
    const char* text;
    juce::Rectangle<int> bounds;
    bool enabled = true;
};

/** The panel's children, in stacking order, are exactly these rows. */
void expectChildren (juce::Component& panel, const std::vector<ChildRow>& rows);

/** The text a child shows: a label's or a button's text, a box's shown text; empty otherwise. */
juce::String shownText (juce::Component& component);

/** What a user's change does to a control, delivered at once: a knob moved to value, a box's item
    index value chosen, a toggle switched on (value 1) or off (value 0). */
void userSets (juce::Component& control, double value);

/** What a control shows: a knob's value, a box's item index, a toggle's 1 or 0. */
double shownValue (juce::Component& control);

/** A user's double-click, drag or click (with these modifier keys held), through the desktop's
    main mouse source. */
void doubleClick (juce::Component& component);
void dragVertically (juce::Component& component, int pixels);
void click (juce::Component& component, juce::ModifierKeys keys = {});

/** A user's drag from the component's centre by (dx, dy) in one move. */
void dragBy (juce::Component& component, int dx, int dy);

/** The component painted with its children into an image of its own size. */
juce::Image render (juce::Component& component);

/** Compares image with the golden PNG of this name, allowing small differences where text is
    drawn. On a mismatch it writes the image and a diff to the diff folder. With the environment
    variable VARLUNE_UPDATE_GOLDEN set it writes the golden image instead. */
void expectMatchesGolden (const juce::Image& image, const juce::String& name);
}
