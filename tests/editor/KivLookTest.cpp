// The look-and-feel's geometry and colours, pixel by pixel where no text is drawn.
#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
class LookTest : public ::testing::Test
{
protected:
    juce::ScopedJuceInitialiser_GUI framework;
    KivLook look;
};

const juce::Colour knobColour { 0xff2050c0 };

juce::Image renderKnob (KivLook& look, double position, bool enabled)
{
    juce::Slider knob;
    knob.setLookAndFeel (&look);
    knob.setSliderStyle (juce::Slider::RotaryVerticalDrag);
    knob.setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
    knob.setRange (0.0, 1.0, 0.001);
    knob.setValue (position, juce::dontSendNotification);
    knob.setColour (juce::Slider::rotarySliderFillColourId, knobColour);
    knob.setEnabled (enabled);
    knob.setBounds (0, 0, 50, 50);
    return render (knob);
}

// Coverage of a pixel: what the ring geometry says it must be.
enum Coverage { clear, solid, mostly };

void expectCoverage (const juce::Image& image, int x, int y, Coverage coverage, juce::Colour colour,
                     const std::string& where)
{
    const auto pixel = image.getPixelAt (x, y);
    SCOPED_TRACE (where + " at " + std::to_string (x) + "," + std::to_string (y));

    if (coverage == clear)
    {
        EXPECT_LE (pixel.getAlpha(), 8);
        return;
    }

    EXPECT_GE (pixel.getAlpha(), coverage == solid ? colour.getAlpha() - 8 : colour.getAlpha() / 2);
    EXPECT_NEAR (pixel.getRed(), colour.getRed(), 3);
    EXPECT_NEAR (pixel.getGreen(), colour.getGreen(), 3);
    EXPECT_NEAR (pixel.getBlue(), colour.getBlue(), 3);
}
}

// A 50 x 50 knob has radius 23 about (25, 25): outer ring 20.7 to 23, inner ring 14.49 to 16.1,
// circle outline 1.2 thick at 9.2, dot 4.6. Column 24 runs from the top edge to the centre, so
// pixel row y spans the distances 24 - y to 25 - y.
TEST_F (LookTest, KnobRingsOutlineAndDotAtFiftyPixels)
{
    struct Row { int y; const char* what; Coverage atMaximum, atMinimum; };
    const Row rows[] = {
        { 1, "outside", clear, clear },
        { 2, "outer ring", solid, clear },
        { 3, "outer ring", solid, clear },
        { 6, "between the rings", clear, clear },
        { 9, "inner ring", solid, clear },
        { 12, "inside the inner ring", clear, clear },
        { 15, "circle outline", mostly, mostly },
        { 18, "between circle and dot", clear, clear },
        { 21, "dot", solid, solid },
        { 24, "dot", solid, solid },
    };

    const auto atMaximum = renderKnob (look, 1.0, true);
    const auto atMinimum = renderKnob (look, 0.0, true);

    for (const auto& row : rows)
    {
        expectCoverage (atMaximum, 24, row.y, row.atMaximum, knobColour, std::string ("maximum, ") + row.what);
        expectCoverage (atMinimum, 24, row.y, row.atMinimum, knobColour, std::string ("minimum, ") + row.what);
    }
}

// At a quarter the outer arc has swept from the start (lower left) past 9 o'clock; the inner arc
// mirrors it from the end (lower right) back past 3 o'clock. Neither reaches 12 o'clock.
TEST_F (LookTest, InnerArcMirrorsTheOuterSweepFromTheFarEnd)
{
    const auto image = renderKnob (look, 0.25, true);

    expectCoverage (image, 2, 24, solid, knobColour, "outer ring at 9 o'clock");
    expectCoverage (image, 47, 24, clear, knobColour, "outer ring at 3 o'clock");
    expectCoverage (image, 40, 24, solid, knobColour, "inner ring at 3 o'clock");
    expectCoverage (image, 9, 24, clear, knobColour, "inner ring at 9 o'clock");
    expectCoverage (image, 24, 2, clear, knobColour, "outer ring at 12 o'clock");
    expectCoverage (image, 24, 9, clear, knobColour, "inner ring at 12 o'clock");
}

TEST_F (LookTest, DisabledKnobIsGreyWhateverItsColour)
{
    const auto image = renderKnob (look, 1.0, false);
    const juce::Colour grey (0x80808080);

    expectCoverage (image, 24, 2, solid, grey, "outer ring");
    expectCoverage (image, 24, 9, solid, grey, "inner ring");
    expectCoverage (image, 24, 22, solid, grey, "dot");
}

// Off: an outline (int) (height x 0.1) thick; on: filled; under 10 pixels high, off shows nothing.
TEST_F (LookTest, TextButtonOutlinedWhenOffFilledWhenOn)
{
    const juce::Colour colour (0xff4aaa4a);

    auto renderButton = [&] (int height, bool on)
    {
        juce::TextButton button;
        button.setLookAndFeel (&look);
        button.setColour (juce::TextButton::buttonColourId, colour);
        button.setColour (juce::TextButton::buttonOnColourId, colour);
        button.setToggleState (on, juce::dontSendNotification);
        button.setBounds (0, 0, 60, height);
        return render (button);
    };

    const auto off = renderButton (30, false);
    for (int d = 0; d < 3; ++d)
    {
        expectCoverage (off, d, 15, solid, colour, "left edge");
        expectCoverage (off, 59 - d, 15, solid, colour, "right edge");
        expectCoverage (off, 30, d, solid, colour, "top edge");
        expectCoverage (off, 30, 29 - d, solid, colour, "bottom edge");
    }
    expectCoverage (off, 3, 15, clear, colour, "inside the outline");
    expectCoverage (off, 30, 15, clear, colour, "middle");

    const auto on = renderButton (30, true);
    expectCoverage (on, 30, 15, solid, colour, "middle, on");
    expectCoverage (on, 0, 0, solid, colour, "corner, on");

    const auto small = renderButton (9, false);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ (small.getPixelAt (x, y).getAlpha(), 0) << x << "," << y;
}

// The outline is 1 pixel without keyboard focus, the arrow area white, the arrows green; a
// disabled box keeps its white area but shows no arrows.
TEST_F (LookTest, ComboBoxOutlineArrowAreaAndArrows)
{
    auto renderBox = [&] (bool enabled)
    {
        juce::ComboBox box ("box");
        box.setLookAndFeel (&look);
        box.setColour (juce::ComboBox::outlineColourId, juce::Colours::red);
        box.setEnabled (enabled);
        box.setBounds (0, 0, 100, 20);
        return render (box);
    };

    auto countGreenIn = [] (const juce::Image& image, juce::Rectangle<int> area)
    {
        int count = 0;
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                count += image.getPixelAt (x, y) == EditorColours::green ? 1 : 0;
        return count;
    };

    const auto enabled = renderBox (true);
    expectCoverage (enabled, 0, 10, solid, juce::Colours::red, "outline");
    expectCoverage (enabled, 1, 10, solid, EditorColours::green, "body");
    expectCoverage (enabled, 98, 2, solid, juce::Colours::white, "arrow area");

    const juce::Rectangle<int> arrowArea (84, 1, 15, 18);
    EXPECT_GT (countGreenIn (enabled, arrowArea), 10);
    EXPECT_EQ (countGreenIn (renderBox (false), arrowArea), 0);
}

TEST_F (LookTest, PopupMenuHighlightSeparatorAndInactiveItem)
{
    juce::Image image (juce::Image::ARGB, 100, 60, true);
    {
        juce::Graphics g (image);
        look.drawPopupMenuItem (g, { 0, 0, 100, 20 }, false, true, true, false, false, "", "", nullptr, nullptr);
        look.drawPopupMenuItem (g, { 0, 20, 100, 20 }, true, true, false, false, false, "", "", nullptr, nullptr);
        look.drawPopupMenuItem (g, { 0, 40, 100, 20 }, false, false, false, true, false, "", "", nullptr, nullptr);
    }

    expectCoverage (image, 50, 1, solid, juce::Colours::white, "highlight bar");
    expectCoverage (image, 50, 0, clear, juce::Colours::white, "above the highlight bar");

    // The separator's dark translucent line lies half on row 29 and half on row 30, the white line
    // a pixel lower; alpha 0x33 black then white.
    EXPECT_EQ (image.getPixelAt (50, 29).getRed(), 0);
    EXPECT_GT (image.getPixelAt (50, 29).getAlpha(), 0);
    EXPECT_LT (image.getPixelAt (50, 29).getAlpha(), 0x33);
    expectCoverage (image, 50, 31, mostly, juce::Colours::white, "separator's white line");
    expectCoverage (image, 2, 30, clear, juce::Colours::white, "left of the separator");

    // An inactive ticked item draws its tick in white at opacity 0.3.
    juce::uint8 strongest = 0;
    for (int y = 40; y < 60; ++y)
        for (int x = 0; x < 25; ++x)
            strongest = juce::jmax (strongest, image.getPixelAt (x, y).getAlpha());
    EXPECT_NEAR (strongest, 0.3 * 255, 3);
}
