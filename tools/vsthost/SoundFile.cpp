#include "SoundFile.h"

#include <sndfile.h>

#include <memory>
#include <strings.h>

namespace
{
struct CloseFile
{
    void operator() (SNDFILE* file) const { sf_close (file); }
};

using FileHandle = std::unique_ptr<SNDFILE, CloseFile>;

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

    const FileHandle file (sf_open (path.c_str(), SFM_WRITE, &info));
    if (file == nullptr)
        return "cannot write " + path + ": " + sf_strerror (nullptr);

    // Whole numbers do not wrap around beyond full scale.
    sf_command (file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    std::vector<float> interleaved ((size_t) numFrames() * channels.size());
    for (size_t f = 0; f < (size_t) numFrames(); ++f)
        for (size_t c = 0; c < channels.size(); ++c)
            interleaved[f * channels.size() + c] = channels[c][f];

    if (sf_writef_float (file.get(), interleaved.data(), numFrames()) != numFrames())
        return "failed writing " + path + ": " + sf_strerror (file.get());

    return {};
}
