#include "SoundFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>

namespace
{
int formatOf (const std::string& path)
{
    SF_INFO info {};
    SNDFILE* file = sf_open (path.c_str(), SFM_READ, &info);
    if (file != nullptr)
        sf_close (file);
    return info.format;
}

// Two seconds of noise: FLAC cannot make it much smaller.
SoundFile noise()
{
    std::mt19937 random (1);
    std::uniform_real_distribution<float> uniform (-0.5f, 0.5f);
    SoundFile file;
    file.channels.assign (2, std::vector<float> (96000));
    for (auto& channel : file.channels)
        for (auto& sample : channel)
            sample = uniform (random);
    return file;
}

// Files of this process may grow to a limit while it lives; a write beyond fails instead of
// ending the process.
struct FileSizeLimit
{
    explicit FileSizeLimit (rlim_t bytes)
    {
        getrlimit (RLIMIT_FSIZE, &previous);
        const rlimit limit { bytes, previous.rlim_max };
        setrlimit (RLIMIT_FSIZE, &limit);
    }

    ~FileSizeLimit()
    {
        setrlimit (RLIMIT_FSIZE, &previous);
        std::signal (SIGXFSZ, previousHandler);
    }

    rlimit previous {};
    const decltype (SIG_DFL) previousHandler = std::signal (SIGXFSZ, SIG_IGN);
};
} // namespace

TEST (SoundFile, ReadsBackWhatItWroteInTheFormatOfTheExtension)
{
    const std::string folder = std::getenv ("HOME");
    SoundFile original;
    original.sampleRate = 44100.0;
    original.channels = { { 0.0f, 0.5f, -1.0f, 0.25f }, { 0.75f, -0.5f, 0.0f, 0.125f } };

    struct Case { const char* name; int format; };
    for (const auto& c : { Case { "a.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT },
                           Case { "a.AIFF", SF_FORMAT_AIFF | SF_FORMAT_FLOAT },
                           Case { "a.aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT },
                           Case { "a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24 } })
    {
        const auto path = folder + "/" + c.name;
        ASSERT_EQ (original.write (path), "") << c.name;
        EXPECT_EQ (formatOf (path), c.format) << c.name;

        SoundFile copy;
        ASSERT_EQ (copy.read (path), "") << c.name;
        EXPECT_EQ (copy.sampleRate, 44100.0) << c.name;
        EXPECT_EQ (copy.channels, original.channels) << c.name;
    }
}

TEST (SoundFile, BrokenMissingAndUnknownFilesAreReported)
{
    const std::string folder = std::getenv ("HOME");
    SoundFile file;
    file.channels = { { 0.0f } };

    std::ofstream (folder + "/b.wav") << "RIFF....WAVEjunk";
    EXPECT_NE (file.read (folder + "/b.wav"), "");
    EXPECT_NE (file.read (folder + "/missing.wav"), "");
    EXPECT_NE (file.write (folder + "/c.unknown"), "");
    EXPECT_NE (file.write (folder + "/noextension"), "");
}

TEST (SoundFile, AFileThatEndsBeforeTheFramesItsHeaderGivesIsReported)
{
    // A FLAC file keeps the count of its frames in its header; libsndfile reads a WAV or AIFF
    // file that ends early as a shorter one.
    const std::string path = std::string (std::getenv ("HOME")) + "/short.flac";
    ASSERT_EQ (noise().write (path), "");
    std::filesystem::resize_file (path, std::filesystem::file_size (path) / 2);

    SoundFile file;
    EXPECT_NE (file.read (path), "");
}

TEST (SoundFile, AWriteThatFailsAsTheFileIsClosedIsReported)
{
    // The limit lets the header through; libsndfile's FLAC encoder writes its last frames, here
    // all of them, as the file is closed.
    const std::string path = std::string (std::getenv ("HOME")) + "/full.flac";
    auto file = noise();
    file.channels[0].resize (4000);
    file.channels[1].resize (4000);

    const FileSizeLimit limit (1024);
    EXPECT_NE (file.write (path), "");
}
