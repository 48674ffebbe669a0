#include "effect/dsp/processor_chain.h"

#include "effect/dsp/channel_buffers.h"

ProcessorList::ProcessorList(EOwnership ownership, FreeFn freeFn) : mOwnership(ownership), mFreeFn(freeFn) {}

ProcessorList::~ProcessorList()
{
  Node* node = mFirst;
  while (node)
  {
    Node* next = node->next;
    if (mOwnership == kDeleteItems)
      delete node->item;
    else if (mOwnership == kFreeFunction && mFreeFn)
      mFreeFn(node->item);
    delete node;
    node = next;
  }
}

void ProcessorList::Append(ChainProcessor* item)
{
  Node* node = new Node{mLast, nullptr, item};
  if (mLast)
    mLast->next = node;
  else
    mFirst = node;
  mLast = node;
  mCursor = node;
  mCursorIndex = mCount;
  ++mCount;
}

ChainProcessor* ProcessorList::Get(int index)
{
  if (index < 0 || index >= mCount || !mCursor)
    return nullptr;
  while (mCursorIndex < index)
  {
    mCursor = mCursor->next;
    ++mCursorIndex;
  }
  while (mCursorIndex > index)
  {
    mCursor = mCursor->prev;
    --mCursorIndex;
  }
  return mCursor->item;
}

void ProcessorChain::Init(int nChannels, double sampleRate)
{
  mChannels = nChannels;
  mSampleRate = sampleRate;
  for (int i = 0; i < mList.Count(); ++i)
    if (ChainProcessor* p = mList.Get(i))
      p->Init(nChannels, sampleRate);
}

void ProcessorChain::Process(double** inputs, double** outputs, int nFrames)
{
  if (nFrames <= 0 || mChannels <= 0)
    return;
  const int count = mList.Count();
  if (count == 0)
  {
    CopyChannelBuffers(inputs, outputs, nFrames, mChannels, 0);
    return;
  }
  double** a = AllocChannelBuffers(nFrames, mChannels);
  double** b = AllocChannelBuffers(nFrames, mChannels);
  CopyChannelBuffers(inputs, a, nFrames, mChannels, 0);
  for (int i = 0; i < count; ++i)
  {
    if (ChainProcessor* p = mList.Get(i))
    {
      p->Process(a, b, nFrames);
      double** t = a;
      a = b;
      b = t;
    }
  }
  CopyChannelBuffers(a, outputs, nFrames, mChannels, 0);
  FreeChannelBuffers(a, mChannels);
  FreeChannelBuffers(b, mChannels);
}
