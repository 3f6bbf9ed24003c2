#include "ParameterTable.h"
#include "PluginParameter.h"
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using mordwickLib::PluginParameter;

namespace
{
std::unique_ptr<PluginParameter> makeParameter (float min, float max, float def, bool curved, bool sqrtCurve,
                                                bool discrete = false, const char* label = "")
{
    auto p = std::make_unique<PluginParameter>();
    p->init (min, max, def, discrete, "Test", label, curved, sqrtCurve);
    return p;
}
} // namespace

TEST (PluginParameter, UninitialisedRecordHasNeutralValues)
{
    PluginParameter p;
    EXPECT_EQ (p.name, "Parameter");
    EXPECT_EQ (p.minValue, 0.0f);
    EXPECT_EQ (p.maxValue, 1.0f);
    EXPECT_EQ (p.getNormalised(), 0.0f);
    EXPECT_EQ (p.getReal(), 0.0f);
    EXPECT_EQ (p.getMidiCC(), -1);
    EXPECT_FALSE (p.isLearnArmed());
}

TEST (PluginParameter, MappingsAndDefaultsMatchTheirWorkedNumbers)
{
    // Square curve: the delay time.
    auto time = makeParameter (1.0f, 1000.0f, 60.0f, true, false);
    EXPECT_FLOAT_EQ (time->defaultNormalised, std::sqrt (59.0f / 999.0f));
    EXPECT_NEAR (time->defaultNormalised, 0.243021f, 1e-6f);
    EXPECT_EQ (time->getReal(), 60.000004f);

    // Square-root curve: the output gain lands a hair below zero.
    auto gain = makeParameter (-70.0f, 6.0f, 0.0f, true, true);
    EXPECT_NEAR (gain->defaultNormalised, 0.848338f, 1e-6f);
    EXPECT_LT (gain->getReal(), 0.0f);
    EXPECT_NEAR (gain->getReal(), -7.5e-8f, 2e-8f);

    // Square-root curve on an inverted range.
    auto division = makeParameter (128.0f, 1.0f, 4.0f, true, true);
    EXPECT_NEAR (division->defaultNormalised, 0.953314f, 1e-6f);
    EXPECT_EQ (division->getReal(), 3.9999974f);
    EXPECT_EQ (division->toReal (0.0f), 128.0f);
    EXPECT_EQ (division->toReal (1.0f), 1.0f);
    EXPECT_EQ (makeParameter (128.0f, 1.0f, 1.0f, true, true)->defaultNormalised, 1.0f);

    // A choice of fourteen.
    auto source = makeParameter (0.0f, 13.0f, 2.0f, false, false, true);
    EXPECT_NEAR (source->defaultNormalised, 2.0f / 13.0f, 1e-7f);
    EXPECT_EQ (source->getReal(), 2.0f);

    // Bounds are inside the range; a default outside leaves 0.
    EXPECT_EQ (makeParameter (0.0f, 100.0f, 100.0f, false, false)->defaultNormalised, 1.0f);
    EXPECT_EQ (makeParameter (0.0f, 100.0f, 0.0f, false, false)->defaultNormalised, 0.0f);
    EXPECT_EQ (makeParameter (0.0f, 100.0f, 150.0f, false, false)->defaultNormalised, 0.0f);
    EXPECT_EQ (makeParameter (0.0f, 100.0f, -1.0f, false, false)->getReal(), 0.0f);
}

TEST (PluginParameter, StoreKeepsValueCopyAndRealValueTogether)
{
    auto p = makeParameter (0.0f, 40.0f, 1.0f, true, false);
    p->storeNormalised (0.5f);
    EXPECT_EQ (p->getNormalised(), 0.5f);
    EXPECT_EQ (p->getReal(), 10.0f);
    p->storeNormalised (1.0f);
    EXPECT_EQ (p->getReal(), 40.0f);
}

class ParameterTable : public ::testing::Test
{
protected:
    VarluneAudioProcessor processor;

    juce::String text (int index) { return processor.getParameterText (index); }
    void set (int index, float value) { processor.setParameter (index, value); }
};

TEST_F (ParameterTable, NamesFollowTheIndexLayout)
{
    ASSERT_EQ (processor.getNumParameters(), 98);
    const char* expected[] = {
        "Delay1_Time", "Delay1_Sync", "Delay1_Time_Synced", "Delay1_Feedback", "Delay1_Input",
        "Delay1_input_Level", "Delay1_Feedback_Input", "Delay1_Feedback_Input_Level",
        "Delay1_Time_Mod_Source", "Delay1_Time_Mod_Depth" };

    for (int k = 1; k <= 4; ++k)
        for (int pos = 0; pos < 10; ++pos)
            EXPECT_EQ (processor.getParameterName (ParameterIndex::delayBase (k) + pos),
                       juce::String (expected[pos]).replace ("Delay1", "Delay" + juce::String (k)));

    EXPECT_EQ (processor.getParameterName (40), "Lfo1_Wave");
    EXPECT_EQ (processor.getParameterName (51), "Lfo2_Rate_x100");
    EXPECT_EQ (processor.getParameterName (67), "Lfo4_Rate_Mod_Depth");
    EXPECT_EQ (processor.getParameterName (68), "Mixer1_Mode");
    EXPECT_EQ (processor.getParameterName (82), "Mixer3_Input_B");
    EXPECT_EQ (processor.getParameterName (91), "Mixer4_Control_Mod_Depth");

    const char* output[] = { "Out_Input_Source", "Out_Input_Level", "Dry_Wet", "Dry_Wet_Mod_Source",
                             "Dry_Wet_Mod_Depth", "Out_Gain" };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ (processor.getParameterName (92 + i), output[i]);

    // Names are unique: they key presets, state and preferences.
    juce::StringArray names;
    for (int i = 0; i < 98; ++i)
        names.addIfNotAlreadyThere (processor.getParameterName (i));
    EXPECT_EQ (names.size(), 98);
}

TEST_F (ParameterTable, DefaultTexts)
{
    EXPECT_EQ (text (0), "60.00 Ms");
    EXPECT_EQ (text (1), "Off");
    EXPECT_EQ (text (2), "3 div");  // real 3.9999974, truncated
    EXPECT_EQ (text (3), "40.00 %");
    EXPECT_EQ (text (4), "Input");
    EXPECT_EQ (text (5), "100.00 %");
    EXPECT_EQ (text (6), "Delay 1");
    EXPECT_EQ (text (14), "None");
    EXPECT_EQ (text (16), "None");
    EXPECT_EQ (text (40), "Sin");
    EXPECT_EQ (text (41), "1.00 Hz");
    EXPECT_EQ (text (43), "1 div");
    EXPECT_EQ (text (44), "0 ");
    EXPECT_EQ (text (68), "Mix");
    EXPECT_EQ (text (71), "50.00 %");
    EXPECT_EQ (text (92), "Delay 1");
    EXPECT_EQ (text (94), "50.00 %");
    EXPECT_EQ (text (97), "-0.00 dB");
}

TEST_F (ParameterTable, DefaultNormalisedValues)
{
    for (int k = 1; k <= 4; ++k)
    {
        const int d = ParameterIndex::delayBase (k);
        EXPECT_NEAR (processor.getParameter (d), 0.243021f, 1e-6f);
        EXPECT_NEAR (processor.getParameter (d + 2), 0.953314f, 1e-6f);
        EXPECT_FLOAT_EQ (processor.getParameter (d + 3), 0.4f);
        EXPECT_FLOAT_EQ (processor.getParameter (d + 4), k == 1 ? 1.0f / 13.0f : 0.0f);
        EXPECT_FLOAT_EQ (processor.getParameter (d + 6), k == 1 ? 2.0f / 13.0f : 0.0f);
        EXPECT_NEAR (processor.getParameter (ParameterIndex::lfoBase (k) + 1), 0.158114f, 1e-6f);
        EXPECT_EQ (processor.getParameter (ParameterIndex::lfoBase (k) + 3), 1.0f);
        EXPECT_EQ (processor.getParameter (ParameterIndex::mixerBase (k) + 3), 0.5f);
    }
    EXPECT_FLOAT_EQ (processor.getParameter (92), 2.0f / 13.0f);
    EXPECT_NEAR (processor.getParameter (97), 0.848338f, 1e-6f);
}

TEST_F (ParameterTable, ChoiceTextsRoundToTheNearestChoiceAndSwitchesTruncate)
{
    set (40, 0.5f);   // wave 2.5
    EXPECT_EQ (text (40), "SDn");
    set (40, 1.0f);
    EXPECT_EQ (text (40), "S&H");
    set (68, 0.25f);
    EXPECT_EQ (text (68), "Ringmod");
    set (68, 1.0f);
    EXPECT_EQ (text (68), "Pan");
    set (4, 0.5f);    // source 6.5
    EXPECT_EQ (text (4), "Mixer 2");
    set (4, 1.0f);
    EXPECT_EQ (text (4), "LFO 4");

    set (1, 0.7f);
    EXPECT_EQ (text (1), "Off");
    set (1, 1.0f);
    EXPECT_EQ (text (1), "On");
    set (44, 1.0f);
    EXPECT_EQ (text (44), "1 ");
}

TEST_F (ParameterTable, NumericTextsAtTheEndsOfTheirRanges)
{
    set (97, 1.0f);
    EXPECT_EQ (text (97), "6.00 dB");
    set (97, 0.0f);
    EXPECT_EQ (text (97), "-70.00 dB");
    set (2, 0.0f);
    EXPECT_EQ (text (2), "128 div");
    set (2, 1.0f);
    EXPECT_EQ (text (2), "1 div");
    set (0, 1.0f);
    EXPECT_EQ (text (0), "1000.00 Ms");
    set (41, 1.0f);
    EXPECT_EQ (text (41), "40.00 Hz");
}

TEST (TwoDecimalText, RoundsHalfAwayFromZeroAndKeepsTheSign)
{
    EXPECT_EQ (formatTwoDecimals (0.0f), "0.00");
    EXPECT_EQ (formatTwoDecimals (-0.0f), "0.00");
    EXPECT_EQ (formatTwoDecimals (-1e-8f), "-0.00");
    EXPECT_EQ (formatTwoDecimals (-12.0f), "-12.00");
    EXPECT_EQ (formatTwoDecimals (0.125f), "0.13");
    EXPECT_EQ (formatTwoDecimals (-0.125f), "-0.13");
    EXPECT_EQ (formatTwoDecimals (9.999f), "10.00");
    EXPECT_EQ (formatTwoDecimals (0.05f), "0.05");
    EXPECT_EQ (formatTwoDecimals (1234.5f), "1234.50");
}

TEST_F (ParameterTable, SetParameterAcceptsOnlyZeroToOne)
{
    set (3, 0.0f);
    EXPECT_EQ (processor.getParameter (3), 0.0f);
    set (3, 1.0f);
    EXPECT_EQ (processor.getParameter (3), 1.0f);

    for (float bad : { 1.0001f, -0.0001f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity() })
    {
        set (3, bad);
        EXPECT_EQ (processor.getParameter (3), 1.0f);
        EXPECT_EQ (text (3), "100.00 %");
    }
}

TEST_F (ParameterTable, IndicesOutsideTheTableAreHarmless)
{
    for (int index : { -1, 98, 1000, std::numeric_limits<int>::min() })
    {
        EXPECT_EQ (processor.getParameter (index), 0.0f);
        EXPECT_EQ (processor.getParameterName (index), "");
        EXPECT_EQ (processor.getParameterText (index), "");
        processor.setParameter (index, 0.5f);
    }

    // Nothing else moved.
    VarluneAudioProcessor fresh;
    for (int i = 0; i < 98; ++i)
        EXPECT_EQ (processor.getParameter (i), fresh.getParameter (i)) << i;
}
