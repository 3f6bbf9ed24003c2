#include "WavFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

TEST (WavFile, FloatRoundTripAndBrokenFiles)
{
    const std::string folder = std::getenv ("HOME");
    WavFile original;
    original.sampleRate = 44100.0;
    original.channels = { { 0.0f, 0.5f, -1.0f, 0.25f }, { 1.0f, -0.5f, 0.0f, 0.125f } };
    ASSERT_EQ (original.write (folder + "/a.wav"), "");

    WavFile copy;
    ASSERT_EQ (copy.read (folder + "/a.wav"), "");
    EXPECT_EQ (copy.sampleRate, 44100.0);
    EXPECT_EQ (copy.channels, original.channels);

    std::ofstream (folder + "/b.wav") << "RIFF....WAVEjunk";
    EXPECT_NE (copy.read (folder + "/b.wav"), "");
    EXPECT_NE (copy.read (folder + "/missing.wav"), "");
}
