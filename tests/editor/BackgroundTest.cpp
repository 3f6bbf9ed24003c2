// The background panel: its children and layout, the backdrop and wordmark, and the refresh.
#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
class Background : public BackgroundPanelTest
{
protected:
    juce::TextButton& button (int childIndex)
    {
        return dynamic_cast<juce::TextButton&> (*background.getChildComponent (childIndex));
    }

    // The backdrop alone, as paint draws it under the children.
    juce::Image backdrop (int width, int height)
    {
        background.setSize (width, height);
        juce::Image image (juce::Image::ARGB, width, height, true);
        juce::Graphics g (image);
        background.paint (g);
        return image;
    }
};

// The children in stacking order with the proportions of their bounds.
struct Placement
{
    const char* name;
    const char* text;
    float x, y, w, h;
    bool toggles;
};

const Placement placements[] = {
    { "", "", 0.02f, 0.08f, 0.225f, 0.30f, false },   { "", "", 0.265f, 0.08f, 0.225f, 0.30f, false },
    { "", "", 0.51f, 0.08f, 0.225f, 0.30f, false },   { "", "", 0.755f, 0.08f, 0.225f, 0.30f, false },
    { "", "", 0.02f, 0.40f, 0.225f, 0.25f, false },   { "", "", 0.265f, 0.40f, 0.225f, 0.25f, false },
    { "", "", 0.51f, 0.40f, 0.225f, 0.25f, false },   { "", "", 0.755f, 0.40f, 0.225f, 0.25f, false },
    { "", "", 0.02f, 0.67f, 0.225f, 0.25f, false },   { "", "", 0.265f, 0.67f, 0.225f, 0.25f, false },
    { "", "", 0.51f, 0.67f, 0.225f, 0.25f, false },   { "", "", 0.755f, 0.67f, 0.225f, 0.25f, false },
    { "", "", 0.51f, 0.95f, 0.47f, 0.05f, false },    { "", "", 0.02f, 0.95f, 0.225f, 0.05f, false },
    { "panic button", "PANIC", 0.84f, 0.01f, 0.06f, 0.03f, true },
    { "menu button", "MENU", 0.92f, 0.01f, 0.06f, 0.03f, false },
    { "learn button", "Learn", 0.27f, 0.96f, 0.06f, 0.03f, true },
    { "unlearn button", "Unlearn", 0.345f, 0.96f, 0.06f, 0.03f, true },
    { "clear button", "Clear", 0.42f, 0.96f, 0.06f, 0.03f, true },
    { "save button", "S", 0.66f, 0.01f, 0.03f, 0.03f, true },
    { "load button", "L", 0.70f, 0.01f, 0.03f, 0.03f, true },
    { "preset box", "", 0.41f, 0.01f, 0.18f, 0.03f, false },
    { "", "", 0.02f, 0.0f, 0.04f, 0.05f, false },
    { "", "RND", 0.76f, 0.01f, 0.06f, 0.03f, true },
    { "", "<", 0.36f, 0.01f, 0.04f, 0.03f, true },
    { "", ">", 0.60f, 0.01f, 0.04f, 0.03f, true },
};

int scaled (float proportion, int size) { return juce::roundToInt ((float) size * proportion); }

bool isGreen (juce::Colour c) { return c == juce::Colour (0xFF4AAA4A); }

int greyLevel (const juce::Image& image, int x, int y) { return image.getPixelAt (x, y).getRed(); }
} // namespace

TEST_F (Background, ChildrenInOrderWithTheirProportionalBounds)
{
    ASSERT_EQ (background.getNumChildComponents(), (int) std::size (placements));
    EXPECT_EQ (background.getBounds(), juce::Rectangle<int> (0, 0, 1000, 700));

    for (const auto& [width, height] : { std::pair (1000, 700), std::pair (905, 634), std::pair (2000, 1400) })
    {
        background.setSize (width, height);

        for (int i = 0; i < (int) std::size (placements); ++i)
        {
            const auto& expected = placements[i];
            auto& component = *background.getChildComponent (i);
            SCOPED_TRACE (std::to_string (i) + " at " + std::to_string (width) + "x" + std::to_string (height));

            EXPECT_EQ (component.getName(), expected.name);
            EXPECT_EQ (shownText (component), expected.text);
            EXPECT_EQ (component.getBounds(),
                       juce::Rectangle<int> (scaled (expected.x, width), scaled (expected.y, height),
                                             scaled (expected.w, width), scaled (expected.h, height)));
            if (auto* textButton = dynamic_cast<juce::TextButton*> (&component))
            {
                EXPECT_EQ (textButton->getClickingTogglesState(), expected.toggles);
                EXPECT_EQ (textButton->findColour (juce::TextButton::textColourOnId), juce::Colour (0xFF4AAA4A));
            }
        }
    }

    // The exact pixels at the opening size.
    background.setSize (1000, 700);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ (background.getChildComponent (k)->getBounds(), juce::Rectangle<int> (20 + 245 * k, 56, 225, 210));
    EXPECT_EQ (presetBox().getTextWhenNothingSelected(), "Init");
    EXPECT_EQ (presetBox().getTextWhenNoChoicesAvailable(), "(no choices)");
    EXPECT_FALSE (presetBox().isTextEditable());
}

TEST_F (Background, BackdropBarsTrianglesAndGradient)
{
    const auto image = backdrop (1000, 700);

    // The bars: rows 0..34 and 665..699.
    for (const int x : { 0, 500, 999 })
    {
        EXPECT_TRUE (isGreen (image.getPixelAt (x, 0)) && isGreen (image.getPixelAt (x, 34)));
        EXPECT_TRUE (isGreen (image.getPixelAt (x, 665)) && isGreen (image.getPixelAt (x, 699)));
        EXPECT_FALSE (isGreen (image.getPixelAt (x, 35)) || isGreen (image.getPixelAt (x, 664)));
    }

    // Upper right: only the dark triangle; upper left: base grey under the opaque gradient.
    EXPECT_EQ (image.getPixelAt (990, 100), juce::Colour (0xFF9D9D9D));
    EXPECT_EQ (image.getPixelAt (10, 600), juce::Colour (0xFFD1D1D1));
    EXPECT_EQ (image.getPixelAt (500, 300), juce::Colour (0xFFD1D1D1));

    // Where the triangles overlap the gradient fades from the base grey at (0, 35) to nothing at
    // (1000, 665), showing the dark triangle more and more.
    EXPECT_NEAR (greyLevel (image, 400, 600), 181, 3);
    EXPECT_NEAR (greyLevel (image, 900, 660), 161, 3);
    EXPECT_NEAR (greyLevel (image, 999, 664), 157, 2);
}

TEST_F (Background, WordmarkUnscaledAtTheOpeningSizeAndShrunkInASmallerWindow)
{
    juce::MemoryBlock file;
    ASSERT_TRUE (juce::File (VARLUNE_LOGO_PNG).loadFileAsData (file));
    ASSERT_EQ ((size_t) BackgroundComponent::varlune_logo_pngSize, file.getSize());
    EXPECT_EQ (std::memcmp (BackgroundComponent::varlune_logo_png, file.getData(), file.getSize()), 0);

    const auto logo = juce::ImageCache::getFromMemory (BackgroundComponent::varlune_logo_png,
                                                       BackgroundComponent::varlune_logo_pngSize);
    ASSERT_EQ (logo.getBounds(), juce::Rectangle<int> (0, 0, 225, 35));

    // The lettering's box: every pixel that is not the bar's green.
    const auto lettering = [] (const juce::Image& image, juce::Rectangle<int> area)
    {
        juce::Rectangle<int> box;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getGreen() < 0xAA - 8 || image.getPixelAt (x, y).getGreen() > 0xAA + 8)
                {
                    EXPECT_TRUE (area.contains (x, y)) << x << ", " << y;
                    box = box.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : box.getUnion ({ x, y, 1, 1 });
                }
        return box;
    };

    // Unscaled at 1000 x 700: every pixel of the image over the bar's green at (20, 0).
    auto image = backdrop (1000, 700).getClippedImage ({ 0, 0, 1000, 35 });
    const auto area = juce::Rectangle<int> (20, 0, 225, 35);
    EXPECT_EQ (lettering (image, area), juce::Rectangle<int> (20 + 89, 6, 106, 19));
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 225; ++x)
            if (logo.getPixelAt (x, y).getAlpha() == 255)
            {
                ASSERT_EQ (image.getPixelAt (20 + x, y), logo.getPixelAt (x, y)) << x << ", " << y;
            }

    // Shrunk at 905 x 634: the area is 204 x 32 at (18, 0); the image keeps its aspect, centred.
    image = backdrop (905, 634).getClippedImage ({ 0, 0, 905, 32 });
    const auto shrunk = lettering (image, { 18, 0, 204, 32 });
    EXPECT_NEAR (shrunk.getWidth(), 106 * 204 / 225, 2);
    EXPECT_NEAR (shrunk.getX(), 18 + 89 * 204 / 225, 2);

    // At 2000 x 1400 the area grows, the image does not: natural size in the middle of (40, 0, 450, 70).
    image = backdrop (2000, 1400).getClippedImage ({ 0, 0, 2000, 70 });
    const auto centred = lettering (image, { 40, 0, 450, 70 });
    EXPECT_NEAR (centred.getWidth(), 106, 2);
    EXPECT_NEAR (centred.getX(), 40 + 112 + 89, 2);
    EXPECT_NEAR (centred.getY(), 17 + 6, 2);
}

TEST_F (Background, FirstRefreshFillsThePresetBoxSilentlyAndShowsThePreset)
{
    struct BoxChanges : juce::ComboBox::Listener
    {
        int count = 0;
        void comboBoxChanged (juce::ComboBox*) override { ++count; }
    } changes;
    presetBox().addListener (&changes);

    processor.presetNames = { "Alpha", "Beta", "Gamma" };
    processor.presetListChanged = false;
    processor.setCurrentPresetName ("Beta");
    background.updateFromPlugin();

    ASSERT_EQ (presetBox().getNumItems(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ (presetBox().getItemId (i), i + 1);
    EXPECT_EQ (presetBox().getText(), "Beta");
    EXPECT_EQ (presetBox().getSelectedId(), 2);

    // The list changes after a save: refilled once, the flag taken down.
    processor.presetNames = { "Delta" };
    processor.presetListChanged = true;
    processor.setCurrentPresetName ("Unsaved");
    background.updateFromPlugin();
    EXPECT_EQ (presetBox().getNumItems(), 1);
    EXPECT_EQ (presetBox().getText(), "Unsaved");
    EXPECT_EQ (presetBox().getSelectedId(), 0);
    EXPECT_FALSE (processor.presetListChanged);

    // Nothing was posted that would ask for a preset again once the messages are delivered.
    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
    EXPECT_EQ (changes.count, 0);
    EXPECT_FALSE (processor.programChangePending);
    EXPECT_TRUE (host.events.empty());
    presetBox().removeListener (&changes);
}

TEST_F (Background, APresetChosenFromTheBoxOutlastsARefreshBeforeItsMessage)
{
    processor.presetNames = { "Alpha", "Beta", "Gamma" };
    processor.setCurrentPresetName ("Beta");
    background.updateFromPlugin();

    // The box's menu sets the item and tells the listeners by a later message.
    presetBox().setSelectedId (3, juce::sendNotificationAsync);
    background.updateFromPlugin();
    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
    EXPECT_EQ (processor.getCurrentPresetName(), "Gamma");
    EXPECT_EQ (processor.programChangeIndex.load(), 2);
}

TEST_F (Background, RefreshCarriesOutAPendingLoadAndIgnoresAForeignDocument)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::userHomeDirectory);
    const auto preset = folder.getChildFile ("mine.vlp");
    ASSERT_TRUE (preset.replaceWithText (
        "<VARLUNE_PRESET PresetName=\"Mine\" Delay1_Feedback=\"0.125\" Out_Gain=\"0.5\"/>"));
    const auto foreign = folder.getChildFile ("state.vlp");
    ASSERT_TRUE (foreign.replaceWithText ("<VARLUNE_STATE PresetName=\"Other\" Delay1_Feedback=\"0.9\"/>"));

    processor.loadPresetFromFile (preset.getFullPathName());
    EXPECT_EQ (processor.getParameter (3), processor.getParameterRecord (3)->defaultNormalised);
    background.updateFromPlugin();
    EXPECT_FALSE (processor.isPresetLoadPending());
    EXPECT_EQ (processor.getParameter (3), 0.125f);
    EXPECT_EQ (presetBox().getText(), "Mine");
    // The panels were refreshed after the load: the strip shows the loaded gain.
    EXPECT_DOUBLE_EQ (child<juce::Slider> (*background.getChildComponent (12), "gain slider").getValue(), 0.5);

    processor.loadPresetFromFile (foreign.getFullPathName());
    background.updateFromPlugin();
    EXPECT_FALSE (processor.isPresetLoadPending());
    EXPECT_EQ (processor.getParameter (3), 0.125f);
    EXPECT_EQ (presetBox().getText(), "Mine");
}

TEST_F (Background, RefreshTurnsTheMomentaryButtonsOffAndKeepsTheModes)
{
    // Child indices: PANIC 14, Learn 16, Unlearn 17, Clear 18, S 19, L 20, RND 23, < 24, > 25.
    for (const int i : { 14, 16, 17, 18, 19, 20, 23, 24, 25 })
        button (i).setToggleState (true, juce::dontSendNotification);

    background.updateFromPlugin();

    for (const int i : { 14, 18, 19, 20, 23, 24, 25 })
        EXPECT_FALSE (button (i).getToggleState()) << button (i).getButtonText();
    EXPECT_TRUE (button (16).getToggleState());
    EXPECT_TRUE (button (17).getToggleState());
}

TEST_F (Background, ANewPanelShowsTheLearnModesAsTheyStand)
{
    processor.midiLearnActive = true;
    BackgroundComponent learning;
    learning.setProcessor (processor);
    EXPECT_TRUE (child<juce::TextButton> (learning, "learn button").getToggleState());
    EXPECT_FALSE (child<juce::TextButton> (learning, "unlearn button").getToggleState());

    processor.midiLearnActive = false;
    processor.midiUnlearnActive = true;
    BackgroundComponent unlearning;
    unlearning.setProcessor (processor);
    EXPECT_FALSE (child<juce::TextButton> (unlearning, "learn button").getToggleState());
    EXPECT_TRUE (child<juce::TextButton> (unlearning, "unlearn button").getToggleState());
}
