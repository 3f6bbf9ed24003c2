#include "Wordmark.h"

namespace
{
// Letters are drawn as strokes through points of a 10 x 10 grid: x 0..10 across the letter,
// y 0 (top) .. 10 (baseline).
constexpr float letterWidth = 10.0f;
constexpr float strokeWidth = 2.8f;
constexpr float halfStroke = strokeWidth * 0.5f;

juce::Path letter (char c)
{
    juce::Path p;
    const auto stroke = [&p] (std::initializer_list<juce::Point<float>> points)
    {
        auto point = points.begin();
        p.startNewSubPath (*point);
        while (++point != points.end())
            p.lineTo (*point);
    };

    switch (c)
    {
        case 'V': stroke ({ { 0, 0 }, { 5, 10 }, { 10, 0 } }); break;
        case 'A': stroke ({ { 0, 10 }, { 5, 0 }, { 10, 10 } }); stroke ({ { 2.3f, 6.6f }, { 7.7f, 6.6f } }); break;
        case 'R':
            stroke ({ { 0, 10 }, { 0, 0 }, { 6, 0 } });
            p.cubicTo (10.6f, 0, 10.6f, 5, 6, 5);
            p.lineTo (0, 5);
            stroke ({ { 5, 5 }, { 10, 10 } });
            break;
        case 'L': stroke ({ { 0, 0 }, { 0, 10 }, { 9.5f, 10 } }); break;
        case 'U':
            stroke ({ { 0, 0 }, { 0, 6.2f } });
            p.cubicTo (0, 10.8f, 10, 10.8f, 10, 6.2f);
            p.lineTo (10, 0);
            break;
        case 'N': stroke ({ { 0, 10 }, { 0, 0 }, { 10, 10 }, { 10, 0 } }); break;
        case 'E': stroke ({ { 10, 0 }, { 0, 0 }, { 0, 10 }, { 10, 10 } }); stroke ({ { 0, 5 }, { 8, 5 } }); break;
        default: break;
    }

    return p;
}
} // namespace

juce::Image Wordmark::draw()
{
    const juce::String text ("VARLUNE");

    // The strokes' outer edges touch the lettering's bounds: the first letter's left edge, the
    // last letter's right edge, the cap line and the baseline.
    const float left = (float) firstColumn + halfStroke;
    const float right = (float) (lastColumn + 1) - halfStroke;
    const float top = (float) firstRow + halfStroke;
    const float letterHeight = (float) (lastRow + 1) - halfStroke - top;
    const float pitch = (right - left - letterWidth) / (float) (text.length() - 1);

    juce::Path strokes;
    for (int i = 0; i < text.length(); ++i)
        strokes.addPath (letter ((char) text[i]),
                         juce::AffineTransform::scale (1.0f, letterHeight / 10.0f)
                             .translated (left + pitch * (float) i, top));

    juce::Path outline;
    juce::PathStrokeType (strokeWidth, juce::PathStrokeType::curved, juce::PathStrokeType::butt)
        .createStrokedPath (outline, strokes);

    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.reduceClipRegion (outline);

    // White where the grey, moved down and right, leaves the stroke uncovered: a highlight along
    // every upper-left edge.
    g.setColour (juce::Colours::white);
    g.fillPath (outline);
    g.setColour (letterColour);
    g.fillPath (outline, juce::AffineTransform::translation (1.1f, 1.1f));
    return image;
}
