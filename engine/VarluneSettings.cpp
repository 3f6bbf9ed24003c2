// Presets, host state and the preferences file of VarluneAudioProcessor.
//
// Hand-overs between threads:
// - a pending preset load is one atomic word: nothing, "by path" or a preset index. The audio
//   thread only stores an index; the message thread exchanges the word back to nothing, builds
//   the path (from the index, or from pendingPresetPath under its lock) and reads the file;
// - the preset list lives in the preset manager, swapped whole under its own lock;
// - currentPresetName sits behind presetNameLock, held only to copy the string;
// - whole documents (state save and restore, preset save and load) take documentLock in turns,
//   so none sees or leaves a mix of two; host notifications go out after it is released;
// - learned controllers are atomics of the parameter records;
// - the editor's stored size is one atomic word, width and height together.
// The audio thread takes none of these locks.

#include "VarluneAudioProcessor.h"


namespace
{
const char* const productName = "Varlune";
const char* const presetExtension = "vlp";
const char* const controllerKeySuffix = "CC";
const char* const widthKey = "LastWidth";
const char* const heightKey = "LastHeight";

// A stored window size outside this is not one an editor ever had.
constexpr double largestWindowSide = 100000.0;

int readStoredController (const juce::PropertiesFile& file, const juce::String& key)
{
    return file.containsKey (key) ? SettingsDocument::readControllerNumber (file.getValue (key)) : -1;
}

float readStoredSize (const juce::PropertiesFile& file, const juce::String& key, float fallback)
{
    if (! file.containsKey (key))
        return fallback;

    const double size = SettingsDocument::readNumber (file.getValue (key));
    return size >= 1.0 && size <= largestWindowSide ? (float) size : fallback;
}
} // namespace

void VarluneAudioProcessor::openPresetsAndPreferences()
{
    presetManager.init (productName, presetExtension);
    presetNames = presetManager.getFileNames();

    juce::PropertiesFile::Options options;
    options.applicationName = productName;
    options.filenameSuffix = ".prefs";
    options.folderName = "Mordwick";
    options.osxLibrarySubFolder = "Application Support";
    preferences = std::make_unique<juce::PropertiesFile> (options);

    for (auto* parameter : parameters)
        parameter->setMidiCC (readStoredController (*preferences, parameter->name + controllerKeySuffix));

    const auto fallback = lastUISize.load();
    lastUISize = { readStoredSize (*preferences, widthKey, fallback.width),
                   readStoredSize (*preferences, heightKey, fallback.height) };
}

void VarluneAudioProcessor::closePresetsAndPreferences()
{
    if (preferences == nullptr)
        return;

    for (auto* parameter : parameters)
        preferences->setValue (parameter->name + controllerKeySuffix, parameter->getMidiCC());

    (void) preferences->saveIfNeeded();
}

void VarluneAudioProcessor::saveLastUISize (float width, float height)
{
    lastUISize = { width, height };

    if (preferences != nullptr)
    {
        preferences->setValue (widthKey, (double) width);
        preferences->setValue (heightKey, (double) height);
    }
}

juce::String VarluneAudioProcessor::getCurrentPresetName() const
{
    const std::lock_guard<std::mutex> lock (presetNameLock);
    return currentPresetName;
}

void VarluneAudioProcessor::setCurrentPresetName (const juce::String& name)
{
    const std::lock_guard<std::mutex> lock (presetNameLock);
    currentPresetName = name;
}

SettingsLayout VarluneAudioProcessor::getSettingsLayout()
{
    SettingsLayout layout;

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        layout.names.add (getParameterName (i));
        layout.defaults[(size_t) i] = parameters.getUnchecked (i)->defaultNormalised;
    }

    return layout;
}

SettingsSnapshot VarluneAudioProcessor::takeSettingsSnapshot()
{
    SettingsSnapshot settings;
    settings.presetName = getCurrentPresetName();

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        settings.values[(size_t) i] = getParameter (i);
        settings.midiCCs[(size_t) i] = parameters.getUnchecked (i)->getMidiCC();
    }

    return settings;
}

void VarluneAudioProcessor::applySettings (const SettingsSnapshot& settings, bool withControllers)
{
    {
        const std::lock_guard<std::mutex> lock (documentLock);

        // setParameter keeps only values in 0..1.
        for (int i = 0; i < ParameterIndex::numParameters; ++i)
            setParameter (i, settings.values[(size_t) i]);

        if (withControllers)
            for (int i = 0; i < ParameterIndex::numParameters; ++i)
                parameters.getUnchecked (i)->setMidiCC (settings.midiCCs[(size_t) i]);

        setCurrentPresetName (settings.presetName);
    }

    // The host hears the value each parameter holds, never one that was refused.
    for (int i = 0; i < ParameterIndex::numParameters; ++i)
        sendParamChangeMessageToListeners (i, getParameter (i));
}

//==============================================================================
void VarluneAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    SettingsSnapshot settings;

    {
        const std::lock_guard<std::mutex> lock (documentLock);
        settings = takeSettingsSnapshot();
    }

    SettingsDocument::createStateBlob (settings, getSettingsLayout().names, destData);
}

void VarluneAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (auto settings = SettingsDocument::readStateBlob (data, sizeInBytes, getSettingsLayout()))
        applySettings (*settings, true);
}

//==============================================================================
void VarluneAudioProcessor::saveDialogClosed (const juce::File& chosenFile)
{
    if (chosenFile != juce::File())
        savePresetAs (chosenFile);
    else
        presetSaveFinished();
}

void VarluneAudioProcessor::savePresetAs (const juce::File& chosenFile)
{
    const auto name = chosenFile.getFileNameWithoutExtension();
    const auto& extension = presetManager.getFileExtension();
    SettingsSnapshot settings;

    {
        const std::lock_guard<std::mutex> lock (documentLock);
        setCurrentPresetName (name);
        settings = takeSettingsSnapshot();
    }

    const auto target = chosenFile.hasFileExtension (extension) ? chosenFile
                                                                : chosenFile.withFileExtension (extension);

    // A failed write is not reported; the list is rescanned all the same.
    (void) SettingsDocument::replaceFileContents (target, SettingsDocument::createPresetFileData (settings, getSettingsLayout().names));
    presetSaveFinished();
}

void VarluneAudioProcessor::presetSaveFinished()
{
    presetManager.update();
    presetNames = presetManager.getFileNames();
    presetListChanged.store (true, std::memory_order_release);
}

void VarluneAudioProcessor::loadPresetFromFile (juce::String path)
{
    {
        const std::lock_guard<std::mutex> lock (pendingPathLock);
        pendingPresetPath = std::move (path);
    }

    presetLoadRequest.store (presetLoadByPath, std::memory_order_release);
}

void VarluneAudioProcessor::postPresetLoad (int presetIndex) noexcept
{
    // Any negative index means the same (no preset); keeping them at -1 keeps them apart from
    // the two markers.
    presetLoadRequest.store (std::max (presetIndex, -1), std::memory_order_release);
}

bool VarluneAudioProcessor::isPresetLoadPending() const noexcept
{
    return presetLoadRequest.load (std::memory_order_acquire) != noPresetLoad;
}

void VarluneAudioProcessor::loadPendingPreset()
{
    // Taken before the file is read: a request that arrives meanwhile waits for the next call.
    const int request = presetLoadRequest.exchange (noPresetLoad, std::memory_order_acq_rel);

    if (request == noPresetLoad)
        return;

    juce::String path;

    if (request == presetLoadByPath)
    {
        const std::lock_guard<std::mutex> lock (pendingPathLock);
        path = pendingPresetPath;
    }
    else
    {
        path = presetManager.getFilepathAtIndex (request);
    }

    if (! juce::File::isAbsolutePath (path))
        return;

    if (auto settings = SettingsDocument::readPresetFile (juce::File (path), getSettingsLayout()))
        applySettings (*settings, false);
}
