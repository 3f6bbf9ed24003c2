// The plug-in library's entry points: the host asks for an effect, gets its record.
#include "MessageThreadTurn.h"
#include "VarluneAudioProcessor.h"
#include "VarluneAudioProcessorEditor.h"
#include "VarluneVstBridge.h"

#include <mutex>

namespace
{
std::mutex instancesLock;
int numInstances = 0;

// The framework lives from the first instance's creation to the last one's deletion, which may
// come on different threads.
struct FrameworkReference
{
    FrameworkReference()
    {
        const std::lock_guard<std::mutex> lock (instancesLock);
        if (numInstances++ == 0)
            juce::initialiseJuce_GUI();
    }

    ~FrameworkReference()
    {
        const std::lock_guard<std::mutex> lock (instancesLock);
        if (--numInstances == 0)
        {
            const MessageThreadTurn turn;
            juce::shutdownJuce_GUI();
        }
    }
};

// The reference is the first base, so the framework is up before the processor is built and
// still up while it is destroyed (it saves its preferences then).
class PluginInstance : private FrameworkReference, public VarluneVstBridge
{
public:
    PluginInstance (HostCallbackProc hostCallback)
        : VarluneVstBridge (hostCallback, createPluginFilter(), [this]
          {
              return VarluneAudioProcessorEditor::getOpeningBounds (static_cast<VarluneAudioProcessor&> (getProcessor()));
          })
    {
    }
};

AEffect* createEffect (HostCallbackProc hostCallback)
{
    if (hostCallback == nullptr || hostCallback (nullptr, HostOpcode::Version, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;

    // Deleted through the record when the host closes the effect. An instance that cannot be
    // built (its rings are large) is no effect for the host, never an exception into C.
    try
    {
        auto* instance = new PluginInstance (hostCallback);
        return instance->getAeffect();
    }
    catch (...)
    {
        return nullptr;
    }
}
} // namespace

extern "C"
{
__attribute__ ((visibility ("default"))) AEffect* VSTPluginMain (HostCallbackProc hostCallback)
{
    return createEffect (hostCallback);
}

__attribute__ ((visibility ("default"))) AEffect* main_macho (HostCallbackProc hostCallback)
{
    return createEffect (hostCallback);
}
}
