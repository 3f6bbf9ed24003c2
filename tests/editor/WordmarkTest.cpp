#include "Wordmark.h"

#include <gtest/gtest.h>

namespace
{
juce::MemoryBlock committedPng()
{
    juce::MemoryBlock data;
    juce::File (VARLUNE_LOGO_PNG).loadFileAsData (data);
    return data;
}
} // namespace

TEST (Wordmark, TheCommittedImageIsWhatTheProgramDraws)
{
    const auto data = committedPng();
    ASSERT_GT (data.getSize(), 33u);

    // IHDR: 225 x 35, 8 bits per channel, colour type 6 (RGBA), not interlaced.
    const auto* bytes = static_cast<const std::uint8_t*> (data.getData());
    const auto be32 = [bytes] (int at) { return (bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3]; };
    EXPECT_EQ (juce::String ((const char*) bytes + 12, 4), "IHDR");
    EXPECT_EQ (be32 (16), 225);
    EXPECT_EQ (be32 (20), 35);
    EXPECT_EQ (bytes[24], 8);
    EXPECT_EQ (bytes[25], 6);
    EXPECT_EQ (bytes[28], 0);

    const auto committed = juce::ImageFileFormat::loadFrom (data.getData(), data.getSize());
    const auto drawn = Wordmark::draw();
    ASSERT_EQ (committed.getBounds(), drawn.getBounds());

    int greyPixels = 0, whitePixels = 0;
    juce::Rectangle<int> ink;
    for (int y = 0; y < drawn.getHeight(); ++y)
        for (int x = 0; x < drawn.getWidth(); ++x)
        {
            const auto pixel = committed.getPixelAt (x, y);
            // The file holds straight alpha, the image premultiplied: a little rounding.
            const auto a = pixel.getPixelARGB(), b = drawn.getPixelAt (x, y).getPixelARGB();
            for (const auto channel : { &juce::PixelARGB::getAlpha, &juce::PixelARGB::getRed,
                                        &juce::PixelARGB::getGreen, &juce::PixelARGB::getBlue })
                ASSERT_LE (std::abs ((int) (a.*channel)() - (int) (b.*channel)()), 2) << x << ", " << y;
            if (pixel.getAlpha() == 0)
                continue;
            ink = ink.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : ink.getUnion ({ x, y, 1, 1 });
            greyPixels += pixel == Wordmark::letterColour ? 1 : 0;
            whitePixels += pixel == juce::Colours::white ? 1 : 0;
        }

    // The lettering fills its area (within a pixel of each edge) and never leaves it.
    EXPECT_EQ (ink.getX(), Wordmark::firstColumn);
    EXPECT_GE (ink.getRight() - 1, Wordmark::lastColumn - 1);
    EXPECT_LE (ink.getRight() - 1, Wordmark::lastColumn);
    EXPECT_EQ (ink.getY(), Wordmark::firstRow);
    EXPECT_EQ (ink.getBottom() - 1, Wordmark::lastRow);
    EXPECT_GT (greyPixels, 150);
    EXPECT_GT (whitePixels, 20);
    EXPECT_LT (whitePixels, greyPixels);
}
