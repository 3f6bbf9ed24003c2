#pragma once

#include "AudioEffectX.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

/** A processor's window inside a VST 2.4 host's window: answers the host's window opcodes, runs
    the framework's messages on the host's idle calls and asks the host to follow the window's
    size. The host opens, idles and closes the window on a thread of its choice, which need not be
    the one that made the instance, nor the one of the last window; it may ask for the size from
    any thread at any time. */
class VstEditorHost
{
public:
    /** The size a window would open at now, known without building one, which an open window
        keeps equal to its own size. Any thread. */
    using OpeningBounds = std::function<juce::Rectangle<int>()>;

    /** The effect asks its host to resize the host's window. */
    VstEditorHost (juce::AudioProcessor& processor, OpeningBounds openingBounds, AudioEffectX& effect);
    ~VstEditorHost();

    static bool isWindowOpcode (std::int32_t opcode) noexcept;

    /** The answer to one of the window opcodes. */
    std::int64_t dispatch (std::int32_t opcode, void* ptr);

    void close();

private:
    struct Holder;

    void open (void* parentWindow);
    void windowResized();

    juce::AudioProcessor& processor;
    OpeningBounds openingBounds;
    AudioEffectX& effect;

    std::unique_ptr<Holder> holder;

    // The size query's answers, one for each asking thread, which only that thread rewrites: a
    // host reads the record after the call, and may keep it while the instance lives.
    std::mutex answersLock;
    std::map<std::thread::id, EditorRect> answers;
};
