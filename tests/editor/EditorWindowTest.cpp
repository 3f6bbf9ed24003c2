// The editor window: its size rules, the refresh timer, and the whole window's image.
#include "EditorTestSupport.h"
#include "VarluneAudioProcessorEditor.h"

using namespace editortest;

namespace
{
class EditorWindow : public ::testing::Test
{
protected:
    juce::ScopedJuceInitialiser_GUI framework;
    std::unique_ptr<VarluneAudioProcessor> owner = std::make_unique<VarluneAudioProcessor>();
    VarluneAudioProcessor& processor = *owner;

    // What a new processor reads from the preferences the old one leaves behind.
    std::pair<float, float> sizeInTheNextProcessor()
    {
        owner.reset();
        const auto size = VarluneAudioProcessor().lastUISize.load();
        return { size.width, size.height };
    }

    std::unique_ptr<VarluneAudioProcessorEditor> open()
    {
        return std::unique_ptr<VarluneAudioProcessorEditor> (
            dynamic_cast<VarluneAudioProcessorEditor*> (processor.createEditorIfNeeded()));
    }

    void close (std::unique_ptr<VarluneAudioProcessorEditor>& editor)
    {
        processor.editorBeingDeleted (editor.get());
        editor.reset();
    }

    static void dragCorner (juce::Component& editor, int dx, int dy) { dragBy (resizeCorner (editor), dx, dy); }
};
} // namespace

TEST_F (EditorWindow, OpensAtTheStoredSizeWhateverTheLimits)
{
    EXPECT_TRUE (processor.hasEditor());

    struct Case { float storedWidth, storedHeight; int width, height; };
    const Case cases[] = {
        { 1000.0f, 700.0f, 1000, 700 },     // the default
        { 1000.9f, 700.9f, 1000, 700 },     // truncated
        { 800.0f, 500.0f, 800, 500 },       // below the limits: unchanged
        { 2400.0f, 1500.0f, 2400, 1500 },   // above them: unchanged
        { 32767.0f, 700.0f, 32767, 700 },   // the largest side a host's rectangle holds
        { 50000.0f, 40000.0f, 2000, 1400 }, // beyond it: the largest the limits allow
        { 40000.0f, 500.0f, 2000, 500 },
    };

    for (const auto& c : cases)
    {
        processor.lastUISize = { c.storedWidth, c.storedHeight };
        auto editor = open();
        EXPECT_EQ (editor->getWidth(), c.width) << c.storedWidth;
        EXPECT_EQ (editor->getHeight(), c.height) << c.storedHeight;
        close (editor);
    }
}

TEST_F (EditorWindow, TheCornerResizesWithinTheLimitsAtTheRatioAndEverySizeIsStored)
{
    processor.lastUISize = { 800.0f, 500.0f };
    auto editor = open();
    EXPECT_EQ (resizeCorner (*editor).getBounds(), juce::Rectangle<int> (784, 480, 16, 20));

    // The first drag brings the window within the limits.
    dragCorner (*editor, 1, 1);
    EXPECT_GE (editor->getWidth(), 905);
    EXPECT_GE (editor->getHeight(), 634);
    EXPECT_NEAR ((double) editor->getWidth() / editor->getHeight(), 1.42857, 0.003);

    editor->setSize (1000, 700);
    EXPECT_EQ (resizeCorner (*editor).getBounds(), juce::Rectangle<int> (980, 672, 20, 28));
    dragCorner (*editor, 5000, 5000);
    EXPECT_TRUE (editor->getWidth() == 2000 || editor->getHeight() == 1400) << editor->getBounds().toString();
    EXPECT_TRUE (editor->getWidth() <= 2000 && editor->getHeight() <= 1400) << editor->getBounds().toString();
    EXPECT_NEAR ((double) editor->getWidth() / editor->getHeight(), 1.42857, 0.003);
    dragCorner (*editor, -5000, -5000);
    EXPECT_TRUE (editor->getWidth() == 905 || editor->getHeight() == 634) << editor->getBounds().toString();
    EXPECT_TRUE (editor->getWidth() >= 905 && editor->getHeight() >= 634) << editor->getBounds().toString();
    EXPECT_NEAR ((double) editor->getWidth() / editor->getHeight(), 1.42857, 0.003);

    editor->setSize (1200, 840);
    EXPECT_EQ (processor.lastUISize.load().width, 1200.0f);
    EXPECT_EQ (processor.lastUISize.load().height, 840.0f);
    close (editor);

    // The next window opens at the last size, also in a new processor through the preferences.
    editor = open();
    EXPECT_EQ (editor->getBounds(), juce::Rectangle<int> (0, 0, 1200, 840));
    editor->setSize (1100, 770);
    close (editor);
    EXPECT_EQ (processor.lastUISize.load().width, 1100.0f);
    EXPECT_EQ (sizeInTheNextProcessor(), std::make_pair (1100.0f, 770.0f));
}

TEST_F (EditorWindow, TheTimerRefreshesAndCarriesOutTheSizeReset)
{
    auto editor = open();
    EXPECT_EQ (editor->getTimerInterval(), VarluneAudioProcessorEditor::refreshMilliseconds);
    editor->setSize (1500, 1050);

    // The refresh reaches the panels: the output strip shows a value the host set.
    processor.setParameter (ParameterIndex::dryWet, 0.25f);
    processor.lastUISize = { 1000.0f, 700.0f };
    processor.uiSizeResetRequested = true;

    // One tick of the real timer, delivered by the message queue.
    while (editor->getWidth() != 1000)
        juce::dispatchNextMessageOnSystemQueue (false);

    EXPECT_EQ (editor->getHeight(), 700);
    EXPECT_FALSE (processor.uiSizeResetRequested);
    auto* strip = findDescendant (*editor, [] (juce::Component& c) { return dynamic_cast<OutComponent*> (&c) != nullptr; });
    ASSERT_NE (strip, nullptr);
    EXPECT_DOUBLE_EQ (child<juce::Slider> (*strip, "drywet knob").getValue(), 0.25);
    close (editor);
    EXPECT_EQ (sizeInTheNextProcessor(), std::make_pair (1000.0f, 700.0f));
}

TEST_F (EditorWindow, LooksAsTheGoldenImagesAtItsThreeSizes)
{
    processor.setParameter (3, 0.7f);
    processor.setParameter (ParameterIndex::mixerBase (2), 0.25f);  // Ring: some controls disabled
    processor.setParameter (ParameterIndex::lfoBase (3), 0.6f);
    processor.setLastMovedParameter (3, 0.7f);

    auto editor = open();
    editor->timerCallback();
    editor->timerCallback();

    for (const auto& [width, height] : { std::pair (1000, 700), std::pair (905, 634), std::pair (2000, 1400) })
    {
        editor->setSize (width, height);
        expectMatchesGolden (render (*editor), "window-" + juce::String (width) + "x" + juce::String (height));
    }
    close (editor);
}
