#pragma once

#include "ParameterTable.h"

#include <juce_core/juce_core.h>

#include <array>
#include <memory>
#include <optional>

/** One whole set of settings: what a preset file or the host state holds. */
struct SettingsSnapshot
{
    juce::String presetName;
    std::array<float, ParameterIndex::numParameters> values {};
    std::array<int, ParameterIndex::numParameters> midiCCs {};
};

/** What a reader needs to know about the parameters: their names (the attribute names) and the
    normalised defaults that stand in for missing attributes. */
struct SettingsLayout
{
    juce::StringArray names;
    std::array<float, ParameterIndex::numParameters> defaults {};
};

/** The text of preset files and of the host state, and their readers. Nothing here touches a
    processor or a dialog: writers turn a snapshot into bytes, readers turn bytes into a snapshot
    or into nothing when the bytes are not one of these documents. */
namespace SettingsDocument
{
    extern const char* const presetTag;          // "VARLUNE_PRESET"
    extern const char* const stateTag;           // "VARLUNE_STATE"
    constexpr juce::uint32 stateMagic = 0x21324356;

    /** Preset files and state texts larger than this are not read: ours stay below 10 kB, and an
        arbitrary file chosen by mistake must not be pulled into memory whole. */
    constexpr juce::int64 maxDocumentBytes = 1 << 20;

    /** Documents with more markup or more equals signs than these are refused before parsing.
        The parser recurses once per nested element (ours nest none), files every attribute name
        in a global sorted pool and finds attributes by walking a list (ours have at most 197). */
    constexpr int maxMarkupOpenings = 256;
    constexpr int maxAttributes = 2048;

    /** v with 20 significant digits in general notation, as printf's %.20g in the C locale. */
    juce::String formatValue (double v);

    /** The whole preset file: declaration, blank document-type line, the element wrapped after 60
        characters, CR LF line ends. */
    juce::MemoryBlock createPresetFileData (const SettingsSnapshot& settings, const juce::StringArray& names);

    /** The host-state blob: magic, text length, the one-line element without declaration, a zero byte. */
    void createStateBlob (const SettingsSnapshot& settings, const juce::StringArray& names, juce::MemoryBlock& dest);

    /** The values and name of a preset document (midiCCs are left at -1: presets carry none). */
    std::optional<SettingsSnapshot> readPresetData (const void* data, size_t size, const SettingsLayout& layout);

    /** Reads a preset file; nothing for a missing, unreadable, oversized or foreign file. */
    std::optional<SettingsSnapshot> readPresetFile (const juce::File& file, const SettingsLayout& layout);

    /** The values, controllers and name of a host-state blob. */
    std::optional<SettingsSnapshot> readStateBlob (const void* data, int sizeInBytes, const SettingsLayout& layout);

    /** Writes bytes to a temporary file beside the target, then moves it over the target. */
    bool replaceFileContents (const juce::File& target, const juce::MemoryBlock& bytes);

    //==============================================================================
    // The pieces the readers are built from.

    /** Parses XML text; nothing when it is not well-formed, has too much markup or too many
        attributes, holds one of two malformed forms the parser would read past its end on, or is
        empty.
        A document-type declaration is skipped unread, so its entities are never expanded, and
        processing instructions count as white space wherever they are. */
    std::unique_ptr<juce::XmlElement> parseText (const juce::String& text);

    /** Text from bytes: UTF-16 with a byte-order mark, otherwise UTF-8 (a byte-order mark skipped). */
    juce::String decodeText (const void* data, size_t size);

    bool equalsIgnoringAsciiCase (juce::StringRef a, juce::StringRef b) noexcept;

    /** The leading decimal number of the text after white space; 0 when it starts with none. */
    double readNumber (const juce::String& text);

    /** A controller number 0..127 from the text's leading integer; -1 for any other number, 0 for
        text that starts with no number. */
    int readControllerNumber (const juce::String& text);
}
