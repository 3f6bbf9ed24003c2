#pragma once

#include <string>
#include <vector>

/** A sound file read and written through libsndfile: any format it reads (WAV, AIFF, FLAC, ...);
    written in the format its extension names, as 32-bit float where the format has it. */
struct SoundFile
{
    double sampleRate = 48000.0;
    std::vector<std::vector<float>> channels;

    int numFrames() const { return channels.empty() ? 0 : (int) channels[0].size(); }

    /** Empty string on success, otherwise what went wrong. */
    std::string read (const std::string& path);
    std::string write (const std::string& path) const;
};
