#include "core/IPluginProcessor.h"

#include <algorithm>
#include <cstring>

namespace plug {

IPluginProcessor::IPluginProcessor(const IPluginConfig& config, int apiId)
  : mPlugType(config.plugType), mDoesMIDIIn(config.plugDoesMidiIn), mDoesMIDIOut(config.plugDoesMidiOut),
    mDoesPolyExpression(config.plugDoesPolyExpression), mLatency(config.latency)
{
  IChannelIOMaxima maxima;
  ParseChannelIOStr(config.channelIOStr, mIOConfigs, maxima);
  const int counts[2] = {std::max(maxima.mNInChannels, 0), std::max(maxima.mNOutChannels, 0)};
  for (int dir = kInput; dir <= kOutput; ++dir)
  {
    mChannelPtrs[dir].assign(static_cast<size_t>(counts[dir]), nullptr);
    mChannelData[dir].resize(static_cast<size_t>(counts[dir]));
    for (int i = 0; i < counts[dir]; ++i)
      mChannelData[dir][static_cast<size_t>(i)].mData = &mChannelPtrs[dir][static_cast<size_t>(i)];
  }
}

IPluginProcessor::~IPluginProcessor() = default;

void IPluginProcessor::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  const int nIn = MaxNChannels(kInput), nOut = MaxNChannels(kOutput);
  const size_t bytes = sizeof(double) * static_cast<size_t>(nFrames);
  for (int i = 0; i < nOut; ++i)
  {
    if (i < nIn)
    {
      if (outputs[i] != inputs[i])
        std::memmove(outputs[i], inputs[i], bytes);
    }
    else
      std::memset(outputs[i], 0, bytes);
  }
}

bool IPluginProcessor::SendMidiMsgs(const IMidiMsg* msgs, int count)
{
  bool ok = true;
  for (int i = 0; i < count; ++i)
    ok = SendMidiMsg(msgs[i]) && ok;
  return ok;
}

void IPluginProcessor::GetBusName(ERoute direction, int busIdx, int nBuses, LibString& text) const
{
  if (direction == kOutput)
  {
    if (nBuses == 1)
      text.Set("Output");
    else
      text.FormatCapped(64, "Output %i", busIdx);
    return;
  }
  if (nBuses == 1)
    text.Set("Input");
  else if (nBuses == 2 && busIdx == 0)
    text.Set("Main");
  else if (nBuses == 2 && busIdx == 1)
    text.Set("Aux");
  else
    text.FormatCapped(64, "Input %i", busIdx);
}

void IPluginProcessor::SetLatency(int samples)
{
  mLatency = samples;
  if (mLatencyDelay)
    mLatencyDelay->Resize(samples);
}

void IPluginProcessor::ReserveLatency(int samples)
{
  if (mLatencyDelay)
    mLatencyDelay->Reserve(samples);
}

void IPluginProcessor::SetBlockSize(int n)
{
  if (n == mBlockSize || n < 0)
    return;
  for (int dir = kInput; dir <= kOutput; ++dir)
  {
    for (IChannelData& channel : mChannelData[dir])
    {
      channel.mScratchBuf.assign(static_cast<size_t>(n), 0.0);
      if (!channel.mConnected) // keep no pointer into the old scratch buffer
        *channel.mData = channel.mScratchBuf.empty() ? nullptr : channel.mScratchBuf.data();
    }
  }
  mBlockSize = n;
}

double IPluginProcessor::GetSamplesPerBeat() const
{
  return mTimeInfo.mTempo > 0.0 ? mSampleRate * 60.0 / mTimeInfo.mTempo : 0.0;
}

int IPluginProcessor::GetAUComponentType() const
{
  const char* type = mPlugType == kPlugTypeMIDIEffect  ? "aumi"
                     : mPlugType == kPlugTypeInstrument ? "aumu"
                     : mDoesMIDIIn                      ? "aumf"
                                                        : "aufx";
  return int((unsigned(type[0]) << 24) | (unsigned(type[1]) << 16) | (unsigned(type[2]) << 8) | unsigned(type[3]));
}

int IPluginProcessor::MaxNBuses(ERoute direction, int* configIdx) const
{
  int most = 0, at = -1;
  for (int i = 0; i < NChannelIOConfigs(); ++i)
  {
    const int n = mIOConfigs[static_cast<size_t>(i)].NBuses(direction);
    if (at < 0 || n > most)
    {
      most = n;
      at = i;
    }
  }
  if (configIdx)
    *configIdx = at;
  return most;
}

int IPluginProcessor::GetIOConfigWithChanCounts(const std::vector<int>& inBuses,
                                                const std::vector<int>& outBuses) const
{
  for (int i = 0; i < NChannelIOConfigs(); ++i)
  {
    const IChannelIOConfig& io = mIOConfigs[static_cast<size_t>(i)];
    auto matches = [&io](ERoute dir, const std::vector<int>& counts) {
      if (io.NBuses(dir) != static_cast<int>(counts.size()))
        return false;
      for (size_t b = 0; b < counts.size(); ++b)
        if (io.mBuses[dir][b].mNChannels != counts[b])
          return false;
      return true;
    };
    if (matches(kInput, inBuses) && matches(kOutput, outBuses))
      return i;
  }
  return -1;
}

int IPluginProcessor::MaxNChannelsForBus(ERoute direction, int busIdx) const
{
  if (!mIOConfigs.empty())
    for (const IChannelBus& bus : mIOConfigs.front().mBuses[direction])
      if (bus.mNChannels == kWildcardChannels)
        return -1;
  int most = 0;
  for (const IChannelIOConfig& io : mIOConfigs)
    if (busIdx >= 0 && busIdx < io.NBuses(direction))
      most = std::max(most, io.mBuses[direction][static_cast<size_t>(busIdx)].mNChannels);
  return most;
}

const IChannelIOConfig* IPluginProcessor::GetIOConfig(int idx) const
{
  return (idx >= 0 && idx < NChannelIOConfigs()) ? &mIOConfigs[static_cast<size_t>(idx)] : nullptr;
}

bool IPluginProcessor::IsLegalIO(int nIn, int nOut) const
{
  for (const IChannelIOConfig& io : mIOConfigs)
  {
    if ((nIn < 0 || io.mTotal[kInput] == nIn) && (nOut < 0 || io.mTotal[kOutput] == nOut))
      return true;
  }
  return false;
}

bool IPluginProcessor::HasMonoInputConfig() const
{
  for (const IChannelIOConfig& io : mIOConfigs)
    if (io.mTotal[kInput] == 1)
      return true;
  return false;
}

int IPluginProcessor::CountConnectedChannels(ERoute direction) const
{
  int n = 0;
  for (const IChannelData& channel : mChannelData[direction])
    n += channel.mConnected ? 1 : 0;
  return n;
}

bool IPluginProcessor::IsChannelConnected(ERoute direction, int idx) const
{
  return idx >= 0 && idx < MaxNChannels(direction) && mChannelData[direction][static_cast<size_t>(idx)].mConnected;
}

const char* IPluginProcessor::GetChannelLabel(ERoute direction, int idx) const
{
  if (idx < 0 || idx >= MaxNChannels(direction))
    return "";
  return mChannelData[direction][static_cast<size_t>(idx)].mLabel.Get();
}

void IPluginProcessor::SetChannelLabel(ERoute direction, int idx, const char* format, bool zeroBased)
{
  if (idx < 0 || idx >= MaxNChannels(direction) || !format)
    return;
  mChannelData[direction][static_cast<size_t>(idx)].mLabel.FormatCapped(64, format, idx + (zeroBased ? 0 : 1));
}

void IPluginProcessor::SetChannelConnections(ERoute direction, int first, int count, bool connected)
{
  const int end = std::min(first + count, MaxNChannels(direction));
  for (int i = std::max(first, 0); i < end; ++i)
  {
    IChannelData& channel = mChannelData[direction][static_cast<size_t>(i)];
    channel.mConnected = connected;
    if (!connected)
      *channel.mData = channel.mScratchBuf.empty() ? nullptr : channel.mScratchBuf.data();
  }
}

void IPluginProcessor::SetExtraChannelConnections()
{
  SetChannelConnections(kInput, 2, MaxNChannels(kInput) - 2, false);
  SetChannelConnections(kOutput, 2, MaxNChannels(kOutput) - 2, true);
}

void IPluginProcessor::ZeroScratchBuffers()
{
  for (int dir = kInput; dir <= kOutput; ++dir)
    for (IChannelData& channel : mChannelData[dir])
      std::fill(channel.mScratchBuf.begin(), channel.mScratchBuf.end(), 0.0);
}

// The buffers of one block ---------------------------------------------------------------------------------------

namespace {
/// A host pointer array may be null or hold null channels; such channels read silence and write nowhere.
template <class T>
T* HostChannel(T** data, int idx)
{
  return data ? data[idx] : nullptr;
}

/// Hands each connected channel from first up to end its host channel, in the host's order, whatever the
/// sample type.
template <class Channels, class T, class Attach>
void ForEachConnected(Channels& channels, int first, int end, T** data, Attach attach)
{
  int next = 0;
  for (int i = std::max(first, 0); i < end; ++i)
  {
    auto& channel = channels[static_cast<size_t>(i)];
    if (channel.mConnected)
      attach(channel, HostChannel(data, next++));
  }
}
} // namespace

void IPluginProcessor::AttachBuffers(ERoute direction, int first, int count, double** data, int nFrames)
{
  const int end = std::min(first + count, MaxNChannels(direction));
  ForEachConnected(mChannelData[direction], first, end, data, [&](IChannelData& channel, double* host) {
    if (!host)
    {
      host = channel.mScratchBuf.data();
      if (direction == kInput)
        std::fill_n(host, nFrames, 0.0);
    }
    *channel.mData = host;
  });
}

void IPluginProcessor::AttachBuffers(ERoute direction, int first, int count, float** data, int nFrames)
{
  const int end = std::min(first + count, MaxNChannels(direction));
  ForEachConnected(mChannelData[direction], first, end, data, [&](IChannelData& channel, float* host) {
    double* scratch = channel.mScratchBuf.data();
    *channel.mData = scratch;
    if (direction == kInput)
    {
      if (host)
        std::copy(host, host + nFrames, scratch);
      else
        std::fill_n(scratch, nFrames, 0.0);
    }
    else
      channel.mIncomingData = host;
  });
}

void IPluginProcessor::FeedLatencyDelay(int nFrames)
{
  // The delay line's own length decides (read under its lock): the latency may change on another thread.
  if (mLatencyDelay && nFrames > 0)
  {
    LatencyDelayLock lock(*mLatencyDelay);
    mLatencyDelay->Feed(mChannelPtrs[kInput].data(), nFrames);
  }
}

void IPluginProcessor::ProcessBuffers(double, int nFrames)
{
  FeedLatencyDelay(nFrames);
  ProcessBlock(mChannelPtrs[kInput].data(), mChannelPtrs[kOutput].data(), nFrames);
}

void IPluginProcessor::ProcessBuffers(float, int nFrames)
{
  ProcessBuffers(0.0, nFrames);
  ConvertOutputs(nFrames, false);
}

void IPluginProcessor::ProcessBuffersAccumulating(int nFrames)
{
  ProcessBuffers(0.0, nFrames);
  ConvertOutputs(nFrames, true);
}

void IPluginProcessor::ConvertOutputs(int nFrames, bool accumulate)
{
  for (IChannelData& channel : mChannelData[kOutput])
  {
    if (!channel.mConnected || !channel.mIncomingData)
      continue;
    const double* result = *channel.mData;
    float* host = channel.mIncomingData;
    if (accumulate)
      for (int i = 0; i < nFrames; ++i)
        host[i] = float(result[i]) + host[i];
    else
      for (int i = 0; i < nFrames; ++i)
        host[i] = float(result[i]);
  }
}

void IPluginProcessor::PassThroughBuffers(double, int nFrames)
{
  if (mLatencyDelay && nFrames > 0)
  {
    LatencyDelayLock lock(*mLatencyDelay);
    if (mLatencyDelay->GetLength() > 0)
    {
      mLatencyDelay->PassThrough(mChannelPtrs[kInput].data(), mChannelPtrs[kOutput].data(), nFrames);
      return;
    }
  }
  IPluginProcessor::ProcessBlock(mChannelPtrs[kInput].data(), mChannelPtrs[kOutput].data(), nFrames);
}

void IPluginProcessor::PassThroughBuffers(float, int nFrames)
{
  PassThroughBuffers(0.0, nFrames);
  ConvertOutputs(nFrames, false);
}

} // namespace plug
