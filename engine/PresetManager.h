#pragma once

#include <juce_core/juce_core.h>

#include <mutex>

namespace mordwickLib
{

/** The folder that holds a product's preset files and the names of the presets found in it.
    A preset's index is its position in that list, in the order the folder scan delivers the files.

    The list is rebuilt on the message thread while other threads may look a path up: a scan builds
    the new list aside and swaps it in under a short lock that every reader takes too, so readers
    see the whole old list or the whole new one. The audio thread never calls in here. */
class PresetManager
{
public:
    PresetManager();
    ~PresetManager();

    /** Sets the folder (created if missing) and the extension (without its dot), then scans. */
    void init (juce::String productName, juce::String extension);

    /** Scans the folder again. */
    void update();

    /** The full path a preset of this name is saved to. */
    juce::String getFullPathForFileSave (const juce::String& presetName) const;

    /** The full path of the preset at index; an index at or past the end selects the last preset,
        a negative index or an empty list gives the folder followed by the bare extension. */
    juce::String getFilepathAtIndex (int index) const;

    /** A copy of the preset names, each a file name without its extension. */
    juce::StringArray getFileNames() const;

    int getNumPresets() const;

    /** The preset folder, ending in a separator. */
    const juce::String& getPresetFolder() const noexcept   { return presetFolder; }
    const juce::String& getFileExtension() const noexcept  { return fileExtension; }

    /** The folder that holds every product's preset folder, under the user's home folder. */
    static juce::String getDefaultBaseFolder();

private:
    juce::StringArray scan() const;

    // Set before any other thread can reach the manager, constant afterwards.
    juce::String baseFolder;
    juce::String presetFolder;
    juce::String fileExtension;

    mutable std::mutex listLock;
    juce::StringArray fileNames;

    JUCE_DECLARE_NON_COPYABLE (PresetManager)
};

} // namespace mordwickLib
