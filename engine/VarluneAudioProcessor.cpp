#include "VarluneAudioProcessor.h"

#include "Modulation.h"
#include "SignalGraph.h"
#include "StretchPlanner.h"
#include "VarluneAudioProcessorEditor.h"

#include <chrono>
#include <cmath>

namespace
{
// Rates above this are not audio rates; the rings would not fit in memory.
constexpr double highestSampleRate = 768000.0;

const int routingSelectors[] = { 4, 6, 14, 16, 24, 26, 34, 36, 69, 70, 75, 76, 81, 82, 87, 88, 92 };
const int modulationDepths[] = { 9, 19, 29, 39, 73, 79, 85, 91, 46, 53, 60, 67, 96 };
const int feedbackAmounts[] = { 3, 13, 23, 33 };
} // namespace

VarluneAudioProcessor::VarluneAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                              .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                              .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      graph (std::make_unique<SignalGraph>()),
      stretchPlanner (std::make_unique<StretchPlanner>())
{
    for (int i = 0; i < ParameterIndex::numParameters; ++i)
        parameters.add (new mordwickLib::PluginParameter());

    initializeAllParameters (parameters);

    setCachedDefaults();

    for (int k = 0; k < numUnits; ++k)
        lfos.add (new mordwickLib::Lfo());

    for (int c = 0; c < numChannels; ++c)
    {
        for (int k = 0; k < numUnits; ++k)
        {
            auto* line = delayLines[k].add (new mordwickLib::SyncDelayNoFeed());
            line->resizeRing ((int) ((float) line->sampleRate * 12.0f + 1.0f));  // 12 s and one sample
            line->glideLength = 0;
            line->currentDelay = line->targetDelay;
        }

        for (int k = 0; k < numUnits; ++k)
            mixers[k].add (new KivMixer())->setSamplerate (sampleRate);

        inputSample[c] = 0.0f;
        for (int k = 0; k < numUnits; ++k)
        {
            delayOutput[k][c] = 0.0f;
            mixerOutput[k][c] = 0.0f;
        }
    }

    for (auto& value : lfoOutput)
        value = 0.0f;

    openPresetsAndPreferences();
    ringPageKeeping = std::make_unique<RingPageWorker::Registration> ([this] { keepRingPages(); });
}

VarluneAudioProcessor::~VarluneAudioProcessor()
{
    ringPageKeeping.reset();
    closePresetsAndPreferences();
}

void VarluneAudioProcessor::setCachedDefaults()
{
    for (int k = 0; k < numUnits; ++k)
    {
        delayTimeMs[k] = 60.0f;
        delaySync[k] = false;
        delaySyncedDivision[k] = 4.0f;
        delayFeedback[k] = 0.4f;
        delayInputLevel[k] = 1.0f;
        delayFeedbackInputLevel[k] = 0.0f;
        delayTimeModSource[k] = 0;
        delayTimeModDepth[k] = 0.0f;

        lfoWave[k] = 0;
        lfoRate[k] = 1.0f;
        lfoSync[k] = false;
        lfoSyncedDivision[k] = 1.0f;
        lfoRateTimes100[k] = false;
        lfoRateModSource[k] = 0;
        lfoRateModDepth[k] = 0.0f;

        mixerMode[k] = 0;
        mixerControl[k] = 0.5f;
        mixerControlModSource[k] = 0;
        mixerControlModDepth[k] = 0.0f;
    }

    outInputLevel = 1.0f;
    dryWet = 0.5f;
    dryWetModSource = 0;
    dryWetModDepth = 0.0f;
    outGainFactor = 1.0f;
}

const juce::String VarluneAudioProcessor::getName() const { return "Varlune"; }

void VarluneAudioProcessor::prepareToPlay (double newSampleRate, int /*samplesPerBlock*/)
{
    prepareUnitsAndRings (newSampleRate);
    ringPageKeeping->setPlaying (true);
}

void VarluneAudioProcessor::prepareUnitsAndRings (double newSampleRate)
{
    const std::lock_guard<std::mutex> lock (ringPagesLock);

    // The units change here: first they take their state back from the graph.
    copyGraphStateToUnits();

    // A rate no audio device runs at would break the ring sizes: keep the current one.
    const bool usableRate = newSampleRate > 0.0 && newSampleRate <= highestSampleRate;

    if (usableRate && newSampleRate != sampleRate)
    {
        // The rate is taken once every ring has its new size, so that after a failed allocation
        // the next call sizes the rest.
        updateRingSizes (newSampleRate);
        sampleRate = newSampleRate;

        for (auto* lfo : lfos)
            lfo->sampleRate = sampleRate;
    }

    ringSwap.releaseSwappedOut ([this] { releaseSpareRings(); });

    for (int c = 0; c < numChannels; ++c)
    {
        for (int k = 0; k < numUnits; ++k)
            delayLines[k].getUnchecked (c)->clear();

        for (int k = 0; k < numUnits; ++k)
            mixers[k][c]->reset();
    }

    ringsCleared();

    // The lines that ran before are no reason to keep pages now: each line's memory follows its
    // use again. Pages refused before may be had now.
    linesRunning.store (0, std::memory_order_relaxed);
    linesKept = 0;
    retryRefusedRings();
    makeRingsInUseReady (linesSetToRun());
    unitsChangedOutsideGraph = true;
}

void VarluneAudioProcessor::updateRingSizes (double newSampleRate)
{
    for (int c = 0; c < numChannels; ++c)
    {
        for (int k = 0; k < numUnits; ++k)
            delayLines[k][c]->followSampleRate (newSampleRate);

        for (int k = 0; k < numUnits; ++k)
            mixers[k][c]->setSamplerate (newSampleRate);
    }
}

void VarluneAudioProcessor::ringsCleared() noexcept
{
    // Nothing has fed the rings since: the routing is resolved afresh, so that a line found unfed
    // then is known to hold only +0, not taken for one that has just stopped.
    for (int k = 0; k < numUnits; ++k)
    {
        graph->delay[k].input = graph->delay[k].feedback = sourceNone;

        for (auto& frame : lastFedAt[k])
            frame = clearLongAgo;
    }

    storesAtRouting = std::numeric_limits<uint32_t>::max();
}

int64_t VarluneAudioProcessor::zeroWrites (int k, int c) const noexcept
{
    const auto& unit = graph->delay[k];
    const bool fed = unit.input != sourceNone || unit.feedback != sourceNone;
    return fed ? 0 : framesRun[c] - lastFedAt[k][c];
}

void VarluneAudioProcessor::releaseResources()
{
    ringPageKeeping->setPlaying (false);

    // The worker keeps nothing while suspended: what a last PANIC swapped out goes now.
    const std::lock_guard<std::mutex> lock (ringPagesLock);
    ringSwap.releaseSwappedOut ([this] { releaseSpareRings(); });
}

const juce::String VarluneAudioProcessor::getInputChannelName (int index) const  { return juce::String (index + 1); }
const juce::String VarluneAudioProcessor::getOutputChannelName (int index) const { return juce::String (index + 1); }
bool VarluneAudioProcessor::isInputChannelStereoPair (int) const  { return true; }
bool VarluneAudioProcessor::isOutputChannelStereoPair (int) const { return true; }
bool VarluneAudioProcessor::silenceInProducesSilenceOut() const   { return false; }
double VarluneAudioProcessor::getTailLengthSeconds() const        { return 0.0; }
bool VarluneAudioProcessor::acceptsMidi() const                   { return true; }
bool VarluneAudioProcessor::producesMidi() const                  { return false; }

juce::AudioProcessorEditor* VarluneAudioProcessor::createEditor() { return new VarluneAudioProcessorEditor (*this); }
bool VarluneAudioProcessor::hasEditor() const                     { return true; }

mordwickLib::PluginParameter* VarluneAudioProcessor::getParameterRecord (int index) const noexcept
{
    return juce::isPositiveAndBelow (index, ParameterIndex::numParameters) ? parameters.getUnchecked (index)
                                                                           : nullptr;
}

int VarluneAudioProcessor::getNumParameters() { return ParameterIndex::numParameters; }

float VarluneAudioProcessor::getParameter (int index)
{
    auto* parameter = getParameterRecord (index);
    return parameter != nullptr ? parameter->getNormalised() : 0.0f;
}

void VarluneAudioProcessor::setParameter (int index, float newValue)
{
    auto* parameter = getParameterRecord (index);

    if (parameter != nullptr && newValue >= 0.0f && newValue <= 1.0f)
    {
        parameter->storeNormalised (newValue);
        parameterStores.fetch_add (1, std::memory_order_release);
    }
}

const juce::String VarluneAudioProcessor::getParameterName (int index)
{
    auto* parameter = getParameterRecord (index);
    return parameter != nullptr ? parameter->name : juce::String();
}

const juce::String VarluneAudioProcessor::getParameterText (int index)
{
    auto* parameter = getParameterRecord (index);
    return parameter != nullptr ? getParameterValueText (index, *parameter, parameter->getReal())
                                : juce::String();
}

int VarluneAudioProcessor::getNumPrograms()                                 { return 0; }
int VarluneAudioProcessor::getCurrentProgram()                              { return 0; }
void VarluneAudioProcessor::setCurrentProgram (int)                         {}
const juce::String VarluneAudioProcessor::getProgramName (int)              { return getCurrentPresetName(); }
void VarluneAudioProcessor::changeProgramName (int, const juce::String&)    {}

void VarluneAudioProcessor::triggerProgramChange (int index)
{
    programChangeIndex.store (index, std::memory_order_relaxed);
    programChangePending.store (true, std::memory_order_release);
}

void VarluneAudioProcessor::resetAudioRouting()
{
    for (int index : routingSelectors)
        setParameterNotifyingHost (index, parameters[index]->defaultNormalised);
}

void VarluneAudioProcessor::resetModDepths()
{
    for (int index : modulationDepths)
        setParameterNotifyingHost (index, parameters[index]->defaultNormalised);
}

void VarluneAudioProcessor::revertToDefaultSettings()
{
    for (int index = 0; index < ParameterIndex::numParameters; ++index)
        setParameterNotifyingHost (index, parameters[index]->defaultNormalised);
}

void VarluneAudioProcessor::panic()
{
    for (int index : feedbackAmounts)
        setParameterNotifyingHost (index, 0.0f);

    // The spares of the lines that go on running once silenced are written from the swap on.
    const std::lock_guard<std::mutex> lock (ringPagesLock);
    ringSwap.request ([this] { releaseSpareRings(); },
                      [this] { makeRingsReady (linesSetToRun(), mordwickLib::SyncDelayNoFeed::Rings::spare); });
}

bool VarluneAudioProcessor::swapInSilentRingsIfRequested() noexcept
{
    return ringSwap.swapIfRequested ([this]
    {
        copyGraphStateToUnits();

        // The last outputs of the lines and mixers and the damping memories go too: fed back
        // through the routing into the silent rings, they would start the echo again.
        for (int c = 0; c < numChannels; ++c)
        {
            for (int k = 0; k < numUnits; ++k)
            {
                delayLines[k].getUnchecked (c)->swapInSpareRing();
                graph->source[sourceDelay1 + k][c] = 0.0f;
                mixers[k].getUnchecked (c)->reset();
                graph->source[sourceMixer1 + k][c] = 0.0f;
            }
        }

        ringsCleared();

        // The graph holds the rings too: the swap is done only once it holds none that went out.
        loadUnitsIntoGraph();
        unitsChangedOutsideGraph = false;
    });
}

void VarluneAudioProcessor::keepRingPages() noexcept
{
    const std::lock_guard<std::mutex> lock (ringPagesLock);
    ringSwap.releaseSwappedOut ([this] { releaseSpareRings(); });

    // Pages refused for good would only be refused again at every poll; new lines are worth a new
    // try.
    const uint32_t lines = linesRunning.load (std::memory_order_relaxed);

    if (lines != linesKept)
    {
        retryRefusedRings();
        linesKept = lines;
    }

    makeRingsInUseReady (lines);
}

void VarluneAudioProcessor::releaseSpareRings() noexcept
{
    for (auto& unit : delayLines)
        for (auto* line : unit)
            line->releaseSpareRing();
}

void VarluneAudioProcessor::retryRefusedRings() noexcept
{
    for (auto& unit : delayLines)
        for (auto* line : unit)
            line->retryRefusedRings();
}

void VarluneAudioProcessor::makeRingsReady (uint32_t lines, mordwickLib::SyncDelayNoFeed::Rings rings) noexcept
{
    const auto now = std::chrono::steady_clock::now();

    for (int c = 0; c < numChannels; ++c)
        for (int k = 0; k < numUnits; ++k)
            if ((lines >> (c * numUnits + k) & 1u) != 0)
                delayLines[k].getUnchecked (c)->makeRingsReady (rings, now);
}

void VarluneAudioProcessor::makeRingsInUseReady (uint32_t lines) noexcept
{
    // While a swap is due the spare is about to be in use; which ring is in use may change.
    makeRingsReady (lines, ringSwap.isDue() ? mordwickLib::SyncDelayNoFeed::Rings::both
                                            : mordwickLib::SyncDelayNoFeed::Rings::inUse);
}

uint32_t VarluneAudioProcessor::linesSetToRun() const noexcept
{
    // As block processing decides it: a line runs while it is fed or its time is modulated.
    namespace index = ParameterIndex;
    const int channels = std::min (getTotalNumInputChannels(), (int) numChannels);
    uint32_t lines = 0;

    for (int k = 0; k < numUnits; ++k)
    {
        const int base = index::delayBase (k + 1);
        auto parameter = [&] (int offset) -> const mordwickLib::PluginParameter& { return *parameters.getUnchecked (base + offset); };
        const bool runs = resolveSelector (parameter (index::delayInput)) != sourceNone
                       || resolveSelector (parameter (index::delayFeedbackInput)) != sourceNone
                       || (parameter (index::delayTimeModDepth).getNormalised() != 0.0f
                           && toChoice (parameter (index::delayTimeModSource).getReal()) != 0);

        if (runs)
            for (int c = 0; c < channels; ++c)
                lines |= 1u << (c * numUnits + k);
    }

    return lines;
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new VarluneAudioProcessor();
}
