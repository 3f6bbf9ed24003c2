#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The editor's theme colours. */
namespace EditorColours
{
    const juce::Colour green { 0xff4aaa4a };
    const juce::Colour backgroundGrey { 0xffd1d1d1 };
    const juce::Colour triangleGrey { 0xff9d9d9d };
    const juce::Colour panelFill { 0xa0ffffff };
    const juce::Colour disabledKnob { 0x80808080 };
}

/** The editor's flat green look: knobs as two arcs, a circle and a dot; text buttons outlined when
    off and filled when on; green combo boxes with a white arrow area; green popup menus. */
class KivLook : public juce::LookAndFeel_V2
{
public:
    KivLook() = default;

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool isMouseOverButton, bool isButtonDown) override;

    void drawPopupMenuBackground (juce::Graphics&, int width, int height) override;

    void drawPopupMenuItem (juce::Graphics&, const juce::Rectangle<int>& area,
                            bool isSeparator, bool isActive, bool isHighlighted, bool isTicked,
                            bool hasSubMenu, const juce::String& text,
                            const juce::String& shortcutKeyText,
                            const juce::Drawable* icon, const juce::Colour* textColour) override;

    void drawPopupMenuUpDownArrow (juce::Graphics&, int width, int height, bool isScrollUpArrow) override;

    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown,
                       int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox&) override;

    void drawLinearSliderBackground (juce::Graphics&, int x, int y, int width, int height,
                                     float sliderPos, float minSliderPos, float maxSliderPos,
                                     juce::Slider::SliderStyle, juce::Slider&) override;

    void drawLinearSliderThumb (juce::Graphics&, int x, int y, int width, int height,
                                float sliderPos, float minSliderPos, float maxSliderPos,
                                juce::Slider::SliderStyle, juce::Slider&) override;

    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPosProportional, float rotaryStartAngle,
                           float rotaryEndAngle, juce::Slider&) override;

private:
    JUCE_DECLARE_NON_COPYABLE (KivLook)
};
