// Any file given to the preset reader: the reader's result or no change, never a value outside
// 0..1 or a partly loaded preset; the learned controllers stay as they are.

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    auto& processor = fuzzsupport::processor();
    static const auto layout = processor.getSettingsLayout();
    static const auto file = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("fuzz.vlp");

    // Through a file, as the editor's refresh reads it.
    if (! file.replaceWithData (data, size) && size > 0)
        fuzzsupport::fail ("cannot write the input file");

    const auto read = SettingsDocument::readPresetData (data, size, layout);
    const fuzzsupport::Settings before (processor);
    processor.loadPresetFromFile (file.getFullPathName());
    processor.loadPendingPreset();
    fuzzsupport::checkOutcome (size > 0 ? read : std::nullopt, before, fuzzsupport::Settings (processor), false);

    if (processor.isPresetLoadPending())
        fuzzsupport::fail ("the load stayed pending");

    return 0;
}
