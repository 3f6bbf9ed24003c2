#include "EditorTestSupport.h"
#include "LogoComponent.h"
#include "ParamDisplayComponent.h"
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

namespace
{
using editortest::child;
using editortest::expectMatchesGolden;

// The component painted over a background colour, as the window shows it.
juce::Image renderOver (juce::Component& component, int width, int height, juce::Colour background)
{
    component.setSize (width, height);
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.fillAll (background);
    component.paintEntireComponent (g, true);
    return image;
}

struct LabelChanges : juce::Label::Listener
{
    int count = 0;
    void labelTextChanged (juce::Label*) override { ++count; }
};

// Rows of the image that hold any clearly white pixel.
juce::Range<int> whiteRows (const juce::Image& image)
{
    int first = -1, last = -1;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt (x, y).getBrightness() > 0.8f)
            {
                if (first < 0)
                    first = y;
                last = y;
            }
    return { first, last + 1 };
}

class Display : public editortest::EditorTest
{
protected:
    ParamDisplayComponent display;

    void SetUp() override { attach (display); }
};
} // namespace

TEST_F (Display, LaysOutTwoLinesOfEighteenPixels)
{
    EXPECT_EQ (display.getWidth(), 250);
    EXPECT_EQ (display.getHeight(), 35);
    EXPECT_EQ (child<juce::Label> (display, "name label").getBounds(), juce::Rectangle<int> (0, 0, 250, 18));
    EXPECT_EQ (child<juce::Label> (display, "value label").getBounds(), juce::Rectangle<int> (0, 18, 250, 18));

    display.setSize (500, 70);
    EXPECT_EQ (child<juce::Label> (display, "value label").getBounds(), juce::Rectangle<int> (0, 36, 500, 36));

    for (auto* label : { &child<juce::Label> (display, "name label"), &child<juce::Label> (display, "value label") })
    {
        EXPECT_FALSE (label->isEditableOnSingleClick() || label->isEditableOnDoubleClick());
        EXPECT_EQ (label->getFont().getHeight(), 15.0f);
        EXPECT_EQ (label->getJustificationType(), juce::Justification::centredLeft);
        EXPECT_EQ (label->findColour (juce::Label::textColourId), juce::Colours::white);
        EXPECT_EQ (label->getText(), juce::String());
    }
}

TEST_F (Display, ShowsTheVersionThenTheParameterMovedLastWithoutNotifying)
{
    auto& name = child<juce::Label> (display, "name label");
    auto& value = child<juce::Label> (display, "value label");
    LabelChanges changes;
    name.addListener (&changes);
    value.addListener (&changes);

    display.updateFromPlugin();
    EXPECT_EQ (name.getText(), juce::String());
    EXPECT_EQ (value.getText(), "Version 1.1");

    // A learned controller (audio thread) only posts the index and the value; the refresh builds
    // the texts.
    processor.setParameter (13, 0.25f);
    processor.setLastMovedParameter (13, 0.25f);
    display.updateFromPlugin();
    EXPECT_EQ (name.getText(), processor.getParameterName (13));
    EXPECT_EQ (value.getText(), processor.getParameterText (13));

    // Later changes of its value that are no move leave the line as the move left it.
    const auto moved = value.getText();
    processor.setParameter (13, 0.5f);
    display.updateFromPlugin();
    EXPECT_EQ (value.getText(), moved);
    display.updateFromPlugin();
    EXPECT_EQ (changes.count, 0);

    name.removeListener (&changes);
    value.removeListener (&changes);
}

TEST_F (Display, DrawsEachTextInItsOwnLineOverTheBar)
{
    const juce::Colour green (0xFF4AAA4A);

    // Nothing moved yet: the name line is empty and the version stands in the value line.
    display.updateFromPlugin();
    const auto valueRows = whiteRows (renderOver (display, 250, 35, green));
    EXPECT_GE (valueRows.getStart(), 18);
    EXPECT_LE (valueRows.getEnd(), 35);

    processor.lastParamName = "Delay1_Feedback";
    processor.lastParamText = {};
    display.updateFromPlugin();
    const auto nameRows = whiteRows (renderOver (display, 250, 35, green));
    EXPECT_GE (nameRows.getStart(), 0);
    EXPECT_LE (nameRows.getEnd(), 18);

    processor.setParameter (3, 0.7f);
    processor.setLastMovedParameter (3, 0.7f);
    display.updateFromPlugin();
    expectMatchesGolden (renderOver (display, 250, 35, green), "display-250x35");
    expectMatchesGolden (renderOver (display, 500, 70, green), "display-500x70");
}

TEST (Logo, DrawsItsBarsAndTrianglesAtTheirPixels)
{
    LogoComponent logo;
    EXPECT_EQ (logo.getWidth(), 400);
    EXPECT_EQ (logo.getHeight(), 400);

    juce::Image image (juce::Image::ARGB, 400, 400, true);
    juce::Graphics g (image);
    logo.paintEntireComponent (g, true);

    // Bars: right (347, 41, 24, 320), thin (296, 40, 12, 320), left (43, 41, 24, 320); each edge
    // checked from inside and outside.
    for (const juce::Rectangle<int> bar : { juce::Rectangle<int> (347, 41, 24, 320),
                                            juce::Rectangle<int> (296, 40, 12, 320),
                                            juce::Rectangle<int> (43, 41, 24, 320) })
    {
        for (const auto corner : { bar.getTopLeft(), bar.getBottomRight() - juce::Point<int> (1, 1) })
            EXPECT_EQ (image.getPixelAt (corner.x, corner.y), juce::Colours::white) << bar.toString();
        EXPECT_EQ (image.getPixelAt (bar.getX() - 1, bar.getCentreY()).getAlpha(), 0) << bar.toString();
        EXPECT_EQ (image.getPixelAt (bar.getRight(), bar.getCentreY()).getAlpha(), 0) << bar.toString();
        EXPECT_EQ (image.getPixelAt (bar.getCentreX(), bar.getY() - 1).getAlpha(), 0) << bar.toString();
        EXPECT_EQ (image.getPixelAt (bar.getCentreX(), bar.getBottom()).getAlpha(), 0) << bar.toString();
    }

    // Triangles (296, 80), (296, 40), (128, 200) and (296, 304), (296, 360), (128, 200): inside
    // each, above and below each, and the gap between them.
    const auto white = [&] (int x, int y) { return image.getPixelAt (x, y) == juce::Colours::white; };
    const auto clear = [&] (int x, int y) { return image.getPixelAt (x, y).getAlpha() == 0; };
    EXPECT_TRUE (white (250, 98) && white (250, 296) && white (150, 182) && white (150, 217));
    EXPECT_TRUE (white (290, 60) && white (290, 340));
    EXPECT_TRUE (clear (250, 70) && clear (250, 120) && clear (250, 260) && clear (250, 330));
    EXPECT_TRUE (clear (200, 200) && clear (120, 200) && clear (290, 200));

    expectMatchesGolden (renderOver (logo, 400, 400, juce::Colour (0xFFD1D1D1)), "logo-400x400");
    expectMatchesGolden (renderOver (logo, 40, 35, juce::Colour (0xFF4AAA4A)), "logo-40x35");
}
