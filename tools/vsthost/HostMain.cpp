// Command-line VST 2.4 host: renders a sound file or a test signal through a plug-in.
#include "EditorWindow.h"
#include "SoundFile.h"
#include "VstHost.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace
{
void usage()
{
    std::puts (
        "usage: varlune_host <plugin.so> [options]\n"
        "  --in FILE              input sound file: WAV, AIFF, FLAC, ... (otherwise a generated\n"
        "                         signal)\n"
        "  --signal KIND          impulse | noise | tone | clicks (default clicks)\n"
        "  --seconds S            length of a generated signal (default 2)\n"
        "  --rate HZ              sample rate (default: the input file's, else 48000)\n"
        "  --block N              block size (default 512)\n"
        "  --tempo BPM            host tempo (default 120; 0 reports no valid tempo)\n"
        "  --set INDEX=VALUE      set a parameter (normalised 0..1) before rendering\n"
        "  --cc FRAME:CC:VALUE    MIDI control change on channel 1 at a frame\n"
        "  --program FRAME:N      MIDI program change at a frame\n"
        "  --load-chunk FILE      restore the plug-in's state from a file first\n"
        "  --save-chunk FILE      save the plug-in's state after rendering\n"
        "  --out FILE             write the output, in the format of its extension (.wav, .aiff,\n"
        "                         .flac, ...; float where the format has it)\n"
        "  --write-input FILE     write the input as well\n"
        "  --list                 list the parameters with their texts\n"
        "  --window               open the plug-in's window first (needs a display), render after\n"
        "                         it is closed");
}

bool split (const std::string& text, char separator, std::vector<std::string>& parts)
{
    parts.clear();
    std::size_t start = 0;
    for (std::size_t pos; (pos = text.find (separator, start)) != std::string::npos; start = pos + 1)
        parts.push_back (text.substr (start, pos - start));
    parts.push_back (text.substr (start));
    return true;
}

std::vector<std::vector<float>> generate (const std::string& kind, double rate, double seconds)
{
    const auto frames = (size_t) std::max (1.0, rate * seconds);
    std::vector<float> signal (frames, 0.0f);
    std::mt19937 random (1);
    std::uniform_real_distribution<float> uniform (-0.5f, 0.5f);

    for (size_t i = 0; i < frames; ++i)
    {
        const double t = (double) i / rate;
        if (kind == "impulse")
            signal[i] = i == 0 ? 1.0f : 0.0f;
        else if (kind == "noise")
            signal[i] = uniform (random);
        else if (kind == "tone")
            signal[i] = 0.5f * (float) std::sin (2.0 * M_PI * 440.0 * t);
        else  // clicks: a short decaying tone every half second
        {
            const double local = std::fmod (t, 0.5);
            signal[i] = local < 0.1 ? (float) (0.6 * std::sin (2.0 * M_PI * 660.0 * local) * (1.0 - local / 0.1)) : 0.0f;
        }
    }

    return { signal, signal };
}

float peak (const std::vector<std::vector<float>>& channels)
{
    float p = 0.0f;
    for (const auto& c : channels)
        for (float x : c)
            p = std::max (p, std::abs (x));
    return p;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc < 2 || std::string (argv[1]) == "--help")
    {
        usage();
        return argc < 2 ? 2 : 0;
    }

    const std::string pluginPath = argv[1];
    std::string inPath, outPath, inputOutPath, loadChunk, saveChunk, signalKind = "clicks";
    double seconds = 2.0, rate = 0.0, tempo = 120.0;
    int blockSize = 512;
    bool list = false, window = false;
    std::vector<std::pair<int, float>> settings;
    std::vector<VstHost::MidiEvent> midi;
    std::vector<std::string> parts;

    for (int i = 2; i < argc; ++i)
    {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        const std::string value = hasValue ? argv[i + 1] : "";
        auto next = [&] { ++i; return value; };

        if (option == "--list") { list = true; continue; }
        if (option == "--window") { window = true; continue; }
        if (! hasValue) { usage(); return 2; }

        if (option == "--in") inPath = next();
        else if (option == "--out") outPath = next();
        else if (option == "--write-input") inputOutPath = next();
        else if (option == "--signal") signalKind = next();
        else if (option == "--seconds") seconds = std::atof (next().c_str());
        else if (option == "--rate") rate = std::atof (next().c_str());
        else if (option == "--block") blockSize = std::max (1, std::atoi (next().c_str()));
        else if (option == "--tempo") tempo = std::atof (next().c_str());
        else if (option == "--load-chunk") loadChunk = next();
        else if (option == "--save-chunk") saveChunk = next();
        else if (option == "--set" && split (next(), '=', parts) && parts.size() == 2)
            settings.emplace_back (std::atoi (parts[0].c_str()), (float) std::atof (parts[1].c_str()));
        else if (option == "--cc" && split (next(), ':', parts) && parts.size() == 3)
            midi.push_back ({ std::atoi (parts[0].c_str()),
                              { 0xB0, (std::uint8_t) std::atoi (parts[1].c_str()), (std::uint8_t) std::atoi (parts[2].c_str()) } });
        else if (option == "--program" && split (next(), ':', parts) && parts.size() == 2)
            midi.push_back ({ std::atoi (parts[0].c_str()), { 0xC0, (std::uint8_t) std::atoi (parts[1].c_str()), 0 } });
        else { usage(); return 2; }
    }

    SoundFile input;
    if (! inPath.empty())
    {
        const auto problem = input.read (inPath);
        if (! problem.empty()) { std::fprintf (stderr, "%s\n", problem.c_str()); return 1; }
        if (rate <= 0.0) rate = input.sampleRate;
    }
    if (rate <= 0.0)
        rate = 48000.0;
    if (inPath.empty())
        input.channels = generate (signalKind, rate, seconds);
    input.sampleRate = rate;

    VstHost host (pluginPath);
    if (! host.isLoaded())
    {
        std::fprintf (stderr, "cannot load %s: %s\n", pluginPath.c_str(), host.getError().c_str());
        return 1;
    }

    const AEffect& record = *host.getEffect();
    std::printf ("loaded %s: \"%s\" by \"%s\", version %d, %d parameters, %d in, %d out, id 0x%08X\n",
                 pluginPath.c_str(), host.getText (EffectOpcode::GetEffectName).c_str(),
                 host.getText (EffectOpcode::GetVendorString).c_str(), record.version, record.numParams,
                 record.numInputs, record.numOutputs, (unsigned) record.uniqueID);

    host.setTempo (tempo, tempo > 0.0);
    host.start (rate, blockSize);

    if (! loadChunk.empty())
    {
        std::ifstream in (loadChunk, std::ios::binary);
        const std::vector<char> data ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());
        std::printf ("restored %zu bytes of state from %s: %s\n", data.size(), loadChunk.c_str(),
                     host.setChunk (data) != 0 ? "accepted" : "refused");
    }

    for (const auto& [index, value] : settings)
    {
        host.setParameter (index, value);
        std::printf ("set %s = %s\n", host.getParameterName (index).c_str(), host.getParameterDisplay (index).c_str());
    }

    if (list)
        for (int i = 0; i < record.numParams; ++i)
            std::printf ("  %2d %-30s %s\n", i, host.getParameterName (i).c_str(), host.getParameterDisplay (i).c_str());

    if (window)
    {
        std::string problem;
        if (! runEditorWindow (host, problem)) { std::fprintf (stderr, "cannot open the window: %s\n", problem.c_str()); return 1; }
    }

    SoundFile output;
    output.sampleRate = rate;
    output.channels = host.render (input.channels, blockSize, midi);

    std::printf ("rendered %d frames at %.0f Hz in blocks of %d with %zu MIDI events: input peak %.3f, output peak %.3f\n",
                 input.numFrames(), rate, blockSize, midi.size(), peak (input.channels), peak (output.channels));

    for (const auto& report : host.takeReports())
        if (report.kind == VstHost::Report::Automate)
            std::printf ("  the plug-in moved %s to %.4f\n", host.getParameterName (report.index).c_str(), report.value);

    if (! saveChunk.empty())
    {
        const auto data = host.getChunk();
        std::ofstream out (saveChunk, std::ios::binary);
        out.write (data.data(), (std::streamsize) data.size());
        std::printf ("saved %zu bytes of state to %s\n", data.size(), saveChunk.c_str());
    }

    for (const auto& [path, file] : { std::make_pair (inputOutPath, &input), std::make_pair (outPath, &output) })
        if (! path.empty())
        {
            const auto problem = file->write (path);
            if (! problem.empty()) { std::fprintf (stderr, "%s\n", problem.c_str()); return 1; }
            std::printf ("wrote %s\n", path.c_str());
        }

    host.close();
    return 0;
}
