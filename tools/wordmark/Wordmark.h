#pragma once

#include <juce_graphics/juce_graphics.h>

/** The product's wordmark for the window's top bar: "VARLUNE" in dark grey strokes with white
    highlights on their upper-left edges, on a transparent 225 x 35 image, drawn from letter
    shapes of its own so that it does not depend on any installed font. */
namespace Wordmark
{
constexpr int width = 225;
constexpr int height = 35;

// Where the lettering lies, inclusive pixel columns and rows.
constexpr int firstColumn = 89, lastColumn = 195;
constexpr int firstRow = 6, lastRow = 24;

const juce::Colour letterColour (0xFF4E4E4E);

juce::Image draw();
} // namespace Wordmark
