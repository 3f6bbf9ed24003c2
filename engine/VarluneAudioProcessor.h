#pragma once

#include "KivMixer.h"
#include "Lfo.h"
#include "ParameterTable.h"
#include "PluginParameter.h"
#include "PresetManager.h"
#include "RingPageWorker.h"
#include "SettingsDocument.h"
#include "SilentRingSwap.h"
#include "SyncDelayNoFeed.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>

struct SignalGraph;
class StretchPlanner;

/** The plug-in's audio processor: 98 parameters, four LFOs, four stereo delay units and four
    stereo mixers routed freely into one echo, with an output stage. */
class VarluneAudioProcessor : public juce::AudioProcessor
{
public:
    static constexpr int numUnits = 4;
    static constexpr int numChannels = 2;

    VarluneAudioProcessor();
    ~VarluneAudioProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay (double newSampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;

    const juce::String getInputChannelName (int index) const override;
    const juce::String getOutputChannelName (int index) const override;
    bool isInputChannelStereoPair (int index) const override;
    bool isOutputChannelStereoPair (int index) const override;
    bool silenceInProducesSilenceOut() const override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumParameters() override;
    float getParameter (int index) override;
    void setParameter (int index, float newValue) override;
    const juce::String getParameterName (int index) override;
    const juce::String getParameterText (int index) override;
    using juce::AudioProcessor::getParameterName;
    using juce::AudioProcessor::getParameterText;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    /** Asks the next block to load the preset at this index of the preset list. */
    void triggerProgramChange (int index);

    /** Sets every routing selector back to its default, notifying the host. */
    void resetAudioRouting();

    /** Sets every modulation depth to 0, notifying the host. */
    void resetModDepths();

    /** Sets all 98 parameters to their defaults, notifying the host; learned controllers stay. */
    void revertToDefaultSettings();

    /** Sets the four feedback amounts to 0, notifying the host, and silences the eight delay lines
        at the start of the next block. Message thread. */
    void panic();

    //==============================================================================
    // Presets, host state and preferences (VarluneSettings.cpp).

    /** The end of the editor's save dialog: a chosen file goes to savePresetAs; with none
        (cancelled) the preset folder is still scanned again and presetListChanged raised. */
    void saveDialogClosed (const juce::File& chosenFile);

    /** Saves the current settings as a preset in this file, its extension forced to the preset
        extension, names the current preset after the file and scans the preset folder again. */
    void savePresetAs (const juce::File& chosenFile);

    /** Asks for the preset file at path to be loaded by the next loadPendingPreset. */
    void loadPresetFromFile (juce::String path);

    /** Carries out the pending preset load, if any: reads the file and sets every parameter from
        it. A missing, foreign or broken file changes nothing. Message thread (the editor's refresh);
        a load waits here until it runs. */
    void loadPendingPreset();

    bool isPresetLoadPending() const noexcept;

    juce::String getCurrentPresetName() const;
    void setCurrentPresetName (const juce::String& name);

    /** Keeps the editor's size for the next editor and the preferences file. Message thread. */
    void saveLastUISize (float width, float height);

    /** Parameter names and defaults, as the preset and state readers need them. */
    SettingsLayout getSettingsLayout();

    /** The parameter record at index, or nullptr outside 0..97. */
    mordwickLib::PluginParameter* getParameterRecord (int index) const noexcept;

    /** The one modulation rule: the parameter's live real value moved by depth (0..1) times the
        source value (clamped to -1..1), as far as the distance to the nearer end of the range
        allows, and clamped into the range. */
    static float getModulatedValue (const mordwickLib::PluginParameter& parameter,
                                    float sourceValue, float depth) noexcept;

    // MIDI input (MidiInput.cpp).

    /** The editor's learn and unlearn modes; armed parameters bind to the next controller. */
    std::atomic<bool> midiLearnActive { false };
    std::atomic<bool> midiUnlearnActive { false };

    /** Records that parameter index was moved to value: by the user through the editor's
        controls, or by a learned controller on the audio thread. Any thread; takes no lock and
        allocates nothing. */
    void setLastMovedParameter (int index, float value) noexcept;

    /** Builds lastParamName and lastParamText for the last move not built yet, from the value
        that move gave, so that later changes of the parameter's value leave them. Message thread:
        the mover only posts the index and the value, so it never builds a string. */
    void updateLastMovedDisplay();

    // The parameter display; read and written on the message thread only.
    juce::String lastParamName;
    juce::String lastParamText { "Version 1.1" };

    // End of MIDI input.

    juce::OwnedArray<mordwickLib::PluginParameter> parameters;

    /** Copies the state the signal graph holds for the units from block to block into the unit
        objects and the fields below, where it can be read or changed. Not while a block runs. */
    void copyGraphStateToUnits() noexcept;

    // The signal graph's values as copyGraphStateToUnits last found them; LFO outputs are shared by
    // both channels.
    float inputSample[numChannels] {};
    float delayOutput[numUnits][numChannels] {};
    float mixerOutput[numUnits][numChannels] {};
    float lfoOutput[numUnits] {};

    // Settings cached from the parameters once per block.
    float delayTimeMs[numUnits];
    bool delaySync[numUnits];
    float delaySyncedDivision[numUnits];
    float delayFeedback[numUnits];
    float delayInputLevel[numUnits];
    float delayFeedbackInputLevel[numUnits];
    int delayTimeModSource[numUnits];
    float delayTimeModDepth[numUnits];
    int lfoWave[numUnits];
    float lfoRate[numUnits];
    bool lfoSync[numUnits];
    float lfoSyncedDivision[numUnits];
    bool lfoRateTimes100[numUnits];
    int lfoRateModSource[numUnits];
    float lfoRateModDepth[numUnits];
    int mixerMode[numUnits];
    float mixerControl[numUnits];
    int mixerControlModSource[numUnits];
    float mixerControlModDepth[numUnits];
    float outInputLevel = 1.0f;
    float dryWet = 0.5f;
    int dryWetModSource = 0;
    float dryWetModDepth = 0.0f;
    float outGainFactor = 1.0f;

    double sampleRate = 44100.0;
    double bpm = 120.0;

    // Whether block processing may run the graph stretch by stretch where that gives the same
    // output as frame by frame; tests switch it off to compare the two.
    bool stretchesEnabled = true;

    // delayLines[k][c]: delay unit k + 1, channel c.
    juce::OwnedArray<mordwickLib::SyncDelayNoFeed> delayLines[numUnits];
    // mixers[k][c]: mixer unit k + 1, channel c.
    juce::OwnedArray<KivMixer> mixers[numUnits];
    juce::OwnedArray<mordwickLib::Lfo> lfos;

    // Requests between threads: each raised by one side and cleared by the other.
    std::atomic<bool> programChangePending { false };
    std::atomic<int> programChangeIndex { 0 };

    mordwickLib::PresetManager presetManager;
    juce::StringArray presetNames;                      // the editor's copy of the list; message thread
    std::atomic<bool> presetListChanged { true };       // set by a save, cleared by the editor

    // The editor's size to open with, kept current by an open editor; written on the message
    // thread and read by a host's size query from any thread, both sides at once, so that a reader
    // never pairs one size's width with another's height. And the menu's request that the open
    // window take it again (message thread).
    struct UISize
    {
        float width, height;
    };
    static constexpr UISize defaultUISize { 1000.0f, 700.0f };
    std::atomic<UISize> lastUISize { defaultUISize };
    static_assert (std::atomic<UISize>::is_always_lock_free, "any thread may ask for the size");
    bool uiSizeResetRequested = false;

private:
    void setCachedDefaults();
    void prepareUnitsAndRings (double newSampleRate);
    void updateRingSizes (double newSampleRate);

    // PANIC's silencing of the delay lines: the audio thread swaps each line's ring for its silent
    // spare at the start of a block, a fixed small amount of work; the pages are made ready and
    // released off the audio thread.
    SilentRingSwap<> ringSwap;
    bool swapInSilentRingsIfRequested() noexcept;  // whether it swapped

    // The rings' pages, kept off the audio thread: no block should write a fresh page, since each
    // is a page fault and a wait on the kernel. Lines are bits, channel c of delay unit k at
    // c * numUnits + k.
    // - The lines each block ran that go on writing their rings, left for the ring page worker by
    //   the audio thread.
    std::atomic<uint32_t> linesRunning { 0 };
    // - Off the audio thread with ringPagesLock held: the rings' sizes and pages, and the lines
    //   the worker last found running.
    std::mutex ringPagesLock;
    uint32_t linesKept = 0;
    void keepRingPages() noexcept;          // the worker's call: readies and releases as blocks need
    void releaseSpareRings() noexcept;
    void retryRefusedRings() noexcept;
    void makeRingsReady (uint32_t lines, mordwickLib::SyncDelayNoFeed::Rings rings) noexcept;
    void makeRingsInUseReady (uint32_t lines) noexcept;
    uint32_t linesSetToRun() const noexcept;  // as the parameters stand: fed or time-modulated
    // Plays from a prepare to the next release; set last, reset first. Never with ringPagesLock
    // held: the worker holds its own lock while it calls keepRingPages.
    std::unique_ptr<RingPageWorker::Registration> ringPageKeeping;

    // Presets, host state and preferences (VarluneSettings.cpp).
    void openPresetsAndPreferences();
    void closePresetsAndPreferences();
    void postPresetLoad (int presetIndex) noexcept;
    SettingsSnapshot takeSettingsSnapshot();
    void applySettings (const SettingsSnapshot& settings, bool withControllers);
    void presetSaveFinished();

    // The pending preset load: nothing, a path (held under pendingPathLock) or a preset index.
    // The audio thread only ever stores an index; the message thread builds the path.
    static constexpr int noPresetLoad = std::numeric_limits<int>::min();
    static constexpr int presetLoadByPath = noPresetLoad + 1;
    std::atomic<int> presetLoadRequest { noPresetLoad };
    std::mutex pendingPathLock;
    juce::String pendingPresetPath;

    // Written and read by the host's threads and the message thread; never by the audio thread.
    mutable std::mutex presetNameLock;
    juce::String currentPresetName { "Init" };

    // Whole-document reads and writes (state, preset save and load) take turns, so none of them
    // sees or leaves a mix of two. The audio thread never takes it.
    std::mutex documentLock;

    std::unique_ptr<juce::PropertiesFile> preferences;

    // Block processing (VarluneBlockProcessing.cpp; the units' part in UnitSetUp.cpp).
    void handlePendingProgramChange();
    void takeParameterSnapshot() noexcept;
    void updateTempo() noexcept;
    void loadUnitsIntoGraph() noexcept;
    bool loadUnitsIntoGraphIfChanged() noexcept;  // whether they had changed
    void prepareDelayLines (bool setUpMoved) noexcept;
    void prepareLfos (bool setUpMoved) noexcept;
    void prepareMixers (bool setUpMoved) noexcept;
    void runSignalGraph (juce::AudioSampleBuffer& buffer, const juce::MidiBuffer& midi,
                         int numSamples, int numChannelsToProcess, uint32_t stores) noexcept;
    bool handleMidiEventsAt (juce::MidiBufferIterator& event, juce::MidiBufferIterator end, int samplePosition);

    // The whole note in milliseconds at the current tempo, for tempo-synced times and rates, and
    // the one the units were last set up for.
    float wholeNoteMs = 2000.0f;
    float wholeNoteMsAtSetUp = 0.0f;

    // Set where the units change outside a block (a new rate, cleared lines), so that the graph,
    // which keeps their state from block to block, takes it from them again (audio thread, or
    // while no block runs).
    bool unitsChangedOutsideGraph = true;

    // The last move, posted whole by whoever moved the parameter: a reader never pairs one
    // move's index with another's value. Sequence 0: nothing moved yet.
    struct ParameterMove
    {
        std::uint32_t sequence : 24;
        std::uint32_t index : 8;
        float value;
    };
    static_assert (ParameterIndex::numParameters <= 256, "the index fits its eight bits");
    std::atomic<ParameterMove> lastMove { ParameterMove { 0, 0, 0.0f } };
    static_assert (std::atomic<ParameterMove>::is_always_lock_free, "the audio thread posts moves");
    std::uint32_t lastMoveShown = 0;    // the sequence the texts were built for; message thread
    bool handleControlChange (int number, int value);

    // Stores into any parameter, counted; while the count stays, a block keeps the cached settings
    // of the last snapshot and the graph the routing it resolved last (audio thread).
    std::atomic<uint32_t> parameterStores { 0 };
    uint32_t storesAtSnapshot = std::numeric_limits<uint32_t>::max();
    uint32_t storesAtRouting = std::numeric_limits<uint32_t>::max();

    // The graph's working state: the units' state and the graph's values from block to block, its
    // routing while no parameter moves.
    std::unique_ptr<SignalGraph> graph;
    std::unique_ptr<StretchPlanner> stretchPlanner;

    // Frames each channel has run, and for each line the frame after which it has been written
    // only +0: a line that is not fed, and has not been for as long as its ring, holds only +0.
    // A ring known to be clear was last fed long ago.
    static constexpr int64_t clearLongAgo = std::numeric_limits<int64_t>::min() / 2;
    int64_t framesRun[numChannels] = {};
    int64_t lastFedAt[numUnits][numChannels] = { { clearLongAgo, clearLongAgo }, { clearLongAgo, clearLongAgo },
                                                 { clearLongAgo, clearLongAgo }, { clearLongAgo, clearLongAgo } };

    // The +0 writes that line c of delay unit k has had since it was last fed.
    int64_t zeroWrites (int k, int c) const noexcept;
    void ringsCleared() noexcept;  // every line's ring holds only +0 now

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VarluneAudioProcessor)
};

/** The plug-in factory: a new processor, owned by the caller. */
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();
