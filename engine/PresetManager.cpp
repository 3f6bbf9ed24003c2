#include "PresetManager.h"

#include "SettingsDocument.h"

namespace mordwickLib
{

PresetManager::PresetManager()
    : baseFolder (getDefaultBaseFolder())
{
}

PresetManager::~PresetManager() = default;

juce::String PresetManager::getDefaultBaseFolder()
{
    // The same folder on every platform, so preset folders copied between machines line up.
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getFullPathName()
         + "/Library/Audio/Presets/Mordwick";
}

void PresetManager::init (juce::String productName, juce::String extension)
{
    presetFolder = baseFolder + "/" + productName + "/";

    const juce::File folder (presetFolder);

    if (! folder.isDirectory())
        (void) folder.createDirectory();

    fileExtension = std::move (extension);
    update();
}

void PresetManager::update()
{
    auto names = scan();

    const std::lock_guard<std::mutex> lock (listLock);
    fileNames.swapWith (names);
}

juce::StringArray PresetManager::scan() const
{
    juce::StringArray names;
    const juce::File folder (presetFolder);

    if (presetFolder.isEmpty() || ! folder.isDirectory())
        return names;

    const auto suffix = "." + fileExtension;

    // Hidden files count; the extension is matched ignoring case whatever the file system does.
    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFiles))
    {
        const auto fileName = entry.getFile().getFileName();

        if (fileName.length() >= suffix.length()
             && SettingsDocument::equalsIgnoringAsciiCase (fileName.getLastCharacters (suffix.length()), suffix))
            names.add (fileName.upToLastOccurrenceOf (".", false, false));
    }

    return names;
}

juce::String PresetManager::getFullPathForFileSave (const juce::String& presetName) const
{
    return presetFolder + presetName + "." + fileExtension;
}

juce::String PresetManager::getFilepathAtIndex (int index) const
{
    juce::String name;

    {
        const std::lock_guard<std::mutex> lock (listLock);
        const int n = fileNames.size();
        const int i = index < n ? index : n - 1;

        if (juce::isPositiveAndBelow (i, n))
            name = fileNames[i];
    }

    return presetFolder + name + "." + fileExtension;
}

juce::StringArray PresetManager::getFileNames() const
{
    const std::lock_guard<std::mutex> lock (listLock);
    return fileNames;
}

int PresetManager::getNumPresets() const
{
    const std::lock_guard<std::mutex> lock (listLock);
    return fileNames.size();
}

} // namespace mordwickLib
