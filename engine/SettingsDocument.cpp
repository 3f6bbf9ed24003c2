#include "SettingsDocument.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <clocale>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include <locale.h>

namespace SettingsDocument
{
const char* const presetTag = "VARLUNE_PRESET";
const char* const stateTag = "VARLUNE_STATE";

namespace
{
const char* const presetNameAttribute = "PresetName";
const char* const controllerSuffix = "CC";

constexpr bool isAsciiDigit (juce::juce_wchar c) noexcept   { return c >= '0' && c <= '9'; }

constexpr char asciiLower (char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? (char) (c - 'A' + 'a') : c;
}

std::string asciiLowerKey (const juce::String& s)
{
    std::string key (s.toRawUTF8());

    for (auto& c : key)
        c = asciiLower (c);

    return key;
}

locale_t classicLocale()
{
    static const locale_t locale = newlocale (LC_ALL_MASK, "C", (locale_t) nullptr);
    return locale;
}

// UTF-8 without byte-order handling. Every character is decoded and written again, so the text
// handed on is well-formed whatever the bytes were: the parser steps over multi-byte characters
// by their first byte alone and would otherwise run past the end of malformed text. The copy
// ends in a zero byte, so a sequence cut off at the end is never read past either.
juce::String decodeUtf8 (const juce::uint8* bytes, size_t size)
{
    if (size == 0)
        return {};

    juce::HeapBlock<char> copy (size + 1);
    memcpy (copy.get(), bytes, size);
    copy[size] = 0;
    return juce::String (juce::CharPointer_UTF8 (copy.get()), size);
}

struct TextSpan
{
    juce::CharPointer_UTF8 start, end;
    int length;  // in characters
};

// Where the parser would take a document-type declaration: after white space, comments and
// processing instructions. The declaration there, up to its closing '>', or nothing.
std::optional<TextSpan> findDocumentType (const juce::String& text)
{
    auto p = text.getCharPointer();

    for (;;)
    {
        p.incrementToEndOfWhitespace();

        if (*p == '<' && p[1] == '!' && p[2] == '-' && p[3] == '-')
        {
            const auto close = (p + 4).indexOf (juce::CharPointer_ASCII ("-->"));

            if (close < 0)
                return {};

            p += 4 + close + 3;
            continue;
        }

        if (*p == '<' && p[1] == '?')
        {
            const auto close = (p + 2).indexOf (juce::CharPointer_ASCII ("?>"));

            if (close < 0)
                return {};

            p += 2 + close + 2;
            continue;
        }

        break;
    }

    if (juce::CharacterFunctions::compareUpTo (p, juce::CharPointer_ASCII ("<!DOCTYPE"), 9) != 0)
        return {};

    const auto start = p;
    p += 9;
    int length = 9;

    for (int depth = 1; depth > 0; ++length)
    {
        const auto c = p.getAndAdvance();

        if (c == 0)
            return {};  // unterminated: the parser refuses it anyway

        if (c == '<')
            ++depth;
        else if (c == '>')
            --depth;
    }

    return TextSpan { start, p, length };
}

// The document-type declaration replaced by blanks: the parser would expand the entities it
// declares, and those may refer to each other without end. A second declaration right after the
// first would then stand where the parser looks for one; the parser refuses such a document
// anyway, so it gives the empty text.
juce::String withoutDocumentType (const juce::String& text)
{
    const auto declaration = findDocumentType (text);

    if (! declaration)
        return text;

    const auto blanked = juce::String (text.getCharPointer(), declaration->start)
                       + juce::String::repeatedString (" ", declaration->length)
                       + juce::String (declaration->end);
    return findDocumentType (blanked) ? juce::String() : blanked;
}

// Processing instructions replaced by blanks. The parser passes over them where it expects white
// space, but inside an element's content one that follows only white space sends it round for ever.
juce::String withoutProcessingInstructions (const juce::String& text)
{
    if (! text.contains ("<?"))
        return text;

    juce::MemoryOutputStream out;

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        if (*p == '<' && p[1] == '?')
        {
            const auto close = (p + 2).indexOf (juce::CharPointer_ASCII ("?>"));

            if (close >= 0)
            {
                const int length = 2 + close + 2;
                out.writeRepeatedByte (' ', (size_t) length);
                p += length;
                continue;
            }
        }

        out.appendUTF8Char (p.getAndAdvance());
    }

    return out.toUTF8();
}

// Two forms on which the parser reads past the end of its text: a hexadecimal character
// reference cut off by the end, and an ampersand right before '<' in element content, whose text
// up to the next ';' the parser takes for markup and parses again on its own. Neither occurs in
// well-formed XML.
bool isUnsafeForTheParser (const juce::String& text)
{
    if (text.contains ("&<"))
        return true;

    const int reference = text.lastIndexOf ("&#");

    if (reference < 0)
        return false;

    const auto rest = text.substring (reference + 2);
    return (rest.startsWithChar ('x') || rest.startsWithChar ('X'))
        && rest.length() <= 9
        && rest.substring (1).containsOnly ("0123456789abcdefABCDEF");
}

/** The attributes of an element by name, ignoring ASCII case; the first of equal names counts. */
class AttributeLookup
{
public:
    explicit AttributeLookup (const juce::XmlElement& element)
    {
        const int n = element.getNumAttributes();

        for (int i = 0; i < n; ++i)
            byName.emplace (asciiLowerKey (element.getAttributeName (i)), &element.getAttributeValue (i));
    }

    const juce::String* find (const juce::String& name) const
    {
        const auto it = byName.find (asciiLowerKey (name));
        return it != byName.end() ? it->second : nullptr;
    }

private:
    std::unordered_map<std::string, const juce::String*> byName;
};

std::unique_ptr<juce::XmlElement> parseDocument (const juce::String& text, const char* tag)
{
    auto element = parseText (text);

    if (element == nullptr || ! equalsIgnoringAsciiCase (element->getTagName(), tag))
        return {};

    return element;
}

SettingsSnapshot readSettings (const juce::XmlElement& element, const SettingsLayout& layout, bool withControllers)
{
    const AttributeLookup attributes (element);
    SettingsSnapshot settings;

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        const auto& name = layout.names[i];
        const auto* value = attributes.find (name);
        settings.values[(size_t) i] = value != nullptr ? (float) readNumber (*value) : layout.defaults[(size_t) i];

        const auto* cc = withControllers ? attributes.find (name + controllerSuffix) : nullptr;
        settings.midiCCs[(size_t) i] = cc != nullptr ? readControllerNumber (*cc) : -1;
    }

    const auto* presetName = attributes.find (presetNameAttribute);
    settings.presetName = presetName != nullptr ? *presetName : juce::String (" ");
    return settings;
}
} // namespace

juce::String formatValue (double v)
{
    char text[64];
    const auto result = std::to_chars (text, text + sizeof (text), v, std::chars_format::general, 20);
    return juce::String (text, (size_t) (result.ptr - text));
}

juce::MemoryBlock createPresetFileData (const SettingsSnapshot& settings, const juce::StringArray& names)
{
    juce::XmlElement element (presetTag);
    element.setAttribute (presetNameAttribute, settings.presetName);

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
        element.setAttribute (names[i], formatValue ((double) settings.values[(size_t) i]));

    juce::XmlElement::TextFormat format;
    format.dtd = " ";
    format.customEncoding = "UTF-8";
    format.lineWrapLength = 60;
    format.newLineChars = "\r\n";

    juce::MemoryOutputStream out;
    element.writeTo (out, format);
    return out.getMemoryBlock();
}

void createStateBlob (const SettingsSnapshot& settings, const juce::StringArray& names, juce::MemoryBlock& dest)
{
    juce::XmlElement element (stateTag);
    element.setAttribute (presetNameAttribute, settings.presetName);

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        element.setAttribute (names[i], formatValue ((double) settings.values[(size_t) i]));
        element.setAttribute (names[i] + controllerSuffix, juce::String (settings.midiCCs[(size_t) i]));
    }

    juce::MemoryOutputStream text;
    element.writeTo (text, juce::XmlElement::TextFormat().singleLine().withoutHeader());

    dest.reset();
    juce::MemoryOutputStream out (dest, false);
    out.writeInt ((int) stateMagic);
    out.writeInt ((int) text.getDataSize());
    out.write (text.getData(), text.getDataSize());
    out.writeByte (0);
}

std::optional<SettingsSnapshot> readPresetData (const void* data, size_t size, const SettingsLayout& layout)
{
    if (data == nullptr || size == 0 || size > (size_t) maxDocumentBytes)
        return {};

    if (auto element = parseDocument (decodeText (data, size), presetTag))
        return readSettings (*element, layout, false);

    return {};
}

std::optional<SettingsSnapshot> readPresetFile (const juce::File& file, const SettingsLayout& layout)
{
    // Only plain files: reading a device or a pipe chosen by mistake could block for ever.
    std::error_code error;
    if (file == juce::File() || ! std::filesystem::is_regular_file (file.getFullPathName().toStdString(), error))
        return {};

    juce::FileInputStream in (file);
    if (! in.openedOk())
        return {};

    juce::MemoryBlock data;
    in.readIntoMemoryBlock (data, (ssize_t) maxDocumentBytes + 1);
    return readPresetData (data.getData(), data.getSize(), layout);
}

std::optional<SettingsSnapshot> readStateBlob (const void* data, int sizeInBytes, const SettingsLayout& layout)
{
    if (data == nullptr || sizeInBytes < 9)
        return {};

    const auto* bytes = static_cast<const juce::uint8*> (data);

    if (juce::ByteOrder::littleEndianInt (bytes) != stateMagic)
        return {};

    const auto storedLength = (size_t) juce::ByteOrder::littleEndianInt (bytes + 4);
    const auto length = std::min (storedLength, (size_t) sizeInBytes - 8);

    if (storedLength == 0 || length > (size_t) maxDocumentBytes)
        return {};

    if (auto element = parseDocument (decodeUtf8 (bytes + 8, length), stateTag))
        return readSettings (*element, layout, true);

    return {};
}

bool replaceFileContents (const juce::File& target, const juce::MemoryBlock& bytes)
{
    // Hidden and with another extension, so that a scan never lists a half-written file.
    const auto temporary = target.getSiblingFile ("." + target.getFileName() + ".tmp").getNonexistentSibling (false);
    bool written = false;

    {
        juce::FileOutputStream out (temporary);

        if (! out.openedOk())
            return false;

        written = out.write (bytes.getData(), bytes.getSize());
        out.flush();
        written = written && out.getStatus().wasOk();
    }

    // rename replaces the target in one step: readers see the old file or the new one.
    if (written && std::rename (temporary.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0)
        return true;

    (void) temporary.deleteFile();
    return false;
}

std::unique_ptr<juce::XmlElement> parseText (const juce::String& text)
{
    if (text.isEmpty())
        return {};

    int openings = 0, equalSigns = 0;

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if ((c == '<' && ++openings > maxMarkupOpenings) || (c == '=' && ++equalSigns > maxAttributes))
            return {};
    }

    if (isUnsafeForTheParser (text))
        return {};

    return juce::parseXML (withoutDocumentType (withoutProcessingInstructions (text)));
}

juce::String decodeText (const void* data, size_t size)
{
    const auto* bytes = static_cast<const juce::uint8*> (data);

    if (size >= 2 && (juce::CharPointer_UTF16::isByteOrderMarkBigEndian (bytes)
                        || juce::CharPointer_UTF16::isByteOrderMarkLittleEndian (bytes)))
        return size <= (size_t) std::numeric_limits<int>::max() ? juce::String::createStringFromData (data, (int) size)
                                                                : juce::String();

    if (size >= 3 && juce::CharPointer_UTF8::isByteOrderMark (bytes))
        return decodeUtf8 (bytes + 3, size - 3);

    return decodeUtf8 (bytes, size);
}

bool equalsIgnoringAsciiCase (juce::StringRef a, juce::StringRef b) noexcept
{
    const char* x = a.text.getAddress();
    const char* y = b.text.getAddress();

    for (;; ++x, ++y)
    {
        if (asciiLower (*x) != asciiLower (*y))
            return false;

        if (*x == 0)
            return true;
    }
}

double readNumber (const juce::String& text)
{
    auto p = text.getCharPointer().findEndOfWhitespace();
    std::string number;

    if (*p == '-' || *p == '+')
        number += (char) p.getAndAdvance();

    bool hasDigits = false;

    while (isAsciiDigit (*p))
    {
        number += (char) p.getAndAdvance();
        hasDigits = true;
    }

    if (*p == '.')
    {
        number += (char) p.getAndAdvance();

        while (isAsciiDigit (*p))
        {
            number += (char) p.getAndAdvance();
            hasDigits = true;
        }
    }

    if (! hasDigits)
        return 0.0;

    if (*p == 'e' || *p == 'E')
    {
        auto q = p + 1;
        std::string exponent ("e");

        if (*q == '-' || *q == '+')
            exponent += (char) q.getAndAdvance();

        if (isAsciiDigit (*q))
        {
            while (isAsciiDigit (*q))
                exponent += (char) q.getAndAdvance();

            number += exponent;
        }
    }

    // Classic locale whatever the host set: the decimal point is always '.'.
    return strtod_l (number.c_str(), nullptr, classicLocale());
}

int readControllerNumber (const juce::String& text)
{
    auto p = text.getCharPointer().findEndOfWhitespace();
    const bool negative = *p == '-';

    if (negative)
        ++p;

    juce::int64 magnitude = 0;

    while (isAsciiDigit (*p))
        magnitude = std::min<juce::int64> (magnitude * 10 + (p.getAndAdvance() - '0'), 1000);

    const auto number = negative ? -magnitude : magnitude;
    return number >= 0 && number <= 127 ? (int) number : -1;
}

} // namespace SettingsDocument
