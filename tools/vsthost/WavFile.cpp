#include "WavFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace
{
std::uint32_t u32 (const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((std::uint32_t) p[3] << 24); }
std::uint16_t u16 (const unsigned char* p) { return (std::uint16_t) (p[0] | (p[1] << 8)); }

void put32 (std::ofstream& out, std::uint32_t v)
{
    const unsigned char b[4] = { (unsigned char) v, (unsigned char) (v >> 8), (unsigned char) (v >> 16), (unsigned char) (v >> 24) };
    out.write (reinterpret_cast<const char*> (b), 4);
}

void put16 (std::ofstream& out, std::uint16_t v)
{
    const unsigned char b[2] = { (unsigned char) v, (unsigned char) (v >> 8) };
    out.write (reinterpret_cast<const char*> (b), 2);
}
} // namespace

std::string WavFile::read (const std::string& path)
{
    std::ifstream in (path, std::ios::binary);
    if (! in)
        return "cannot open " + path;

    const std::vector<unsigned char> bytes ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp (bytes.data(), "RIFF", 4) != 0 || std::memcmp (bytes.data() + 8, "WAVE", 4) != 0)
        return "not a WAV file: " + path;

    int format = 0, numChannels = 0, bits = 0;
    const unsigned char* data = nullptr;
    std::size_t dataSize = 0;

    for (std::size_t pos = 12; pos + 8 <= bytes.size();)
    {
        const std::uint32_t size = u32 (&bytes[pos + 4]);
        const std::size_t body = pos + 8;
        const std::size_t available = std::min<std::size_t> (size, bytes.size() - body);

        if (std::memcmp (&bytes[pos], "fmt ", 4) == 0 && available >= 16)
        {
            format = u16 (&bytes[body]);
            numChannels = u16 (&bytes[body + 2]);
            sampleRate = u32 (&bytes[body + 4]);
            bits = u16 (&bytes[body + 14]);
            if (format == 0xFFFE && available >= 26)  // extensible: the sub-format's first two bytes
                format = u16 (&bytes[body + 24]);
        }
        else if (std::memcmp (&bytes[pos], "data", 4) == 0)
        {
            data = &bytes[body];
            dataSize = available;
        }

        pos = body + size + (size & 1);
    }

    const bool pcm = format == 1 && (bits == 16 || bits == 24 || bits == 32);
    const bool floating = format == 3 && bits == 32;
    if (data == nullptr || numChannels <= 0 || (! pcm && ! floating) || sampleRate <= 0)
        return "unsupported WAV format in " + path;

    const int frameBytes = numChannels * bits / 8;
    const std::size_t frames = dataSize / (std::size_t) frameBytes;
    channels.assign ((std::size_t) numChannels, std::vector<float> (frames));

    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < numChannels; ++c)
        {
            const unsigned char* p = data + f * (std::size_t) frameBytes + (std::size_t) (c * bits / 8);
            float v;
            if (floating)
                std::memcpy (&v, p, 4);
            else if (bits == 16)
                v = (float) (std::int16_t) u16 (p) / 32768.0f;
            else if (bits == 24)
                v = (float) ((std::int32_t) ((p[0] << 8) | (p[1] << 16) | ((std::uint32_t) p[2] << 24)) >> 8) / 8388608.0f;
            else
                v = (float) ((double) (std::int32_t) u32 (p) / 2147483648.0);
            channels[(size_t) c][f] = v;
        }

    return {};
}

std::string WavFile::write (const std::string& path) const
{
    std::ofstream out (path, std::ios::binary);
    if (! out)
        return "cannot write " + path;

    const auto numChannels = (std::uint16_t) channels.size();
    const auto frames = (std::uint32_t) numFrames();
    const std::uint32_t dataSize = frames * numChannels * 4u;

    out.write ("RIFF", 4);
    put32 (out, 36 + dataSize);
    out.write ("WAVEfmt ", 8);
    put32 (out, 16);
    put16 (out, 3);  // IEEE float
    put16 (out, numChannels);
    put32 (out, (std::uint32_t) sampleRate);
    put32 (out, (std::uint32_t) sampleRate * numChannels * 4u);
    put16 (out, (std::uint16_t) (numChannels * 4));
    put16 (out, 32);
    out.write ("data", 4);
    put32 (out, dataSize);

    for (std::uint32_t f = 0; f < frames; ++f)
        for (const auto& channel : channels)
            out.write (reinterpret_cast<const char*> (&channel[f]), 4);

    return out ? std::string() : "failed writing " + path;
}
