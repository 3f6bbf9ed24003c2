#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace settingstest;

namespace
{
juce::File testData (const char* name)
{
    return juce::File (VARLUNE_TEST_DATA_DIR).getChildFile (name);
}

std::string stateTextOf (const juce::MemoryBlock& blob)
{
    return std::string (static_cast<const char*> (blob.getData()) + 8, blob.getSize() - 9);
}

// The blob a processor's settings give, built here from the format's rules rather than by the
// writer under test: the magic bytes 56 43 32 21; the text's length as four little-endian bytes;
// the text on one line, "<VARLUNE_STATE", the preset name, then for each parameter of the table
// its name with its value as the C library prints it with 20 significant digits ("%.20g") and
// its name + "CC" with its controller in decimal, then "/>"; a closing zero byte.
std::string stateBlobFromTheFormat (VarluneAudioProcessor& processor)
{
    std::string text = "<VARLUNE_STATE PresetName=\"" + processor.getCurrentPresetName().toStdString() + "\"";

    for (int i = 0; i < 98; ++i)
    {
        const auto name = processor.getParameterName (i).toStdString();
        text += " " + name + "=\"" + printed (processor.getParameter (i)) + "\" "
              + name + "CC=\"" + std::to_string (processor.getParameterRecord (i)->getMidiCC()) + "\"";
    }

    text += "/>";
    const auto n = (std::uint32_t) text.size();
    return std::string ("\x56\x43\x32\x21") + (char) (n & 0xff) + (char) ((n >> 8) & 0xff)
         + (char) ((n >> 16) & 0xff) + (char) (n >> 24) + text + '\0';
}

struct Restored
{
    std::vector<float> values;
    std::vector<int> controllers;
    juce::String name;

    explicit Restored (VarluneAudioProcessor& p)
        : values (valuesOf (p)), controllers (controllersOf (p)), name (p.getCurrentPresetName()) {}

    bool operator== (const Restored& o) const
    {
        return values == o.values && controllers == o.controllers && name == o.name;
    }
};
} // namespace

TEST (HostStateFormat, BlobHasTheExactBytes)
{
    VarluneAudioProcessor processor;
    juce::MemoryBlock blob (10000);
    blob.fillWith (0xAA);  // replaced whole, not written over
    processor.getStateInformation (blob);

    const auto expected = stateBlobFromTheFormat (processor);
    EXPECT_EQ (textOf (blob), expected);
    // The committed sample of the default state is that same blob, for a reader to look at.
    EXPECT_EQ (textOf (bytesOf (testData ("default-state.bin"))), expected);

    // Random values and learned controllers.
    setRandomSettings (processor, 4, "Session");
    processor.getStateInformation (blob);
    EXPECT_EQ (textOf (blob), stateBlobFromTheFormat (processor));
    EXPECT_NE (juce::parseXML (juce::String (stateTextOf (blob))), nullptr);
}

TEST (HostStateFormat, NameIsEscapedAndComesBack)
{
    VarluneAudioProcessor source;
    const juce::String name = juce::String::fromUTF8 ("A \"B\" <C> & 'D' \xc3\xa9\n");
    source.setCurrentPresetName (name);
    juce::MemoryBlock blob;
    source.getStateInformation (blob);
    EXPECT_NE (stateTextOf (blob).find ("PresetName=\"A &quot;B&quot; &lt;C&gt; &amp; 'D' &#233;&#10;\""), std::string::npos);

    VarluneAudioProcessor target;
    target.setStateInformation (blob.getData(), (int) blob.getSize());
    EXPECT_EQ (target.getCurrentPresetName(), name);
}

TEST (HostStateRoundTrip, EveryValueControllerAndTheNameReachAnotherProcessor)
{
    VarluneAudioProcessor source;
    const auto settings = setRandomSettings (source, 5, "Session");
    juce::MemoryBlock blob;
    source.getStateInformation (blob);

    VarluneAudioProcessor target;
    RecordingListener listener;
    target.addListener (&listener);
    target.presetListChanged = false;
    target.programChangeIndex = 9;
    target.setStateInformation (blob.getData(), (int) blob.getSize());
    target.removeListener (&listener);

    EXPECT_EQ (Restored (target), Restored (source));
    EXPECT_EQ (valuesOf (target), std::vector<float> (settings.values.begin(), settings.values.end()));

    // The host hears of all 98, without gestures; nothing else of the processor moves.
    ASSERT_EQ (listener.changes.size(), 98u);
    for (int i = 0; i < 98; ++i)
        EXPECT_EQ (listener.changes[(size_t) i], std::make_pair (i, settings.values[(size_t) i]));
    EXPECT_EQ (listener.gestures, 0);
    EXPECT_FALSE (target.presetListChanged);
    EXPECT_EQ (target.programChangeIndex, 9);

    juce::MemoryBlock again;
    target.getStateInformation (again);
    EXPECT_EQ (again, blob);
}

TEST (HostStateReader, UnacceptedDataChangesNothing)
{
    VarluneAudioProcessor processor;
    setRandomSettings (processor, 8, "Kept");
    const Restored before (processor);

    VarluneAudioProcessor other;
    juce::MemoryBlock good;
    other.getStateInformation (good);
    const auto goodText = stateTextOf (good);

    juce::MemoryBlock zeroLength = good;
    zeroLength[4] = zeroLength[5] = zeroLength[6] = zeroLength[7] = 0;

    juce::MemoryBlock preset;
    juce::AudioProcessor::copyXmlToBinary (juce::XmlElement ("VARLUNE_PRESET"), preset);

    juce::MemoryBlock nested = stateBlob (std::string (100000, '<'));

    std::string manyAttributes = "<VARLUNE_STATE PresetName=\"many\"";
    for (int i = 0; i < 3000; ++i)
        manyAttributes += " a" + std::to_string (i) + "=\"1\"";
    manyAttributes += "/>";

    const juce::MemoryBlock cases[] = {
        juce::MemoryBlock (good.getData(), 8),
        juce::MemoryBlock (good.getData(), 9),
        stateBlob (goodText, 0x21324357),
        zeroLength,
        stateBlob ("VARLUNE_STATE PresetName=\"x\""),
        stateBlob ("<VARLUNE_STATE PresetName=\"x\"><child>"),
        stateBlob ("<VARLUNE_STATES PresetName=\"x\"/>"),
        preset,
        nested,
        stateBlob (manyAttributes),
        stateBlob ("<VARLUNE_STATE PresetName=\"x\" Padding=\"" + std::string ((size_t) SettingsDocument::maxDocumentBytes, ' ') + "\"/>"),
    };

    for (const auto& data : cases)
    {
        processor.setStateInformation (data.getData(), (int) data.getSize());
        EXPECT_TRUE (Restored (processor) == before) << textOf (data).substr (0, 60);
    }

    processor.setStateInformation (nullptr, 100);
    processor.setStateInformation (good.getData(), -5);
    EXPECT_TRUE (Restored (processor) == before);
}

TEST (HostStateReader, OnlyTheBytesPresentAreReadWhenTheLengthIsTooLarge)
{
    const std::string text = "<VARLUNE_STATE PresetName=\"Short\" Dry_Wet=\"0.25\"/>";
    auto blob = stateBlob (text);
    juce::MemoryBlock cut (blob.getData(), 8 + text.size());  // no zero byte, length field intact
    static_cast<juce::uint8*> (cut.getData())[7] = 0x7f;      // about 2 GB claimed

    VarluneAudioProcessor processor;
    processor.setStateInformation (cut.getData(), (int) cut.getSize());
    EXPECT_EQ (processor.getCurrentPresetName(), "Short");
    EXPECT_EQ (processor.getParameter (ParameterIndex::dryWet), 0.25f);
}

TEST (HostStateReader, MissingAttributesGiveDefaultsNoControllersAndABlankName)
{
    VarluneAudioProcessor processor;
    setRandomSettings (processor, 4, "Before");

    const auto blob = stateBlob ("<varlune_state dry_wet=\"0.125\" DRY_WETCC=\"7\" Out_GainCC=\"x\"/>");
    processor.setStateInformation (blob.getData(), (int) blob.getSize());

    auto expected = defaultsOf (processor);
    expected[ParameterIndex::dryWet] = 0.125f;
    EXPECT_EQ (valuesOf (processor), expected);

    std::vector<int> controllers (98, -1);
    controllers[ParameterIndex::dryWet] = 7;
    controllers[ParameterIndex::outGain] = 0;  // text without a number reads as 0
    EXPECT_EQ (controllersOf (processor), controllers);
    EXPECT_EQ (processor.getCurrentPresetName(), " ");
}

TEST (HostStateReader, ImpossibleControllersAndValuesAreNotTaken)
{
    VarluneAudioProcessor processor;
    processor.setParameter (0, 0.5f);
    processor.setParameter (1, 0.5f);

    const auto blob = stateBlob ("<VARLUNE_STATE PresetName=\"p\" Delay1_Time=\"7\" Delay1_TimeCC=\"128\""
                                 " Delay1_Sync=\"-1e-3\" Delay1_SyncCC=\"-2147483648\" Delay1_Time_SyncedCC=\"99999999999999999999\""
                                 " Delay1_FeedbackCC=\" 127\" Delay1_InputCC=\"-1\" Dry_Wet=\"1e99999999999\"/>");
    processor.setStateInformation (blob.getData(), (int) blob.getSize());

    EXPECT_EQ (processor.getParameter (0), 0.5f);
    EXPECT_EQ (processor.getParameter (1), 0.5f);
    EXPECT_EQ (processor.getParameter (ParameterIndex::dryWet), 0.5f);  // infinity refused, default kept
    EXPECT_EQ (processor.parameters.getUnchecked (0)->getMidiCC(), -1);
    EXPECT_EQ (processor.parameters.getUnchecked (1)->getMidiCC(), -1);
    EXPECT_EQ (processor.parameters.getUnchecked (2)->getMidiCC(), -1);
    EXPECT_EQ (processor.parameters.getUnchecked (3)->getMidiCC(), 127);
    EXPECT_EQ (processor.parameters.getUnchecked (4)->getMidiCC(), -1);

    for (int i = 0; i < 98; ++i)
    {
        EXPECT_GE (processor.getParameter (i), 0.0f);
        EXPECT_LE (processor.getParameter (i), 1.0f);
    }
}

TEST (HostStateReader, StatesWrappedWithADeclarationAreAccepted)
{
    // What the framework's own wrapper writes today: the same element after an XML declaration.
    VarluneAudioProcessor source;
    setRandomSettings (source, 21, "Wrapped");
    juce::MemoryBlock blob;
    source.getStateInformation (blob);

    juce::MemoryBlock wrapped;
    juce::AudioProcessor::copyXmlToBinary (*juce::parseXML (juce::String (stateTextOf (blob))), wrapped);
    ASSERT_NE (stateTextOf (wrapped).find ("<?xml"), std::string::npos);

    VarluneAudioProcessor target;
    target.setStateInformation (wrapped.getData(), (int) wrapped.getSize());
    EXPECT_EQ (Restored (target), Restored (source));
}
