#pragma once

#include "VstInterface.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

/** A small VST 2.4 host for tests and for trying plug-ins from the command line: loads a plug-in
    library, answers its callback (version, time info with a tempo, capabilities) and records what
    the plug-in reports (automation, edit gestures, window size requests). */
class VstHost
{
public:
    struct Report
    {
        enum Kind { Automate, BeginEdit, EndEdit, SizeWindow };
        Kind kind;
        std::int32_t index;
        float value;
        std::int64_t extra;
    };

    struct MidiEvent
    {
        int frame;
        std::uint8_t bytes[3];
    };

    /** Loads the library and creates one effect through VSTPluginMain (or main). */
    explicit VstHost (const std::string& libraryPath);
    ~VstHost();

    VstHost (const VstHost&) = delete;
    VstHost& operator= (const VstHost&) = delete;

    bool isLoaded() const noexcept { return effect != nullptr; }
    const std::string& getError() const noexcept { return error; }
    AEffect* getEffect() const noexcept { return effect; }

    std::int64_t dispatch (std::int32_t opcode, std::int32_t index = 0, std::int64_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);

    // What the host answers.
    void setTempo (double bpm, bool valid = true);
    void setTimeInfoAvailable (bool available);
    void setProcessLevel (std::int32_t level);
    void setMasterVersion (std::int64_t version);

    /** Open, sample rate, block size, resume. */
    void start (double sampleRate, int blockSize);
    /** Suspend. */
    void stop();

    /** One block in place on the given channels (stereo), with these MIDI events. */
    void process (float** channels, int frames, const std::vector<MidiEvent>& midi = {});

    /** Renders whole channels in blocks; MIDI events are sent in the block holding their frame. */
    std::vector<std::vector<float>> render (const std::vector<std::vector<float>>& input, int blockSize,
                                            const std::vector<MidiEvent>& midi = {});

    float getParameter (int index);
    void setParameter (int index, float value);
    std::string getParameterName (int index);
    std::string getParameterDisplay (int index);
    std::string getText (std::int32_t opcode, std::int32_t index = 0);

    std::vector<char> getChunk (bool preset = false);
    std::int64_t setChunk (const std::vector<char>& data, bool preset = false);

    /** What the plug-in reported since the last call. */
    std::vector<Report> takeReports();

    /** Closes the effect (opcode 1) now; the destructor then only unloads the library. */
    void close();

    static std::int64_t callback (AEffect* effect, std::int32_t opcode, std::int32_t index,
                                  std::int64_t value, void* ptr, float opt);

private:
    std::int64_t answer (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt);

    void* library = nullptr;
    AEffect* effect = nullptr;
    std::string error;
    bool running = false;

    std::mutex reportsLock;
    std::vector<Report> reports;

    double sampleRate = 44100.0;
    int blockSize = 512;
    double samplePosition = 0.0;
    double tempo = 120.0;
    bool tempoValid = true;
    bool timeInfoAvailable = true;
    std::int32_t processLevel = ProcessLevel::Realtime;
    std::int64_t masterVersion = kVstVersion;
    HostTimeInfo timeInfo {};
    std::vector<char> eventStorage;
};
