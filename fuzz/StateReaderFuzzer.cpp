// Any bytes handed to setStateInformation: the reader's result or no change, never a value
// outside 0..1, a controller outside -1..127 or a partly applied state.

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > (size_t) std::numeric_limits<int>::max())
        return 0;

    auto& processor = fuzzsupport::processor();
    static const auto layout = processor.getSettingsLayout();

    const auto read = SettingsDocument::readStateBlob (data, (int) size, layout);
    const fuzzsupport::Settings before (processor);
    processor.setStateInformation (data, (int) size);
    fuzzsupport::checkOutcome (read, before, fuzzsupport::Settings (processor), true);

    if (! read.has_value())
        return 0;

    // The state written back must read back to the same settings.
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    const auto again = SettingsDocument::readStateBlob (blob.getData(), (int) blob.getSize(), layout);
    if (! again.has_value() || again->presetName != processor.getCurrentPresetName()
         || fuzzsupport::Settings (processor).values != std::vector<float> (again->values.begin(), again->values.end()))
        fuzzsupport::fail ("a written state does not read back");

    return 0;
}
