// Our own definitions of the VST 2.x plug-in interface as it is laid out in memory on x86-64 Linux:
// the effect record, the dispatcher and host-callback opcodes, events, time info, pin, parameter and speaker
// records. Written from the interface's published layout; the static_asserts below pin every size and offset.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst2 {

struct Effect;

using HostCallback = intptr_t (*)(Effect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt);
using DispatcherFn = intptr_t (*)(Effect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                    float opt);
using ProcessFn = void (*)(Effect* effect, float** inputs, float** outputs, int32_t frames);
using ProcessDoubleFn = void (*)(Effect* effect, double** inputs, double** outputs, int32_t frames);
using SetParameterFn = void (*)(Effect* effect, int32_t index, float normalised);
using GetParameterFn = float (*)(Effect* effect, int32_t index);

/// The signature of the exported entry points ("VSTPluginMain" and the legacy "main").
using EntryFn = Effect* (*)(HostCallback host);

constexpr int32_t kEffectMagic = 0x56737450;   // 'VstP'
constexpr int32_t kIdentifyAnswer = 0x4e764566; // 'NvEf'
constexpr int32_t kChunkMagic = 0x70666674;     // framework chunk header, first word
constexpr int32_t kVstVersion = 2400;

/// The effect record the plug-in hands to the host.
struct Effect
{
  int32_t magic;
  DispatcherFn dispatcher;
  ProcessFn process; // accumulating, deprecated but still filled
  SetParameterFn setParameter;
  GetParameterFn getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;
  intptr_t reserved1;
  intptr_t reserved2;
  int32_t initialDelay;
  int32_t realQualities;
  int32_t offQualities;
  float ioRatio;
  void* object;
  void* user;
  int32_t uniqueID;
  int32_t version;
  ProcessFn processReplacing;
  ProcessDoubleFn processDoubleReplacing;
  char future[56];
};

/// Effect record flags.
enum EffectFlags : int32_t
{
  kFlagHasEditor = 1 << 0,
  kFlagCanMono = 1 << 3,
  kFlagProgramChunks = 1 << 5,
  kFlagIsSynth = 1 << 8,
  kFlagCanReplacing = 1 << 4,
  kFlagCanDoubleReplacing = 1 << 12,
};

/// Requests the host sends through the dispatcher.
enum EffectOpcode : int32_t
{
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditIdle = 19,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetProgramNameIndexed = 29,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effSetSpeakerArrangement = 42,
  effSetBypass = 44,
  effGetEffectName = 45,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effGetTailSize = 52,
  effGetParameterProperties = 56,
  effGetVstVersion = 58,
  effEditKeyDown = 59,
  effEditKeyUp = 60,
  effGetMidiKeyName = 66,
  effStartProcess = 71,
  effStopProcess = 72,
  effGetSpeakerArrangement = 69,
  effLastKnownOpcode = 69,
};

/// Requests the plug-in sends through the host callback.
enum HostOpcode : int32_t
{
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterIOChanged = 13,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterCanDo = 37,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
};

/// Plug-in categories answered to effGetPlugCategory.
enum PlugCategory : int32_t
{
  kCategoryEffect = 1,
  kCategorySynth = 2,
};

/// Event types.
enum EventType : int32_t
{
  kEventMidi = 1,
  kEventSysEx = 6,
};

/// A generic event; the concrete kinds below share its first four fields.
struct Event
{
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  char data[16];
};

struct MidiEvent
{
  int32_t type; // kEventMidi
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t noteLength;
  int32_t noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct SysExEvent
{
  int32_t type; // kEventSysEx
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t dumpBytes;
  intptr_t reserved1;
  char* sysexDump;
  intptr_t reserved2;
};

/// A list of events. Declared with two slots; hosts allocate as many as numEvents needs.
struct Events
{
  int32_t numEvents;
  intptr_t reserved;
  Event* events[2];
};

/// The host's transport state, answered to audioMasterGetTime.
struct TimeInfo
{
  double samplePos;
  double sampleRate;
  double nanoseconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  int32_t timeSignatureNumerator;
  int32_t timeSignatureDenominator;
  int32_t smpteOffset;
  int32_t smpteFrameRate;
  int32_t samplesToNextClock;
  int32_t flags;
};

enum TimeInfoFlags : int32_t
{
  kTimeTransportChanged = 1,
  kTimeTransportPlaying = 1 << 1,
  kTimeTransportCycleActive = 1 << 2,
  kTimeTransportRecording = 1 << 3,
  kTimeNanosecondsValid = 1 << 8,
  kTimePpqPosValid = 1 << 9,
  kTimeTempoValid = 1 << 10,
  kTimeBarsValid = 1 << 11,
  kTimeCyclePosValid = 1 << 12,
  kTimeSignatureValid = 1 << 13,
  kTimeSmpteValid = 1 << 14,
  kTimeClockValid = 1 << 15,
};

/// The editor rectangle answered to effEditGetRect.
struct Rect
{
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

constexpr int kLabelSize = 64;

/// Answer to effGetInputProperties / effGetOutputProperties.
struct PinProperties
{
  char label[kLabelSize];
  int32_t flags;
  int32_t arrangementType;
  char shortLabel[8];
  char future[48];
};

enum PinFlags : int32_t
{
  kPinIsActive = 1 << 0,
  kPinIsStereo = 1 << 1,
  kPinUseSpeaker = 1 << 2,
};

/// Answer to effGetParameterProperties.
struct ParameterProperties
{
  float stepFloat;
  float smallStepFloat;
  float largeStepFloat;
  char label[kLabelSize];
  int32_t flags;
  int32_t minInteger;
  int32_t maxInteger;
  int32_t stepInteger;
  int32_t largeStepInteger;
  char shortLabel[8];
  int16_t displayIndex;
  int16_t category;
  int16_t numParametersInCategory;
  int16_t reserved;
  char categoryLabel[24];
  char future[16];
};

enum ParameterFlags : int32_t
{
  kParamIsSwitch = 1 << 0,
  kParamUsesIntegerMinMax = 1 << 1,
  kParamUsesFloatStep = 1 << 2,
  kParamUsesIntStep = 1 << 3,
};

struct SpeakerProperties
{
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[kLabelSize];
  int32_t type;
  char future[28];
};

constexpr int kMaxSpeakers = 8;

/// Speaker arrangement record: type -1 empty, 0 mono, 1 stereo, -2 user defined.
struct SpeakerArrangement
{
  int32_t type;
  int32_t numChannels;
  SpeakerProperties speakers[kMaxSpeakers];
};

enum SpeakerArrangementType : int32_t
{
  kArrangementUserDefined = -2,
  kArrangementEmpty = -1,
  kArrangementMono = 0,
  kArrangementStereo = 1,
};

// The layout hosts rely on (x86-64, LP64).
static_assert(sizeof(void*) == 8, "the layout below is the 64-bit one");
static_assert(offsetof(Effect, magic) == 0);
static_assert(offsetof(Effect, dispatcher) == 8);
static_assert(offsetof(Effect, process) == 16);
static_assert(offsetof(Effect, setParameter) == 24);
static_assert(offsetof(Effect, getParameter) == 32);
static_assert(offsetof(Effect, numPrograms) == 40);
static_assert(offsetof(Effect, numParams) == 44);
static_assert(offsetof(Effect, numInputs) == 48);
static_assert(offsetof(Effect, numOutputs) == 52);
static_assert(offsetof(Effect, flags) == 56);
static_assert(offsetof(Effect, reserved1) == 64);
static_assert(offsetof(Effect, reserved2) == 72);
static_assert(offsetof(Effect, initialDelay) == 80);
static_assert(offsetof(Effect, ioRatio) == 92);
static_assert(offsetof(Effect, object) == 96);
static_assert(offsetof(Effect, user) == 104);
static_assert(offsetof(Effect, uniqueID) == 112);
static_assert(offsetof(Effect, version) == 116);
static_assert(offsetof(Effect, processReplacing) == 120);
static_assert(offsetof(Effect, processDoubleReplacing) == 128);
static_assert(sizeof(Effect) == 192);
static_assert(sizeof(Event) == 32);
static_assert(sizeof(MidiEvent) == 32);
static_assert(offsetof(MidiEvent, midiData) == 24);
static_assert(sizeof(SysExEvent) == 48);
static_assert(offsetof(SysExEvent, dumpBytes) == 16);
static_assert(offsetof(SysExEvent, sysexDump) == 32);
static_assert(offsetof(Events, events) == 16);
static_assert(sizeof(TimeInfo) == 88);
static_assert(offsetof(TimeInfo, timeSignatureNumerator) == 64);
static_assert(offsetof(TimeInfo, flags) == 84);
static_assert(sizeof(Rect) == 8);
static_assert(sizeof(PinProperties) == 128);
static_assert(offsetof(PinProperties, flags) == 64);
static_assert(sizeof(ParameterProperties) == 152);
static_assert(offsetof(ParameterProperties, label) == 12);
static_assert(offsetof(ParameterProperties, flags) == 76);
static_assert(offsetof(ParameterProperties, shortLabel) == 96);
static_assert(offsetof(ParameterProperties, categoryLabel) == 112);
static_assert(sizeof(SpeakerProperties) == 112);
static_assert(offsetof(SpeakerProperties, type) == 80);
static_assert(sizeof(SpeakerArrangement) == 8 + 8 * 112);

} // namespace vst2
