#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace settingstest;

namespace
{
juce::File testData (const char* name)
{
    return juce::File (VARLUNE_TEST_DATA_DIR).getChildFile (name);
}

// The preset file a processor's settings give, built here from the format's rules rather than by
// the writer under test: the declaration, an empty line and the one-blank document-type line;
// the element "<VARLUNE_PRESET" with "PresetName" and then each parameter's name (from the
// parameter table) and printed value, wrapped before an attribute once those already on the line
// (each with its leading blank) pass 60 characters, a new line starting with 15 blanks; "/>";
// every line ended by CR LF.
std::string presetFileFromTheFormat (VarluneAudioProcessor& processor, const std::string& presetName)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n \r\n<VARLUNE_PRESET";
    size_t onLine = 0;

    const auto add = [&] (const std::string& name, const std::string& value)
    {
        if (onLine > 60)
        {
            text += "\r\n" + std::string (15, ' ');
            onLine = 0;
        }

        const auto attribute = " " + name + "=\"" + value + "\"";
        text += attribute;
        onLine += attribute.size();
    };

    add ("PresetName", presetName);
    for (int i = 0; i < 98; ++i)
        add (processor.getParameterName (i).toStdString(), printed (processor.getParameter (i)));

    return text + "/>\r\n";
}

// Reads a preset file's text through a new processor, as the editor's refresh would.
struct PresetReader
{
    VarluneAudioProcessor processor;
    juce::File file = homeFolder().getChildFile ("test.vlp");

    void load (const std::string& text)
    {
        ASSERT_TRUE (file.replaceWithData (text.data(), text.size()));
        processor.loadPresetFromFile (file.getFullPathName());
        processor.loadPendingPreset();
    }
};
} // namespace

TEST (PresetFileFormat, ValuesHaveTwentySignificantDigitsInGeneralNotation)
{
    EXPECT_EQ (SettingsDocument::formatValue (0.0), "0");
    EXPECT_EQ (SettingsDocument::formatValue (0.5), "0.5");
    EXPECT_EQ (SettingsDocument::formatValue (1.0), "1");
    EXPECT_EQ (SettingsDocument::formatValue ((double) 0.4f), "0.40000000596046447754");
    EXPECT_EQ (SettingsDocument::formatValue ((double) 1.0e-7f), "1.0000000116860974231e-07");
    EXPECT_EQ (SettingsDocument::formatValue ((double) (2.0f / 13.0f)), "0.15384615957736968994");

    // Whatever the host's locale, as printf gives it in the C locale; and the text reads back
    // as the same float.
    std::mt19937 random (7);
    std::uniform_real_distribution<float> value (0.0f, 1.0f);

    for (int i = 0; i < 2000; ++i)
    {
        const float v = i < 1000 ? value (random) : std::ldexp (value (random), -(i % 140));
        const auto text = SettingsDocument::formatValue ((double) v);
        ASSERT_EQ (text, juce::String (printed (v)));
        ASSERT_EQ ((float) SettingsDocument::readNumber (text), v) << text;
    }
}

TEST (PresetFileFormat, SavedFileHasTheExactBytesOfTheFormat)
{
    VarluneAudioProcessor processor;
    processor.savePresetAs (presetFolder().getChildFile ("Init.vlp"));
    const auto expected = presetFileFromTheFormat (processor, "Init");

    EXPECT_EQ (textOf (bytesOf (presetFolder().getChildFile ("Init.vlp"))), expected);
    // The committed sample of the default preset is that same text, for a reader to look at.
    EXPECT_EQ (textOf (bytesOf (testData ("default-preset.vlp"))), expected);

    // Random values, whose printed forms wrap the lines elsewhere.
    setRandomSettings (processor, 3, "Other");
    processor.savePresetAs (presetFolder().getChildFile ("Other.vlp"));
    EXPECT_EQ (textOf (bytesOf (presetFolder().getChildFile ("Other.vlp"))), presetFileFromTheFormat (processor, "Other"));
}

TEST (PresetFileFormat, SaveForcesTheExtensionAndNamesThePresetAfterTheFile)
{
    VarluneAudioProcessor processor;
    processor.presetListChanged = false;

    processor.savePresetAs (presetFolder().getChildFile ("x.txt"));
    EXPECT_TRUE (presetFolder().getChildFile ("x.vlp").existsAsFile());
    EXPECT_FALSE (presetFolder().getChildFile ("x.txt").exists());
    EXPECT_EQ (processor.getCurrentPresetName(), "x");
    EXPECT_EQ (processor.getProgramName (0), "x");
    EXPECT_TRUE (processor.presetListChanged);
    EXPECT_TRUE (processor.presetNames.contains ("x"));

    processor.savePresetAs (presetFolder().getChildFile ("Plain"));
    EXPECT_TRUE (presetFolder().getChildFile ("Plain.vlp").existsAsFile());

    processor.savePresetAs (presetFolder().getChildFile ("Loud.VLP"));
    EXPECT_TRUE (presetFolder().getChildFile ("Loud.VLP").existsAsFile());
    EXPECT_EQ (processor.getCurrentPresetName(), "Loud");

    const auto names = processor.presetManager.getFileNames();
    EXPECT_EQ (names.size(), 3);
    EXPECT_TRUE (names.contains ("x") && names.contains ("Plain") && names.contains ("Loud"));

    // No temporary file is left beside the presets.
    EXPECT_EQ (presetFolder().getNumberOfChildFiles (juce::File::findFiles), 3);
}

TEST (PresetFileFormat, ACancelledSaveDialogStillRescansTheList)
{
    VarluneAudioProcessor processor;
    ASSERT_TRUE (presetFolder().getChildFile ("Dropped.vlp").replaceWithText ("x"));
    processor.presetListChanged = false;

    processor.saveDialogClosed (juce::File());
    EXPECT_TRUE (processor.presetListChanged);
    EXPECT_EQ (processor.presetNames, juce::StringArray ("Dropped"));
    EXPECT_EQ (processor.getCurrentPresetName(), "Init");

    processor.saveDialogClosed (presetFolder().getChildFile ("Chosen.vlp"));
    EXPECT_EQ (processor.getCurrentPresetName(), "Chosen");
    EXPECT_EQ (processor.presetNames.size(), 2);
}

TEST (PresetFileFormat, SaveReplacesAnExistingFileWhole)
{
    VarluneAudioProcessor processor;
    const auto file = presetFolder().getChildFile ("Old.vlp");
    ASSERT_TRUE (file.replaceWithText (std::string (10000, 'x')));

    processor.savePresetAs (file);
    EXPECT_EQ (textOf (bytesOf (file)).rfind ("<?xml", 0), 0u);
    EXPECT_LT (file.getSize(), 10000);
}

TEST (PresetFileFormat, AFailedWriteStillRescansTheList)
{
    VarluneAudioProcessor processor;
    ASSERT_TRUE (presetFolder().getChildFile ("Other.vlp").replaceWithText ("x"));
    processor.presetListChanged = false;

    processor.savePresetAs (homeFolder().getChildFile ("missing-folder/P.vlp"));
    EXPECT_FALSE (homeFolder().getChildFile ("missing-folder/P.vlp").exists());
    EXPECT_TRUE (processor.presetListChanged);
    EXPECT_EQ (processor.presetNames, juce::StringArray ("Other"));
}

TEST (PresetFileRoundTrip, EveryValueAndTheNameComeBack)
{
    VarluneAudioProcessor source;
    const auto settings = setRandomSettings (source, 11, "ignored");
    const auto file = presetFolder().getChildFile ("Name <with> \"marks\" & 'quotes' \xc3\xa9.vlp");
    source.savePresetAs (file);

    VarluneAudioProcessor target;
    const auto controllers = controllersOf (target);
    target.loadPresetFromFile (file.getFullPathName());
    target.loadPendingPreset();

    EXPECT_EQ (valuesOf (target), std::vector<float> (settings.values.begin(), settings.values.end()));
    EXPECT_EQ (target.getCurrentPresetName(), file.getFileNameWithoutExtension());
    EXPECT_EQ (controllersOf (target), controllers);  // presets carry no controllers
}

TEST (PresetFileReader, NamesAreComparedIgnoringAsciiCase)
{
    PresetReader reader;
    reader.load ("<varlune_preset presetname=\"Lower\" DELAY1_TIME=\"0.5\" out_gain=\"0.25\"/>");

    EXPECT_EQ (reader.processor.getParameter (0), 0.5f);
    EXPECT_EQ (reader.processor.getParameter (97), 0.25f);
    EXPECT_EQ (reader.processor.getCurrentPresetName(), "Lower");
}

TEST (PresetFileReader, MissingAttributesGiveDefaultsNotPreviousValues)
{
    PresetReader reader;
    for (int i = 0; i < ParameterIndex::numParameters; ++i)
        reader.processor.setParameter (i, 0.75f);

    reader.load ("<?xml version=\"1.0\"?>\n<VARLUNE_PRESET Dry_Wet=\"0.125\" Unknown=\"1\"/>\n");

    auto expected = defaultsOf (reader.processor);
    expected[ParameterIndex::dryWet] = 0.125f;
    EXPECT_EQ (valuesOf (reader.processor), expected);
    EXPECT_EQ (reader.processor.getCurrentPresetName(), " ");
}

TEST (PresetFileReader, NumbersAreReadFromTheLeadingText)
{
    PresetReader reader;
    reader.load ("<VARLUNE_PRESET PresetName=\"n\" Delay1_Time=\"  0.25abc\" Delay1_Sync=\"abc\""
                 " Delay1_Feedback=\"5e-1\" Delay1_Input=\"+.5\" Delay1_input_Level=\"1e\" Dry_Wet=\"0,75\"/>");

    EXPECT_EQ (reader.processor.getParameter (0), 0.25f);
    EXPECT_EQ (reader.processor.getParameter (1), 0.0f);
    EXPECT_EQ (reader.processor.getParameter (3), 0.5f);
    EXPECT_EQ (reader.processor.getParameter (4), 0.5f);
    EXPECT_EQ (reader.processor.getParameter (5), 1.0f);
    EXPECT_EQ (reader.processor.getParameter (ParameterIndex::dryWet), 0.0f);
}

TEST (PresetFileReader, ValuesOutsideTheRangeLeaveTheParameterAndTheHostHearsTheHeldValue)
{
    PresetReader reader;
    RecordingListener listener;
    reader.processor.addListener (&listener);
    reader.processor.setParameter (0, 0.3f);
    reader.processor.setParameter (1, 0.3f);
    reader.processor.setParameter (2, 0.3f);

    reader.load ("<VARLUNE_PRESET Delay1_Time=\"1.5\" Delay1_Sync=\"-0.25\" Delay1_Time_Synced=\"nan\"/>");

    EXPECT_EQ (reader.processor.getParameter (0), 0.3f);
    EXPECT_EQ (reader.processor.getParameter (1), 0.3f);
    EXPECT_EQ (reader.processor.getParameter (2), 0.0f);  // "nan" holds no number: 0
    ASSERT_EQ (listener.changes.size(), 98u);
    EXPECT_EQ (listener.changes[0], std::make_pair (0, 0.3f));
    EXPECT_EQ (listener.changes[1], std::make_pair (1, 0.3f));
    EXPECT_EQ (listener.gestures, 0);
    reader.processor.removeListener (&listener);
}

TEST (PresetFileReader, ForeignOrBrokenFilesChangeNothing)
{
    PresetReader reader;
    setRandomSettings (reader.processor, 3, "Kept");
    const auto values = valuesOf (reader.processor);

    const std::string broken[] = {
        "",
        "not xml at all",
        "<VARLUNE_PRESET Delay1_Time=\"0.5\"><child>",                    // unmatched
        "<VARLUNE_STATE PresetName=\"s\" Delay1_Time=\"0.5\"/>",          // a host state
        "<VARLUNE_PRESETS Delay1_Time=\"0.5\"/>",
        "<?xml version=\"1.0\"?>",
        std::string (300, '<') + "VARLUNE_PRESET/>",
    };

    for (const auto& text : broken)
    {
        reader.load (text);
        EXPECT_FALSE (reader.processor.isPresetLoadPending());
        EXPECT_EQ (valuesOf (reader.processor), values) << text;
        EXPECT_EQ (reader.processor.getCurrentPresetName(), "Kept") << text;
    }

    // Missing, a folder, a relative path, an empty path.
    for (const auto& path : { homeFolder().getChildFile ("nothing.vlp").getFullPathName(),
                              homeFolder().getFullPathName(), juce::String ("relative.vlp"), juce::String() })
    {
        reader.processor.loadPresetFromFile (path);
        EXPECT_TRUE (reader.processor.isPresetLoadPending());
        reader.processor.loadPendingPreset();
        EXPECT_FALSE (reader.processor.isPresetLoadPending());
        EXPECT_EQ (valuesOf (reader.processor), values) << path;
    }
}

TEST (PresetFileReader, OversizedFilesAreNotRead)
{
    PresetReader reader;
    std::string text = "<VARLUNE_PRESET PresetName=\"big\" Delay1_Time=\"0.5\" Padding=\"";
    text += std::string ((size_t) SettingsDocument::maxDocumentBytes, 'x') + "\"/>";
    reader.load (text);
    EXPECT_EQ (reader.processor.getCurrentPresetName(), "Init");
}

TEST (PresetFileReader, DeclaredEntitiesAreNotExpanded)
{
    // Entities that refer to themselves would send the parser round for ever; the declaration
    // is skipped and the document read without it.
    PresetReader reader;
    reader.load ("<?xml version=\"1.0\"?>\n"
                 "<!DOCTYPE VARLUNE_PRESET [ <!ENTITY a \"&a;&a;\"> <!ENTITY b \"0.5\"> ]>\n"
                 "<VARLUNE_PRESET PresetName=\"&a;\" Delay1_Time=\"&b;\" Dry_Wet=\"0.25\"/>");

    EXPECT_EQ (reader.processor.getParameter (ParameterIndex::dryWet), 0.25f);
    EXPECT_EQ (reader.processor.getParameter (0), 0.0f);
    EXPECT_EQ (reader.processor.getCurrentPresetName(), "a");

    // A second declaration after the first is refused, as the parser refuses it.
    reader.load ("<!DOCTYPE x>\n<!DOCTYPE VARLUNE_PRESET [ <!ENTITY a \"&a;&a;\"> ]>\n"
                 "<VARLUNE_PRESET PresetName=\"&a;\" Dry_Wet=\"0.75\"/>");
    EXPECT_EQ (reader.processor.getParameter (ParameterIndex::dryWet), 0.25f);
    EXPECT_EQ (reader.processor.getCurrentPresetName(), "a");
}

TEST (PresetFileReader, ProcessingInstructionsInTheContentAreSkipped)
{
    // Right after an element's start, one of these used to keep the parser going round for ever.
    PresetReader reader;
    reader.load ("<?xml version=\"1.0\"?><?first?>\r\n<VARLUNE_PRESET Dry_Wet=\"0.25\"><a> <?pi x?>text</a><?pi?> </VARLUNE_PRESET>");
    EXPECT_EQ (reader.processor.getParameter (ParameterIndex::dryWet), 0.25f);
}

TEST (PresetFileReader, MalformedReferencesAreRefusedBeforeTheParserOverrunsTheText)
{
    const auto layout = VarluneAudioProcessor().getSettingsLayout();

    for (const std::string text : { "<VARLUNE_PRESET Dry_Wet=\"0.25\">&#x3",
                                    "<VARLUNE_PRESET Dry_Wet=\"0.25\" PresetName=\"&#X12345678",
                                    "<VARLUNE_PRESET Dry_Wet=\"0.25\">&<a x='&#x41'>;</VARLUNE_PRESET>" })
        EXPECT_FALSE (SettingsDocument::readPresetData (text.data(), text.size(), layout).has_value()) << text;

    // Complete references still read.
    const std::string fine = "<VARLUNE_PRESET PresetName=\"&#x41;&#66;&amp;\" Dry_Wet=\"0.25\">&#x3;</VARLUNE_PRESET>";
    const auto read = SettingsDocument::readPresetData (fine.data(), fine.size(), layout);
    ASSERT_TRUE (read.has_value());
    EXPECT_EQ (read->presetName, "AB&");
}

TEST (PresetFileReader, TextInUtf16WithAByteOrderMarkIsRead)
{
    const auto text = juce::String::fromUTF8 ("<VARLUNE_PRESET PresetName=\"wide \xc3\xa9\" Dry_Wet=\"0.25\"/>");
    juce::MemoryOutputStream out;
    out.writeByte ((char) 0xff);
    out.writeByte ((char) 0xfe);
    for (auto p = text.toUTF16(); ! p.isEmpty();)
        out.writeShort ((short) p.getAndAdvance());

    const auto data = SettingsDocument::readPresetData (out.getData(), out.getDataSize(), VarluneAudioProcessor().getSettingsLayout());
    ASSERT_TRUE (data.has_value());
    EXPECT_EQ (data->values[ParameterIndex::dryWet], 0.25f);
    EXPECT_EQ (data->presetName, juce::String::fromUTF8 ("wide \xc3\xa9"));
}

TEST (PresetFileReader, InvalidUtf8IsDecodedWithoutReadingPastTheText)
{
    // An overlong form of '<', bytes that start no sequence, and a sequence cut off at the end.
    const std::string text = "<VARLUNE_PRESET PresetName=\"\xc0\xbc\xff\xfe\" Dry_Wet=\"0.25\"/>\xe2\x82";
    const auto data = SettingsDocument::readPresetData (text.data(), text.size(), VarluneAudioProcessor().getSettingsLayout());
    ASSERT_TRUE (data.has_value());
    EXPECT_EQ (data->values[ParameterIndex::dryWet], 0.25f);
}
