#include "KivLook.h"

using juce::Colour;
namespace Colours = juce::Colours;
using juce::Path;

void KivLook::drawButtonBackground (juce::Graphics& g, juce::Button& button, const Colour& backgroundColour,
                                    bool, bool)
{
    g.setColour (backgroundColour);

    if (button.getToggleState())
        g.fillRect (0, 0, button.getWidth(), button.getHeight());
    else
        g.drawRect (0, 0, button.getWidth(), button.getHeight(), (int) (button.getHeight() * 0.1));
}

void KivLook::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    g.fillAll (EditorColours::green);
    g.setColour (Colours::white);
    g.drawRect (0, 0, width, height, 1);
}

void KivLook::drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area,
                                 bool isSeparator, bool isActive, bool isHighlighted, bool isTicked,
                                 bool hasSubMenu, const juce::String& text,
                                 const juce::String& shortcutKeyText,
                                 const juce::Drawable* icon, const Colour* textColour)
{
    juce::Graphics::ScopedSaveState state (g);
    g.setOrigin (area.getPosition());

    const int width = area.getWidth();
    const int height = area.getHeight();
    const float halfH = (float) height * 0.5f;

    if (isSeparator)
    {
        g.setColour (Colour (0x33000000));
        g.drawLine (5.5f, halfH, (float) width - 5.5f, halfH, 1.0f);
        g.setColour (Colours::white);
        g.drawLine (5.5f, halfH + 1.0f, (float) width - 5.5f, halfH + 1.0f, 1.0f);
        return;
    }

    if (isHighlighted)
    {
        g.setColour (Colours::white);
        g.fillRect (1, 1, width - 2, height - 2);
        g.setColour (EditorColours::green);
    }
    else
    {
        g.setColour (textColour != nullptr ? *textColour : Colours::white);
    }

    const float opacity = isActive ? 1.0f : 0.3f;
    if (! isActive)
        g.setOpacity (opacity);

    auto font = getPopupMenuFont();
    if (font.getHeight() > (float) height / 1.3f)
        font.setHeight ((float) height / 1.3f);
    g.setFont (font);

    const int leftBorder = (height * 5) / 4;

    if (icon != nullptr)
    {
        icon->drawWithin (g, { 2.0f, 1.0f, (float) (leftBorder - 4), (float) (height - 2) },
                          juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize,
                          opacity);
    }
    else if (isTicked)
    {
        const auto tick = getTickShape (1.0f);
        const float ascent = font.getAscent();
        g.fillPath (tick, tick.getTransformToScaleToFit (2.0f, halfH - ascent * 0.5f,
                                                         (float) (leftBorder - 4), ascent, true));
    }

    g.drawFittedText (text, leftBorder, 0, width - 4 - leftBorder, height,
                      juce::Justification::centredLeft, 1, 0.7f);

    if (shortcutKeyText.isNotEmpty())
    {
        auto shortcutFont = font;
        shortcutFont.setHeight (font.getHeight() * 0.75f);
        shortcutFont.setHorizontalScale (0.95f);
        g.setFont (shortcutFont);
        g.drawText (shortcutKeyText, leftBorder, 0, width - 8 - leftBorder, height,
                    juce::Justification::centredRight, true);
    }

    if (hasSubMenu)
    {
        const float arrowH = 0.6f * getPopupMenuFont().getAscent();
        const float x = (float) width - (float) height * 0.6f;

        Path arrow;
        arrow.addTriangle (x, halfH - arrowH * 0.5f, x, halfH + arrowH * 0.5f, x + arrowH * 0.6f, halfH);
        g.fillPath (arrow);
    }
}

void KivLook::drawPopupMenuUpDownArrow (juce::Graphics& g, int width, int height, bool isScrollUpArrow)
{
    g.setGradientFill (juce::ColourGradient (EditorColours::green, 0.0f, (float) height * 0.5f,
                                             EditorColours::green.withAlpha (0.0f),
                                             0.0f, isScrollUpArrow ? (float) height : 0.0f, false));
    g.fillRect (1, 1, width - 2, height - 2);

    const float hw = (float) width * 0.5f;
    const float arrowW = (float) height * 0.3f;
    const float y1 = (float) height * (isScrollUpArrow ? 0.6f : 0.3f);
    const float y2 = (float) height * (isScrollUpArrow ? 0.3f : 0.6f);

    Path arrow;
    arrow.addTriangle (hw - arrowW, y1, hw + arrowW, y1, hw, y2);
    g.setColour (Colours::white);
    g.fillPath (arrow);
}

void KivLook::drawComboBox (juce::Graphics& g, int width, int height, bool,
                            int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox& box)
{
    g.fillAll (EditorColours::green);

    g.setColour (box.findColour (juce::ComboBox::outlineColourId));
    g.drawRect (0, 0, width, height, box.isEnabled() && box.hasKeyboardFocus (false) ? 2 : 1);

    g.setColour (Colours::white);
    g.fillRect (buttonX, buttonY, buttonW, buttonH);

    if (box.isEnabled())
    {
        const float bx = (float) buttonX, by = (float) buttonY, bw = (float) buttonW, bh = (float) buttonH;
        // Each arrow's tip lies 0.2 of the button's height beyond its base.
        const float upTip = 0.45f - 0.2f;

        Path arrows;
        arrows.addTriangle (bx + bw * 0.5f, by + bh * upTip, bx + bw * 0.7f, by + bh * 0.45f,
                            bx + bw * 0.3f, by + bh * 0.45f);
        arrows.addTriangle (bx + bw * 0.5f, by + bh * 0.75f, bx + bw * 0.7f, by + bh * 0.55f,
                            bx + bw * 0.3f, by + bh * 0.55f);
        g.setColour (EditorColours::green);
        g.fillPath (arrows);
    }
}

void KivLook::drawLinearSliderBackground (juce::Graphics& g, int x, int y, int width, int height,
                                          float, float, float, juce::Slider::SliderStyle, juce::Slider&)
{
    g.setColour (Colours::darkslategrey.withAlpha (0.0f));
    g.fillRect (x, y, width, height);
}

void KivLook::drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                     float sliderPos, float minSliderPos, float maxSliderPos,
                                     juce::Slider::SliderStyle style, juce::Slider& slider)
{
    using Style = juce::Slider::SliderStyle;

    const Colour colour = slider.findColour (juce::Slider::thumbColourId);
    const float fx = (float) x, fy = (float) y, fw = (float) width, fh = (float) height;
    g.setColour (colour);

    if (style == Style::LinearHorizontal)
    {
        const float length = sliderPos - fx;
        const float barH = fh * 0.2f;

        Path bars;
        bars.addRectangle (fx, fy, length, barH);
        bars.addRectangle (fx + fw - length, fy + fh * 0.4f, length, barH);
        bars.addRectangle (fx, fy + fh * 0.8f, length, barH);
        g.fillPath (bars);
        return;
    }

    if (style == Style::LinearVertical)
    {
        g.fillRect (juce::Rectangle<float> (fx + fw * 0.3f, sliderPos, fw * 0.4f, fy + fh - sliderPos));
        return;
    }

    // Two- and three-value sliders keep the framework's spheres and pointers, in the plain colour.
    const float radius = (float) (getSliderThumbRadius (slider) - 2);
    const float outline = slider.isEnabled() ? 0.8f : 0.3f;
    const bool vertical = style == Style::TwoValueVertical || style == Style::ThreeValueVertical;
    const bool horizontal = style == Style::TwoValueHorizontal || style == Style::ThreeValueHorizontal;

    if (style == Style::ThreeValueVertical)
        drawGlassSphere (g, fx + fw * 0.5f - radius, sliderPos - radius, radius * 2.0f, colour, outline);
    else if (style == Style::ThreeValueHorizontal)
        drawGlassSphere (g, sliderPos - radius, fy + fh * 0.5f - radius, radius * 2.0f, colour, outline);

    if (vertical)
    {
        const float sr = juce::jmin (radius, fw * 0.4f);
        drawGlassPointer (g, juce::jmax (0.0f, fx + fw * 0.5f - radius * 2.0f), minSliderPos - radius,
                          radius * 2.0f, colour, outline, 1);
        drawGlassPointer (g, juce::jmin (fx + fw - radius * 2.0f, fx + fw * 0.5f), maxSliderPos - sr,
                          radius * 2.0f, colour, outline, 3);
    }
    else if (horizontal)
    {
        const float sr = juce::jmin (radius, fh * 0.4f);
        drawGlassPointer (g, minSliderPos - sr, juce::jmax (0.0f, fy + fh * 0.5f - radius * 2.0f),
                          radius * 2.0f, colour, outline, 2);
        drawGlassPointer (g, maxSliderPos - radius, juce::jmin (fy + fh - radius * 2.0f, fy + fh * 0.5f),
                          radius * 2.0f, colour, outline, 4);
    }
}

void KivLook::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                float sliderPos, float startAngle, float endAngle, juce::Slider& slider)
{
    const float radius = (float) juce::jmin (width / 2, height / 2) - 2.0f;
    const float rx = (float) x + (float) width * 0.5f - radius;
    const float ry = (float) y + (float) height * 0.5f - radius;
    const float rw = radius * 2.0f;
    const float angle = startAngle + sliderPos * (endAngle - startAngle);

    g.setColour (slider.isEnabled() ? slider.findColour (juce::Slider::rotarySliderFillColourId)
                                    : EditorColours::disabledKnob);

    Path outerArc;
    outerArc.addPieSegment (rx, ry, rw, rw, startAngle, angle, 0.9f);
    g.fillPath (outerArc);

    // The inner arc mirrors the outer one's sweep from the far end.
    const float innerSize = (float) (rw * 0.7);
    Path innerArc;
    innerArc.addPieSegment (rx + 0.3f * radius, ry + 0.3f * radius, innerSize, innerSize,
                            endAngle, endAngle - (angle - startAngle), 0.9f);
    g.fillPath (innerArc);

    const float circleSize = (float) (rw * 0.4);
    g.drawEllipse (rx + 0.6f * radius, ry + 0.6f * radius, circleSize, circleSize, 1.2f);

    const float dotSize = (float) (rw * 0.2);
    g.fillEllipse (rx + 0.8f * radius, ry + 0.8f * radius, dotSize, dotSize);
}
