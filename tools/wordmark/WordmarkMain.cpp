// Writes the window's wordmark as a PNG file: varlune_wordmark <file.png>
#include "Wordmark.h"

#include <cstdio>

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fputs ("usage: varlune_wordmark <file.png>\n", stderr);
        return 2;
    }

    const juce::File file = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    file.deleteFile();
    juce::FileOutputStream out (file);
    if (! out.openedOk() || ! juce::PNGImageFormat().writeImageToStream (Wordmark::draw(), out))
    {
        std::fprintf (stderr, "cannot write %s\n", file.getFullPathName().toRawUTF8());
        return 1;
    }

    return 0;
}
