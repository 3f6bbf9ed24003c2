// The output strip: its children, its five parameters through the control protocol, its refresh.
#include "EditorTestSupport.h"
#include "OutComponent.h"

using namespace editortest;

namespace
{
class OutStrip : public EditorTest
{
protected:
    OutComponent strip;

    void SetUp() override { attach (strip); }
};
} // namespace

TEST_F (OutStrip, ChildrenAtTheNaturalSize)
{
    EXPECT_EQ (strip.getBounds(), juce::Rectangle<int> (0, 0, 500, 35));
    expectChildren (strip, {
        { "gain label",   Kind::label, "Gain",    { 130, 0, 40, 35 } },
        { "gain slider",  Kind::knob,  "",        { 180, 0, 40, 35 } },
        { "drywet label", Kind::label, "Dry/Wet", { 240, 0, 60, 35 } },
        { "drywet knob",  Kind::knob,  "",        { 310, 0, 40, 35 } },
        { "mod box",      Kind::box,   "",        { 370, 10, 80, 14 } },
        { "mod knob",     Kind::knob,  "",        { 460, 0, 40, 35 } },
        { "in label",     Kind::label, "In",      { 0, 0, 30, 35 } },
        { "in box",       Kind::box,   "",        { 40, 10, 80, 14 } },
    });

    for (auto* name : { "mod box", "in box" })
    {
        auto& box = child<juce::ComboBox> (strip, name);
        EXPECT_EQ (box.getNumItems(), 14);
        EXPECT_EQ (box.getItemText (1), "Plug In");
        EXPECT_EQ (box.getJustificationType(), juce::Justification::centredLeft);
        EXPECT_EQ (box.findColour (juce::ComboBox::outlineColourId), juce::Colours::white);
    }

    for (auto* name : { "gain slider", "drywet knob", "mod knob" })
    {
        auto& knob = child<juce::Slider> (strip, name);
        EXPECT_EQ (knob.findColour (juce::Slider::rotarySliderFillColourId), juce::Colours::white);
        EXPECT_EQ (knob.getInterval(), 0.001);
    }

    EXPECT_FALSE (child<juce::Label> (strip, "in label").isColourSpecified (juce::Label::backgroundColourId));
}

TEST_F (OutStrip, ShowsTheDefaultsAndNotifiesNobodyOnRefresh)
{
    processor.setParameter (ParameterIndex::outInputLevel, 0.3f);
    const auto name = processor.lastParamName;
    strip.updateFromPlugin();

    EXPECT_EQ (child<juce::ComboBox> (strip, "in box").getText(), "Delay 1");
    EXPECT_EQ (child<juce::ComboBox> (strip, "mod box").getText(), "None");
    EXPECT_DOUBLE_EQ (child<juce::Slider> (strip, "drywet knob").getValue(), 0.5);
    EXPECT_DOUBLE_EQ (child<juce::Slider> (strip, "mod knob").getValue(), 0.0);
    EXPECT_NEAR (child<juce::Slider> (strip, "gain slider").getValue(), 0.8483, 0.0005);

    processor.setParameter (ParameterIndex::dryWetModSource, 11.0f / 13.0f);
    processor.setParameter (ParameterIndex::outGain, 0.25f);
    strip.updateFromPlugin();
    EXPECT_EQ (child<juce::ComboBox> (strip, "mod box").getText(), "LFO 2");
    EXPECT_DOUBLE_EQ (child<juce::Slider> (strip, "gain slider").getValue(), 0.25);

    EXPECT_TRUE (host.events.empty());
    EXPECT_EQ (processor.lastParamName, name);
    EXPECT_EQ (processor.getParameter (ParameterIndex::outInputLevel), 0.3f);
}

TEST_F (OutStrip, EachControlDrivesItsParameterAsOneGesture)
{
    strip.updateFromPlugin();

    expectUserChanges (strip, {
        { "in box",      13,    ParameterIndex::outInputSource,  1.0f },
        { "in box",      0,     ParameterIndex::outInputSource,  0.0f },
        { "mod box",     11,    ParameterIndex::dryWetModSource, 11.0f / 13.0f },
        { "drywet knob", 0.25,  ParameterIndex::dryWet,          0.25f },
        { "mod knob",    0.7,   ParameterIndex::dryWetModDepth,  0.7f },
        { "gain slider", 0.123, ParameterIndex::outGain,         0.123f },
    });
}

TEST_F (OutStrip, DoubleClickReturnsAKnobToItsDefault)
{
    auto& gain = child<juce::Slider> (strip, "gain slider");
    gain.setValue (0.1, juce::sendNotificationSync);
    doubleClick (gain);
    EXPECT_DOUBLE_EQ (gain.getValue(), 0.1);  // no default before the first refresh

    strip.updateFromPlugin();
    host.events.clear();
    doubleClick (gain);
    const float gainDefault = processor.getParameterRecord (ParameterIndex::outGain)->defaultNormalised;
    EXPECT_NEAR (gain.getValue(), gainDefault, 0.0005);
    EXPECT_EQ (host.events, userChange (ParameterIndex::outGain, (float) gain.getValue()));
}

TEST_F (OutStrip, LooksAsTheGoldenImagesAtOnceAndTwiceItsSize)
{
    processor.setParameter (ParameterIndex::dryWetModSource, 10.0f / 13.0f);
    processor.setParameter (ParameterIndex::dryWetModDepth, 0.6f);
    strip.updateFromPlugin();

    expectMatchesGolden (render (strip), "out-strip-500x35");
    strip.setSize (1000, 70);
    expectMatchesGolden (render (strip), "out-strip-1000x70");
}
