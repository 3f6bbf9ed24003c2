#include "SoundFile.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <strings.h>
#include <sys/stat.h>

namespace
{
struct CloseFile
{
    void operator() (SNDFILE* file) const { sf_close (file); }
};

using FileHandle = std::unique_ptr<SNDFILE, CloseFile>;

// The file a sound file is written to, through calls of ours: libsndfile forgets a write that fails
// while it closes the file (a FLAC encoder's last frames); this remembers the first failure.
struct OutputFile
{
    explicit OutputFile (const std::string& path)
        : stream (std::fopen (path.c_str(), "wb")), error (stream == nullptr ? errno : 0) {}

    ~OutputFile()
    {
        if (stream != nullptr)
            std::fclose (stream);
    }

    void remember (int failure)
    {
        if (error == 0)
            error = failure;
    }

    // The first failure of writing or closing, 0 if none.
    int close()
    {
        if (std::fclose (stream) != 0)
            remember (errno);

        stream = nullptr;
        return error;
    }

    static SF_VIRTUAL_IO calls()
    {
        SF_VIRTUAL_IO io {};
        io.get_filelen = [] (void* user) -> sf_count_t
        {
            auto& file = *static_cast<OutputFile*> (user);
            struct stat status {};
            if (std::fflush (file.stream) == 0 && fstat (fileno (file.stream), &status) == 0)
                return status.st_size;

            file.remember (errno);
            return -1;
        };
        io.seek = [] (sf_count_t offset, int whence, void* user) -> sf_count_t
        {
            auto* stream = static_cast<OutputFile*> (user)->stream;
            return fseeko (stream, offset, whence) == 0 ? ftello (stream) : -1;
        };
        io.write = [] (const void* data, sf_count_t count, void* user) -> sf_count_t
        {
            auto& file = *static_cast<OutputFile*> (user);
            const auto written = std::fwrite (data, 1, (size_t) count, file.stream);
            if (written < (size_t) count)
                file.remember (errno);

            return (sf_count_t) written;
        };
        io.tell = [] (void* user) -> sf_count_t { return ftello (static_cast<OutputFile*> (user)->stream); };
        return io;
    }

    std::FILE* stream;
    int error;
};

// The major format whose usual extension the path has, or 0.
int majorFormatOf (const std::string& path)
{
    const auto dot = path.find_last_of ('.');
    if (dot == std::string::npos)
        return 0;

    const auto extension = path.substr (dot + 1);
    int count = 0;
    sf_command (nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof (count));

    for (int i = 0; i < count; ++i)
    {
        SF_FORMAT_INFO info {};
        info.format = i;
        sf_command (nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof (info));
        if (info.extension != nullptr && strcasecmp (info.extension, extension.c_str()) == 0)
            return info.format;
    }

    // AIFF's listed extension is "aiff"; "aif" is as common.
    return strcasecmp (extension.c_str(), "aif") == 0 ? SF_FORMAT_AIFF : 0;
}
} // namespace

std::string SoundFile::read (const std::string& path)
{
    SF_INFO info {};
    const FileHandle file (sf_open (path.c_str(), SFM_READ, &info));
    if (file == nullptr)
        return "cannot read " + path + ": " + sf_strerror (nullptr);

    std::vector<float> interleaved ((size_t) info.frames * (size_t) info.channels);
    const auto frames = (size_t) sf_readf_float (file.get(), interleaved.data(), info.frames);

    // A file that ends before the frames its header gives is damaged, not a shorter sound.
    if (frames != (size_t) info.frames)
        return "cannot read " + path + ": it ends after " + std::to_string (frames) + " of its "
             + std::to_string (info.frames) + " frames"
             + (sf_error (file.get()) != SF_ERR_NO_ERROR ? std::string (": ") + sf_strerror (file.get()) : "");

    sampleRate = info.samplerate;
    channels.assign ((size_t) info.channels, std::vector<float> (frames));
    for (size_t f = 0; f < frames; ++f)
        for (size_t c = 0; c < channels.size(); ++c)
            channels[c][f] = interleaved[f * channels.size() + c];

    return {};
}

std::string SoundFile::write (const std::string& path) const
{
    SF_INFO info {};
    info.samplerate = (int) sampleRate;
    info.channels = (int) channels.size();

    const int major = majorFormatOf (path);
    for (const int subtype : { SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16 })
    {
        info.format = major | subtype;
        if (sf_format_check (&info))
            break;
    }
    if (major == 0 || ! sf_format_check (&info))
        return "no sound file format for the extension of " + path;

    OutputFile output (path);
    if (output.stream == nullptr)
        return "cannot write " + path + ": " + std::strerror (output.error);

    // libsndfile does not learn why a write of ours failed.
    const auto reason = [&output] (SNDFILE* file) { return output.error != 0 ? std::strerror (output.error) : sf_strerror (file); };

    auto calls = OutputFile::calls();
    FileHandle file (sf_open_virtual (&calls, SFM_WRITE, &info, &output));
    if (file == nullptr)
        return "cannot write " + path + ": " + reason (nullptr);

    // Whole numbers do not wrap around beyond full scale.
    sf_command (file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    std::vector<float> interleaved ((size_t) numFrames() * channels.size());
    for (size_t f = 0; f < (size_t) numFrames(); ++f)
        for (size_t c = 0; c < channels.size(); ++c)
            interleaved[f * channels.size() + c] = channels[c][f];

    if (sf_writef_float (file.get(), interleaved.data(), numFrames()) != numFrames())
        return "failed writing " + path + ": " + reason (file.get());

    // Closing writes the rest: the header's final sizes, an encoder's last frames.
    const int closeError = sf_close (file.release());
    if (const int error = output.close(); error != 0 || closeError != 0)
        return "failed writing " + path + ": " + (error != 0 ? std::strerror (error) : sf_error_number (closeError));

    return {};
}
