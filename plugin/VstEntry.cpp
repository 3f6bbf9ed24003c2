// The plug-in library's entry points: the host asks for an effect, gets its record.
#include "VarluneAudioProcessor.h"
#include "VarluneVstBridge.h"

#include <mutex>

namespace
{
std::mutex instancesLock;
int numInstances = 0;

// The framework lives from the first instance's creation to the last one's deletion.
class PluginInstance : public VarluneVstBridge
{
public:
    using VarluneVstBridge::VarluneVstBridge;

    ~PluginInstance() override
    {
        releaseFramework();
    }

    static void retainFramework()
    {
        const std::lock_guard<std::mutex> lock (instancesLock);
        if (numInstances++ == 0)
            juce::initialiseJuce_GUI();
    }

    static void releaseFramework()
    {
        const std::lock_guard<std::mutex> lock (instancesLock);
        if (--numInstances == 0)
            juce::shutdownJuce_GUI();
    }
};

AEffect* createEffect (HostCallbackProc hostCallback)
{
    if (hostCallback == nullptr || hostCallback (nullptr, HostOpcode::Version, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;

    PluginInstance::retainFramework();
    // The bridge is deleted through the record when the host closes the effect.
    auto* instance = new PluginInstance (hostCallback, createPluginFilter());
    return instance->getAeffect();
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
