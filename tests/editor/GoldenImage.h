#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

// Paints a component at the given size into an image over a background colour, as the window
// would show it.
inline juce::Image renderComponent (juce::Component& component, int width, int height,
                                    juce::Colour background = juce::Colour (0xFFD1D1D1))
{
    component.setSize (width, height);
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.fillAll (background);
    component.paintEntireComponent (g, true);
    return image;
}

// Compares an image with tests/editor/golden/<name>.png. Text drawn by FreeType may move a few
// pixels by one step, so a small share of pixels may differ; anything more is a fault. On failure
// the rendered image and a diff (differing pixels red) are written beside the test binary.
// VARLUNE_UPDATE_GOLDEN=1 writes the rendered image as the new golden image instead.
inline void expectMatchesGolden (const juce::Image& image, const juce::String& name)
{
    const juce::File golden = juce::File (VARLUNE_GOLDEN_DIR).getChildFile (name + ".png");
    juce::PNGImageFormat png;

    if (juce::SystemStats::getEnvironmentVariable ("VARLUNE_UPDATE_GOLDEN", {}).isNotEmpty())
    {
        golden.deleteFile();
        juce::FileOutputStream out (golden);
        ASSERT_TRUE (out.openedOk() && png.writeImageToStream (image, out)) << golden.getFullPathName();
        return;
    }

    const juce::Image expected = juce::ImageFileFormat::loadFrom (golden);
    ASSERT_TRUE (expected.isValid()) << "no golden image " << golden.getFullPathName();
    ASSERT_EQ (expected.getWidth(), image.getWidth()) << name;
    ASSERT_EQ (expected.getHeight(), image.getHeight()) << name;

    juce::Image diff (juce::Image::ARGB, image.getWidth(), image.getHeight(), true);
    int differing = 0;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto a = image.getPixelAt (x, y), b = expected.getPixelAt (x, y);
            const int distance = juce::jmax (std::abs (a.getRed() - b.getRed()), std::abs (a.getGreen() - b.getGreen()),
                                             std::abs (a.getBlue() - b.getBlue()), std::abs (a.getAlpha() - b.getAlpha()));
            const bool differs = distance > 40;
            differing += differs ? 1 : 0;
            diff.setPixelAt (x, y, differs ? juce::Colours::red : b.withMultipliedAlpha (0.25f));
        }

    const int allowed = image.getWidth() * image.getHeight() / 200;
    if (differing > allowed)
    {
        const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile ("golden-failures");
        folder.createDirectory();
        for (const auto& [suffix, picture] : { std::make_pair ("", image), std::make_pair ("-diff", diff) })
        {
            const auto file = folder.getChildFile (name + suffix + ".png");
            file.deleteFile();
            juce::FileOutputStream out (file);
            png.writeImageToStream (picture, out);
        }
        ADD_FAILURE() << name << ": " << differing << " pixels differ (at most " << allowed
                      << " may); see " << folder.getFullPathName();
    }
}
