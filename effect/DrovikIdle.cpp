// The effect's idle handler, run by the framework timer every 20 ms on the main thread, also while no editor is
// open: the latency re-report, then, with the editor open, the requests other threads and menus could only flag.
#include "core/HostId.h"
#include "effect/Drovik.h"

void Drovik::OnIdle()
{
  // Pro Tools takes the latency in its processing callback instead. The latency fields are the plug-in lock's;
  // the idle call never waits for it (a block in progress holds it): the next tick looks again.
  if (GetHost() != plug::kHostProTools && mMutex.TryLock())
  {
    if (GetLatency() != mReportedLatency)
      SetLatency(mReportedLatency);
    mMutex.Unlock();
  }
  // Editor work asked for by parameter changes on any thread is done here, on the main thread.
  RunPendingEditorWork();
  if (!mUIOpen || !EditorLinked()) return;
  // Each flag is cleared before its work runs, so a request raised meanwhile is served at the next tick.
  if (mShowAbout)
  {
    mShowAbout = false;
    mEditor->ShowAbout(*this);
  }
  if (mCheckVersion)
  {
    mCheckVersion = false;
    mEditor->VersionCheckText(*this, kPluginName, kVersionText);
  }
  if (mMsgBoxPending)
  {
    mMsgBoxPending = false;
    mEditor->ShowMessage(*this, mMsgBoxTitle.Get(), mMsgBoxText.Get());
  }
  if (TakeMeterUpdate()) UpdateMeterDisplay();
}
