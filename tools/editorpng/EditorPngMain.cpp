// Writes the plug-in's window, as it opens with the current preferences, as a PNG file; no
// display needed: varlune_editor_png <file.png>
#include "VarluneAudioProcessor.h"
#include "VarluneAudioProcessorEditor.h"

#include <cstdio>

namespace
{
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
