// Writes the plug-in's window, as a new user first sees it, as a PNG file; no display needed:
// varlune_editor_png <file.png>
#include "VarluneAudioProcessor.h"
#include "VarluneAudioProcessorEditor.h"

#include <cstdio>
#include <cstdlib>

namespace
{
// The processor reads its stored window size and presets from the home folder and writes its
// preferences there; the framework looks for fonts and desktop settings there too. A home folder
// of the tool's own, removed afterwards, keeps the user's out of the image and leaves theirs as
// it was. The XDG folders then default to folders inside it.
struct FreshHomeFolder
{
    FreshHomeFolder()
    {
        if (! folder.createDirectory())
            return;

        setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
        for (const auto* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            unsetenv (name);
    }

    ~FreshHomeFolder() { folder.deleteRecursively(); }

    const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getNonexistentChildFile ("varlune-editor-png-home", {}, false);
};

juce::Image paintWindow()
{
    VarluneAudioProcessor processor;
    VarluneAudioProcessorEditor window (processor);

    // The window follows its processor on a timer, and some controls follow the others a tick
    // later: two ticks show it as it settles.
    for (int tick = 0; tick < 2; ++tick)
        window.timerCallback();

    return window.createComponentSnapshot (window.getLocalBounds(), true, 1.0f);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fputs ("usage: varlune_editor_png <file.png>\n", stderr);
        return 2;
    }

    const FreshHomeFolder home;
    if (! home.folder.isDirectory())
    {
        std::fprintf (stderr, "cannot create the folder %s\n", home.folder.getFullPathName().toRawUTF8());
        return 1;
    }

    const juce::ScopedJuceInitialiser_GUI framework;
    const juce::File file = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    const auto image = paintWindow();

    file.deleteFile();
    juce::FileOutputStream out (file);
    if (! out.openedOk() || ! juce::PNGImageFormat().writeImageToStream (image, out))
    {
        std::fprintf (stderr, "cannot write %s\n", file.getFullPathName().toRawUTF8());
        return 1;
    }

    return 0;
}
