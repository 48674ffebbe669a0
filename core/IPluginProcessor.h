// The audio side of every plug-in: channel records for every possible input and output channel (from the
// channel-I/O text), the host's buffers attached to them each block (32-bit buffers converted into 64-bit
// scratch buffers), the host's transport state, and the latency delay line that keeps a bypassed plug-in's
// output aligned. ProcessBlock always sees 64-bit channel pointers.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "core/IChannelIO.h"
#include "core/Messages.h"
#include "core/IPluginConfig.h"
#include "core/LatencyDelayLine.h"
#include "core/LibString.h"

namespace plug {

/// The host's transport state for the current block.
struct IHostTimeInfo
{
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mPPQPos = -1.0;
  double mLastBar = -1.0;
  double mCycleStart = -1.0;
  double mCycleEnd = -1.0;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

/// One channel: connection flag, its slot in the pointer array handed to ProcessBlock, the host's 32-bit output
/// buffer, a scratch buffer of block-size doubles and a label.
struct IChannelData
{
  bool mConnected = false;
  double** mData = nullptr;
  float* mIncomingData = nullptr;
  std::vector<double> mScratchBuf;
  LibString mLabel;
};

class IPluginProcessor
{
public:
  /// Sample rate until the host sets one.
  static constexpr double kDefaultSampleRate = 44100.0;

  IPluginProcessor(const IPluginConfig& config, int apiId);
  virtual ~IPluginProcessor();
  IPluginProcessor(const IPluginProcessor&) = delete;
  IPluginProcessor& operator=(const IPluginProcessor&) = delete;

  /// Default: input i to output i for every i below both counts, surplus outputs zeroed. [audio thread]
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  virtual void ProcessMidiMsg(const IMidiMsg& msg) { SendMidiMsg(msg); }
  virtual void ProcessSysEx(const ISysExMsg& msg) {}
  virtual void OnReset() {}
  virtual void OnActivate(bool active) {}
  virtual bool SendMidiMsg(const IMidiMsg& msg) = 0;
  /// SendMidiMsg for each message in order; true when all succeeded (true for none).
  virtual bool SendMidiMsgs(const IMidiMsg* msgs, int count);
  virtual bool SendSysEx(const ISysExMsg& msg) { return false; }
  virtual double GetGainReductionDb() { return 0.0; }
  /// Whether ProcessBlock also runs while the host has bypassed the plug-in, passing the audio through itself
  /// (GetBypassed() tells it so) and keeping its own state running. Otherwise the binding passes the audio
  /// through the latency delay line without calling ProcessBlock.
  virtual bool ProcessesHostBypass() const { return false; }
  /// The host switched its bypass on or off (GetBypassed() already tells the new state). [main or audio thread]
  virtual void OnHostBypass() {}
  virtual void GetBusName(ERoute direction, int busIdx, int nBuses, LibString& text) const;
  /// Stores the latency; the delay line takes the new length, zeroed. Allocates nothing for a latency up to the
  /// one reserved. [main thread, or under the plug-in's own lock]
  virtual void SetLatency(int samples);
  /// Makes room in the delay line for latencies up to samples, so that a later SetLatency up to it allocates
  /// nothing. [any thread, outside the plug-in's own lock; allocates]
  void ReserveLatency(int samples);

  double GetSampleRate() const { return mSampleRate; }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  /// Scratch buffers sized to n doubles and zeroed; unconnected channels re-pointed at them. Allocates.
  void SetBlockSize(int n);
  int GetLatency() const { return mLatency; }
  int GetTailSize() const { return mTailSize; }
  bool GetBypassed() const { return mBypassed; }
  void SetBypassed(bool bypassed) { mBypassed = bypassed; }
  bool GetRenderingOffline() const { return mRenderingOffline; }
  void SetRenderingOffline(bool offline) { mRenderingOffline = offline; }
  int GetPlugType() const { return mPlugType; }
  bool DoesMIDIIn() const { return mDoesMIDIIn; }
  bool DoesMIDIOut() const { return mDoesMIDIOut; }
  const IHostTimeInfo& GetTimeInfo() const { return mTimeInfo; }
  double GetSamplesPerBeat() const;
  /// The Audio Unit component type the plug-in type corresponds to ("aufx", "aumf", "aumu" or "aumi").
  int GetAUComponentType() const;

  // Channels.
  int MaxNChannels(ERoute direction) const { return static_cast<int>(mChannelData[direction].size()); }
  int NChannelIOConfigs() const { return static_cast<int>(mIOConfigs.size()); }
  const IChannelIOConfig* GetIOConfig(int idx) const;
  /// True when a configuration has these totals (negative: any).
  bool IsLegalIO(int nIn, int nOut) const;
  bool HasMonoInputConfig() const;
  /// Largest bus count of a direction over all configurations; configIdx gets the first configuration with it.
  int MaxNBuses(ERoute direction, int* configIdx = nullptr) const;
  /// Index of the configuration whose bus channel counts equal inBuses and outBuses, or -1.
  int GetIOConfigWithChanCounts(const std::vector<int>& inBuses, const std::vector<int>& outBuses) const;
  /// Largest channel count of bus busIdx over all configurations; -1 when the first configuration has a
  /// wildcard bus in that direction.
  int MaxNChannelsForBus(ERoute direction, int busIdx) const;
  int CountConnectedChannels(ERoute direction) const;
  bool IsChannelConnected(ERoute direction, int idx) const;
  const char* GetChannelLabel(ERoute direction, int idx) const;
  void SetChannelLabel(ERoute direction, int idx, const char* format, bool zeroBased = false);
  void SetChannelConnections(ERoute direction, int first, int count, bool connected);
  /// Inputs from index 2 on become unconnected, outputs from index 2 on connected.
  void SetExtraChannelConnections();
  void ZeroScratchBuffers();

  // The buffers of one block. [audio thread]
  void AttachBuffers(ERoute direction, int first, int count, double** data, int nFrames);
  void AttachBuffers(ERoute direction, int first, int count, float** data, int nFrames);
  void PassThroughBuffers(double, int nFrames);
  void PassThroughBuffers(float, int nFrames);
  void ProcessBuffers(double, int nFrames);
  void ProcessBuffers(float, int nFrames);
  void ProcessBuffersAccumulating(int nFrames);

protected:
  void SetTimeInfo(const IHostTimeInfo& info) { mTimeInfo = info; }
  /// Output records of the block back into the host's 32-bit buffers (replacing or adding).
  void ConvertOutputs(int nFrames, bool accumulate);
  /// The delay line fed with (or run over) the inputs of the block.
  void FeedLatencyDelay(int nFrames);

  int mPlugType = kPlugTypeEffect;
  bool mDoesMIDIIn = false;
  bool mDoesMIDIOut = false;
  bool mDoesPolyExpression = false;
  int mLatency = 0;
  double mSampleRate = kDefaultSampleRate;
  int mBlockSize = 0;
  int mTailSize = 0;
  std::atomic<bool> mBypassed{false}; // set from the host's main or audio thread
  bool mRenderingOffline = false;
  std::vector<IChannelIOConfig> mIOConfigs;
  std::vector<double*> mChannelPtrs[2];
  std::vector<IChannelData> mChannelData[2];
  std::unique_ptr<LatencyDelayLine> mLatencyDelay;
  IHostTimeInfo mTimeInfo;
};

} // namespace plug
