// A generic chain of block processors run one after the other, over a doubly linked list with a cursor.
// The effect itself never builds one; it is kept for processors that want to be stacked.
#pragma once

/// One stage of a ProcessorChain.
class ChainProcessor
{
public:
  virtual ~ChainProcessor() = default;
  virtual void Init(int nChannels, double sampleRate) = 0;
  virtual void Process(double** inputs, double** outputs, int nFrames) = 0;
};

/// Doubly linked list of processors with a cursor (the last node reached and its index, -1 when empty).
class ProcessorList
{
public:
  enum EOwnership
  {
    kNotOwned = 0,
    kDeleteItems = 1,  // items are deleted with the list
    kFreeFunction = 2, // the stored free function is called for each item
  };
  using FreeFn = void (*)(ChainProcessor*);

  explicit ProcessorList(EOwnership ownership = kDeleteItems, FreeFn freeFn = nullptr);
  ~ProcessorList();
  ProcessorList(const ProcessorList&) = delete;
  ProcessorList& operator=(const ProcessorList&) = delete;

  /// Places the item last and moves the cursor to it.
  void Append(ChainProcessor* item);
  /// The item at index, walking the cursor from where it stands; null for an index out of range.
  ChainProcessor* Get(int index);
  int Count() const { return mCount; }
  int CursorIndex() const { return mCursorIndex; }

private:
  struct Node
  {
    Node* prev;
    Node* next;
    ChainProcessor* item;
  };

  Node* mFirst = nullptr;
  Node* mLast = nullptr;
  Node* mCursor = nullptr;
  int mCursorIndex = -1;
  int mCount = 0;
  EOwnership mOwnership;
  FreeFn mFreeFn;
};

/// Runs the processors of its list in order, each on the previous one's output. [not for the audio thread:
/// Process allocates its temporary buffers]
class ProcessorChain
{
public:
  explicit ProcessorChain(ProcessorList::EOwnership ownership = ProcessorList::kDeleteItems,
                          ProcessorList::FreeFn freeFn = nullptr)
    : mList(ownership, freeFn)
  {
  }

  ProcessorList& List() { return mList; }
  /// Hands the channel count and rate to every processor in list order.
  void Init(int nChannels, double sampleRate);
  void Process(double** inputs, double** outputs, int nFrames);

private:
  int mChannels = 0;
  double mSampleRate = 0.0;
  ProcessorList mList;
};
