// The effect's requests to its editor: installing it, refreshing its controls, resizing it and the questions
// parameter handling asks of it. Each goes through the editor link and does nothing while the plug-in has no
// editor or no editor is open.
#include "effect/Drovik.h"

void Drovik::AttachEditor(std::unique_ptr<DrovikEditorLink> editor)
{
  mEditor = std::move(editor);
  InitPlugControls();
}

bool Drovik::EditorLinked() const { return mEditor && EditorIsOpen(); }

void Drovik::InitPlugControls()
{
  if (mEditor) mEditor->Install(*this);
}

int Drovik::ParamUnderMouse() const { return EditorLinked() ? mEditor->ParamUnderMouse(*this) : -1; }

std::string Drovik::ChosenPresetPath() const
{
  return EditorLinked() ? mEditor->ChosenPresetPath(*this) : std::string();
}

void Drovik::UpdateControlStates()
{
  if (EditorLinked()) mEditor->UpdateControlStates(*this);
}

void Drovik::UpdateMeterDisplay()
{
  if (EditorLinked()) mEditor->UpdateMeterDisplay(*this);
}

void Drovik::OnHostBypass()
{
  RequestEditorWork(kEditorControlStates);
  RaiseMeterUpdate();
}

void Drovik::SyncParamToMember(int idx, Mirror<int>& member)
{
  const plug::IParam* p = GetParam(idx);
  if (!p) return;
  const int value = p->Int();
  if (value != member) member = value;
  UpdateControlStates();
}

bool Drovik::KnobValueOverlay(int controlIdx) const
{
  return EditorLinked() && mEditor->KnobShowsValue(*this, controlIdx);
}

void Drovik::RequestEditorWork(unsigned what)
{
  // Any thread may ask: only the delegate's open flag is read here, never the editor itself (it may be closing
  // on the main thread right now). Work that arrives as the editor closes is dropped at the next tick.
  if (EditorWindowOpen()) mPendingEditorWork.fetch_or(what, std::memory_order_release);
}

void Drovik::RunPendingEditorWork()
{
  const unsigned work = mPendingEditorWork.exchange(0, std::memory_order_acquire);
  if (!work || !EditorIsOpen()) return;
  if (work & kEditorControlStates) UpdateControlStates();
  if (!EditorLinked()) return;
  if (work & kEditorResize) mEditor->ResizeEditor(*this, mGUIScale);
  if (work & kEditorApplyScale)
  {
    mGUIScale = mEditor->EditorDrawScale(*this);
    SetParamFromDouble(kGUIScale, mGUIScale);
  }
  if (work & kEditorResetScale)
  {
    mGUIScale = 1.0;
    mEditor->ResizeEditor(*this, 1.0);
    SetParamFromDouble(kGUIScale, 1.0);
  }
}
