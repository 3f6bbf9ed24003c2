#pragma once

#include <string>
#include <vector>

/** Minimal WAV reading (16-, 24- and 32-bit PCM, 32-bit float) and writing (32-bit float). */
struct WavFile
{
    double sampleRate = 48000.0;
    std::vector<std::vector<float>> channels;

    int numFrames() const { return channels.empty() ? 0 : (int) channels[0].size(); }

    /** Empty string on success, otherwise what went wrong. */
    std::string read (const std::string& path);
    std::string write (const std::string& path) const;
};
