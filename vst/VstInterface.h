// The VST 2.4 binary interface between a host and an effect, as seen from both sides: the effect
// record, the function-pointer types, the opcodes and flags, and the records that cross the
// interface. Layouts are those of a 64-bit little-endian build with natural alignment; every
// record below that the host reads or fills has its size and offsets checked at compile time.
//
// A plug-in library exports `VSTPluginMain` (type PluginEntryProc). The host calls it with its
// callback and receives the address of an AEffect, through which it makes every later call.
#pragma once

#include <cstddef>
#include <cstdint>

struct AEffect;

//==============================================================================
// Four-character codes are 32-bit integers with the first character in the most significant byte.
constexpr std::int32_t fourCharCode (const char (&code)[5])
{
    return static_cast<std::int32_t> ((std::uint32_t (static_cast<unsigned char> (code[0])) << 24)
                                      | (std::uint32_t (static_cast<unsigned char> (code[1])) << 16)
                                      | (std::uint32_t (static_cast<unsigned char> (code[2])) << 8)
                                      | std::uint32_t (static_cast<unsigned char> (code[3])));
}

constexpr std::int32_t kEffectMagic = fourCharCode ("VstP");
constexpr std::int32_t kNoEffectId = fourCharCode ("NoEf");       // unique ID until a subclass sets one
constexpr std::int32_t kIdentifyAnswer = fourCharCode ("NvEf");   // answer to EffectOpcode::IdentifyDeprecated
constexpr std::int32_t kVstVersion = 2400;

//==============================================================================
// Function-pointer types. Every "value" and every dispatcher or callback result is 64 bits wide.

/** The host's callback: effect, opcode, index, value, pointer, float; 64-bit result. */
using HostCallbackProc = std::int64_t (*) (AEffect* effect, std::int32_t opcode, std::int32_t index,
                                           std::int64_t value, void* ptr, float opt);
/** The effect's dispatcher: same shape as the host callback. */
using DispatcherProc = std::int64_t (*) (AEffect* effect, std::int32_t opcode, std::int32_t index,
                                         std::int64_t value, void* ptr, float opt);
using ProcessProc = void (*) (AEffect* effect, float** inputs, float** outputs, std::int32_t sampleFrames);
using ProcessDoubleProc = void (*) (AEffect* effect, double** inputs, double** outputs, std::int32_t sampleFrames);
using SetParameterProc = void (*) (AEffect* effect, std::int32_t index, float value);
using GetParameterProc = float (*) (AEffect* effect, std::int32_t index);

/** The plug-in library's exported entry point. Returns null when it refuses the host. */
using PluginEntryProc = AEffect* (*) (HostCallbackProc hostCallback);

//==============================================================================
/** The effect record. The host reads its counts and flags and calls the effect only through its
    function pointers; `effectObject` points back at the C++ object that owns the record. */
struct AEffect
{
    std::int32_t magic;                              // kEffectMagic
    DispatcherProc dispatcherProc;
    ProcessProc processDeprecatedProc;               // accumulating process, no longer used
    SetParameterProc setParameterProc;
    GetParameterProc getParameterProc;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    std::int32_t flags;                              // EffectFlag bits
    std::intptr_t reserved1;
    std::intptr_t reserved2;
    std::int32_t initialDelay;                       // latency in samples
    std::int32_t realtimeQualities;
    std::int32_t offlineQualities;
    float ratio;
    void* effectObject;
    void* user;                                      // free for the host
    std::int32_t uniqueID;
    std::int32_t version;
    ProcessProc processReplacingProc;
    ProcessDoubleProc processDoubleReplacingProc;
    char future[56];
};

static_assert (sizeof (AEffect) == 192, "AEffect must be 192 bytes");
static_assert (offsetof (AEffect, magic) == 0);
static_assert (offsetof (AEffect, dispatcherProc) == 8);
static_assert (offsetof (AEffect, processDeprecatedProc) == 16);
static_assert (offsetof (AEffect, setParameterProc) == 24);
static_assert (offsetof (AEffect, getParameterProc) == 32);
static_assert (offsetof (AEffect, numPrograms) == 40);
static_assert (offsetof (AEffect, numParams) == 44);
static_assert (offsetof (AEffect, numInputs) == 48);
static_assert (offsetof (AEffect, numOutputs) == 52);
static_assert (offsetof (AEffect, flags) == 56);
static_assert (offsetof (AEffect, reserved1) == 64);
static_assert (offsetof (AEffect, reserved2) == 72);
static_assert (offsetof (AEffect, initialDelay) == 80);
static_assert (offsetof (AEffect, realtimeQualities) == 84);
static_assert (offsetof (AEffect, offlineQualities) == 88);
static_assert (offsetof (AEffect, ratio) == 92);
static_assert (offsetof (AEffect, effectObject) == 96);
static_assert (offsetof (AEffect, user) == 104);
static_assert (offsetof (AEffect, uniqueID) == 112);
static_assert (offsetof (AEffect, version) == 116);
static_assert (offsetof (AEffect, processReplacingProc) == 120);
static_assert (offsetof (AEffect, processDoubleReplacingProc) == 128);
static_assert (offsetof (AEffect, future) == 136);

/** Bits of AEffect::flags. */
namespace EffectFlag
{
enum : std::int32_t
{
    HasEditor = 0x1,
    HasClipDeprecated = 0x2,
    HasVuDeprecated = 0x4,
    CanMonoDeprecated = 0x8,
    CanReplacing = 0x10,
    ProgramChunks = 0x20,
    IsSynth = 0x100,
    NoSoundInStop = 0x200,                    // no tail
    ExtIsAsyncDeprecated = 0x400,
    ExtHasBufferDeprecated = 0x800,
    CanDoubleReplacing = 0x1000
};
}

//==============================================================================
/** Opcodes the host sends to the effect's dispatcher. */
namespace EffectOpcode
{
enum : std::int32_t
{
    Open = 0,
    Close = 1,                      // the effect deletes itself; the record is gone afterwards
    SetProgram = 2,                 // value: program number
    GetProgram = 3,
    SetProgramName = 4,             // ptr: text
    GetProgramName = 5,             // ptr: text buffer
    GetParameterLabel = 6,          // index, ptr: text buffer
    GetParameterDisplay = 7,
    GetParameterName = 8,
    GetVuDeprecated = 9,
    SetSampleRate = 10,             // opt: sample rate
    SetBlockSize = 11,              // value: block size
    MainsChanged = 12,              // value: 0 suspend, otherwise resume
    EditorGetRect = 13,             // ptr: EditorRect**
    EditorOpen = 14,                // ptr: parent window
    EditorClose = 15,
    EditorDrawDeprecated = 16,
    EditorMouseDeprecated = 17,
    EditorKeyDeprecated = 18,
    EditorIdle = 19,
    EditorTopDeprecated = 20,
    EditorSleepDeprecated = 21,
    IdentifyDeprecated = 22,
    GetChunk = 23,                  // index: preset (1) or bank (0); ptr: void** receiving the data
    SetChunk = 24,                  // index: preset or bank; value: byte size; ptr: data
    ProcessEvents = 25,             // ptr: VstEvents*
    CanBeAutomated = 26,
    StringToParameter = 27,
    GetNumProgramCategoriesDeprecated = 28,
    GetProgramNameIndexed = 29,     // value: category, index, ptr: text buffer
    CopyProgramDeprecated = 30,
    ConnectInputDeprecated = 31,
    ConnectOutputDeprecated = 32,
    GetInputProperties = 33,        // index, ptr: VstPinProperties*
    GetOutputProperties = 34,
    GetPlugCategory = 35,
    GetCurrentPositionDeprecated = 36,
    GetDestinationBufferDeprecated = 37,
    OfflineNotify = 38,
    OfflinePrepare = 39,
    OfflineRun = 40,
    ProcessVariableIo = 41,
    SetSpeakerArrangement = 42,     // value: input VstSpeakerArrangement*, ptr: output one
    SetBlockSizeAndSampleRateDeprecated = 43,
    SetBypass = 44,                 // value: non-zero to bypass
    GetEffectName = 45,
    GetErrorTextDeprecated = 46,
    GetVendorString = 47,
    GetProductString = 48,
    GetVendorVersion = 49,
    VendorSpecific = 50,
    CanDo = 51,                     // ptr: capability text; answer 1 yes, -1 no, 0 don't know
    GetTailSize = 52,
    IdleDeprecated = 53,
    GetIconDeprecated = 54,
    SetViewPositionDeprecated = 55,
    GetParameterProperties = 56,
    KeysRequiredDeprecated = 57,
    GetVstVersion = 58,
    EditorKeyDown = 59,             // index: character, value: virtual key, opt: modifiers
    EditorKeyUp = 60,
    SetEditorKnobMode = 61,
    GetMidiProgramName = 62,
    GetCurrentMidiProgram = 63,
    GetMidiProgramCategory = 64,
    HasMidiProgramsChanged = 65,
    GetMidiKeyName = 66,
    BeginSetProgram = 67,
    EndSetProgram = 68,
    GetSpeakerArrangement = 69,     // value: VstSpeakerArrangement** input, ptr: the output one
    ShellGetNextPlugin = 70,
    StartProcess = 71,
    StopProcess = 72,
    SetTotalSampleToProcess = 73,
    SetPanLaw = 74,
    BeginLoadBank = 75,
    BeginLoadProgram = 76,
    SetProcessPrecision = 77,       // value: ProcessPrecision
    GetNumMidiInputChannels = 78,
    GetNumMidiOutputChannels = 79
};
}

/** Opcodes the effect sends through the host callback. */
namespace HostOpcode
{
enum : std::int32_t
{
    Automate = 0,                   // index: parameter, opt: new value
    Version = 1,
    CurrentId = 2,
    Idle = 3,
    PinConnectedDeprecated = 4,     // index: pin, value: 0 input, 1 output; answer 0 means connected
    WantMidiDeprecated = 6,
    GetTime = 7,                    // value: TimeInfoFlag bits wanted; answer: HostTimeInfo*
    TempoAtDeprecated = 10,
    GetNumAutomatableParametersDeprecated = 11,
    GetParameterQuantizationDeprecated = 12,
    IoChanged = 13,
    NeedIdleDeprecated = 14,
    SizeWindow = 15,                // index: width, value: height
    GetSampleRate = 16,
    GetBlockSize = 17,
    GetInputLatency = 18,
    GetOutputLatency = 19,
    GetPreviousPlugDeprecated = 20,
    GetNextPlugDeprecated = 21,
    WillReplaceOrAccumulateDeprecated = 22,
    GetCurrentProcessLevel = 23,    // answer: ProcessLevel
    GetAutomationState = 24,
    OfflineStart = 25,
    OfflineRead = 26,
    OfflineWrite = 27,
    OfflineGetCurrentPass = 28,
    OfflineGetCurrentMetaPass = 29,
    SetOutputSampleRateDeprecated = 30,
    GetOutputSpeakerArrangementDeprecated = 31,
    GetVendorString = 32,
    GetProductString = 33,
    GetVendorVersion = 34,
    VendorSpecific = 35,
    CanDo = 37,                     // ptr: capability text
    GetLanguage = 38,
    OpenWindowDeprecated = 39,
    CloseWindowDeprecated = 40,
    GetDirectory = 41,
    UpdateDisplay = 42,
    BeginEdit = 43,                 // index: parameter
    EndEdit = 44,
    OpenFileSelector = 45,
    CloseFileSelector = 46,
    GetChunkFileDeprecated = 48,
    GetInputSpeakerArrangementDeprecated = 49
};
}

/** Answers to HostOpcode::GetCurrentProcessLevel. */
namespace ProcessLevel
{
enum : std::int32_t { Unknown = 0, User = 1, Realtime = 2, Prefetch = 3, Offline = 4 };
}

/** Answers of EffectOpcode::GetPlugCategory (the ones this program uses). */
namespace PlugCategory
{
enum : std::int32_t { Unknown = 0, Effect = 1, Synth = 2 };
}

/** Values of EffectOpcode::SetProcessPrecision. */
namespace ProcessPrecision
{
enum : std::int32_t { Single = 0, Double = 1 };
}

/** Sizes of the text buffers the host hands to the effect, without the terminating zero. */
namespace TextLimit
{
enum : std::int32_t
{
    ProgramName = 24,
    ParameterText = 8,              // label, display and name of a parameter
    EffectName = 32,
    VendorString = 64,
    ProductString = 64,
    PinLabel = 64,
    PinShortLabel = 8
};
}

//==============================================================================
// Events (EffectOpcode::ProcessEvents).

namespace EventType
{
enum : std::int32_t { Midi = 1, SysEx = 6 };
}

/** Common head of every event; `byteSize` is the size of the event after the first 8 bytes. */
struct VstEvent
{
    std::int32_t type;
    std::int32_t byteSize;
    std::int32_t deltaFrames;       // position in the current block
    std::int32_t flags;
    char data[16];
};

static_assert (sizeof (VstEvent) == 32);

namespace MidiEventFlag
{
enum : std::int32_t { IsRealtime = 1 };
}

struct VstMidiEvent
{
    std::int32_t type;              // EventType::Midi
    std::int32_t byteSize;          // sizeof (VstMidiEvent)
    std::int32_t deltaFrames;
    std::int32_t flags;             // MidiEventFlag bits
    std::int32_t noteLength;        // in samples, 0 when unknown
    std::int32_t noteOffset;
    char midiData[4];               // one to three MIDI bytes, the fourth zero
    char detune;                    // -64 to 63 cents
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

static_assert (sizeof (VstMidiEvent) == 32);
static_assert (offsetof (VstMidiEvent, deltaFrames) == 8);
static_assert (offsetof (VstMidiEvent, flags) == 12);
static_assert (offsetof (VstMidiEvent, noteLength) == 16);
static_assert (offsetof (VstMidiEvent, noteOffset) == 20);
static_assert (offsetof (VstMidiEvent, midiData) == 24);
static_assert (offsetof (VstMidiEvent, detune) == 28);
static_assert (offsetof (VstMidiEvent, noteOffVelocity) == 29);

/** The event list. Declared with room for two events; a host allocates the block for as many as
    it sends, so reach them with eventAt rather than by indexing `events`. */
struct VstEvents
{
    std::int32_t numEvents;
    std::intptr_t reserved;
    VstEvent* events[2];
};

static_assert (offsetof (VstEvents, numEvents) == 0);
static_assert (offsetof (VstEvents, reserved) == 8);
static_assert (offsetof (VstEvents, events) == 16);
static_assert (sizeof (VstEvents) == 32);

/** Size of an event list block that holds `numEvents` event pointers. */
constexpr std::size_t eventListSize (std::int32_t numEvents)
{
    return offsetof (VstEvents, events) + sizeof (VstEvent*) * static_cast<std::size_t> (numEvents > 2 ? numEvents : 2);
}

static_assert (eventListSize (2) == sizeof (VstEvents));

inline VstEvent* eventAt (const VstEvents& list, std::int32_t i)
{
    return (&list.events[0])[i];
}

//==============================================================================
// Time information (HostOpcode::GetTime).

namespace TimeInfoFlag
{
enum : std::int32_t
{
    TransportChanged = 1,
    TransportPlaying = 1 << 1,
    TransportCycleActive = 1 << 2,
    TransportRecording = 1 << 3,
    AutomationWriting = 1 << 6,
    AutomationReading = 1 << 7,
    NanosValid = 1 << 8,
    PpqPositionValid = 1 << 9,
    TempoValid = 1 << 10,
    BarsValid = 1 << 11,
    CyclePositionValid = 1 << 12,
    TimeSignatureValid = 1 << 13,
    SmpteValid = 1 << 14,
    ClockValid = 1 << 15
};
}

/** Values of HostTimeInfo::smpteFrameRate. */
namespace SmpteFrameRate
{
enum : std::int32_t
{
    Fps24 = 0, Fps25 = 1, Fps2997 = 2, Fps30 = 3, Fps2997Drop = 4, Fps30Drop = 5,
    Film16mm = 6, Film35mm = 7, Fps239 = 10, Fps249 = 11, Fps599 = 12, Fps60 = 13
};
}

/** The host's transport state. Fields other than samplePosition and sampleRate are meaningful
    only when their TimeInfoFlag bit is set in `flags`. */
struct HostTimeInfo
{
    double samplePosition;
    double sampleRate;
    double nanoSeconds;             // system time
    double ppqPosition;             // quarter notes since the start
    double tempo;                   // beats per minute
    double barStartPosition;        // in quarter notes
    double cycleStartPosition;
    double cycleEndPosition;
    std::int32_t timeSigNumerator;
    std::int32_t timeSigDenominator;
    std::int32_t smpteOffset;
    std::int32_t smpteFrameRate;    // SmpteFrameRate
    std::int32_t samplesToNextClock;
    std::int32_t flags;             // TimeInfoFlag bits
};

static_assert (sizeof (HostTimeInfo) == 88);
static_assert (offsetof (HostTimeInfo, tempo) == 32);
static_assert (offsetof (HostTimeInfo, barStartPosition) == 40);
static_assert (offsetof (HostTimeInfo, cycleEndPosition) == 56);
static_assert (offsetof (HostTimeInfo, timeSigNumerator) == 64);
static_assert (offsetof (HostTimeInfo, smpteFrameRate) == 76);
static_assert (offsetof (HostTimeInfo, flags) == 84);

//==============================================================================
/** The editor's rectangle in pixels (EffectOpcode::EditorGetRect). */
struct EditorRect
{
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

static_assert (sizeof (EditorRect) == 8);

/** A key event for the editor, built from the host's index (character), value (virtual key) and
    float (modifier bits). */
struct EditorKeyCode
{
    std::int32_t character;
    std::uint8_t virtualKey;
    std::uint8_t modifiers;
};

//==============================================================================
// Pins and speakers.

namespace PinFlag
{
enum : std::int32_t { IsActive = 1, IsStereo = 2, UseSpeaker = 4 };
}

/** Description of one input or output (EffectOpcode::GetInputProperties, GetOutputProperties). */
struct VstPinProperties
{
    char label[64];
    std::int32_t flags;             // PinFlag bits
    std::int32_t arrangementType;   // SpeakerArrangementType
    char shortLabel[8];
    char future[48];
};

static_assert (sizeof (VstPinProperties) == 128);
static_assert (offsetof (VstPinProperties, flags) == 64);
static_assert (offsetof (VstPinProperties, arrangementType) == 68);
static_assert (offsetof (VstPinProperties, shortLabel) == 72);
static_assert (offsetof (VstPinProperties, future) == 80);

/** Values of VstSpeakerArrangement::arrangementType (the ones this program uses). */
namespace SpeakerArrangementType
{
enum : std::int32_t { UserDefined = -2, Empty = -1, Mono = 0, Stereo = 1 };
}

/** Values of VstSpeakerProperties::speakerType (the ones this program uses). */
namespace SpeakerType
{
enum : std::int32_t { Mono = 0, Left = 1, Right = 2 };
}

struct VstSpeakerProperties
{
    float coordinates[4];           // azimuth, elevation, radius, reserved
    char speakerName[64];           // zero-terminated within the 64 bytes
    std::int32_t speakerType;
    char trailingBytes[28];
};

static_assert (sizeof (VstSpeakerProperties) == 112);
static_assert (offsetof (VstSpeakerProperties, speakerName) == 16);
static_assert (offsetof (VstSpeakerProperties, speakerType) == 80);
static_assert (offsetof (VstSpeakerProperties, trailingBytes) == 84);

/** A speaker arrangement. The block is 8 + 112 × numChannels bytes; it is declared with room for
    eight speakers, but may hold fewer or more, so reach them with speakerAt. */
struct VstSpeakerArrangement
{
    std::int32_t arrangementType;   // SpeakerArrangementType
    std::int32_t numChannels;
    VstSpeakerProperties speakers[8];
};

static_assert (offsetof (VstSpeakerArrangement, numChannels) == 4);
static_assert (offsetof (VstSpeakerArrangement, speakers) == 8);

/** Size of an arrangement block for `numChannels` speakers. */
constexpr std::size_t speakerArrangementSize (std::int32_t numChannels)
{
    return offsetof (VstSpeakerArrangement, speakers) + sizeof (VstSpeakerProperties) * static_cast<std::size_t> (numChannels);
}

inline VstSpeakerProperties* speakerAt (VstSpeakerArrangement& arrangement, std::int32_t i)
{
    return &arrangement.speakers[0] + i;
}

//==============================================================================
// Records that the effect base only passes through between the host and a subclass.

struct VstParameterProperties;
struct VstPatchChunkInfo;
struct VstVariableIo;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstFileSelect;
struct VstOfflineTask;
struct VstAudioFile;
struct __VstWindowDeprecated;

enum VstOfflineOption : std::int32_t
{
    OfflineAudio = 0,
    OfflinePeaks = 1,
    OfflineParameter = 2,
    OfflineMarker = 3,
    OfflineCursor = 4,
    OfflineSelection = 5,
    OfflineQueryFiles = 6
};
