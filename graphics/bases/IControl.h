// The base of every control the graphics context holds: its draw and hit rectangles, text style and blend, value
// slots bound to parameters, flags, tooltip and corner marker, and the action, animation and gesture functions.
// The context draws it, hit-tests it and hands it pointer, wheel, key, drop, gesture, menu and text events
// through the virtual operations below; the editor delegate reaches it through its value slots.
// Every operation runs on the main thread.
#pragma once

#include <initializer_list>
#include <unordered_map>
#include <vector>

#include "core/LibString.h"
#include "core/Messages.h"
#include "graphics/types/GraphicsConstants.h"
#include "graphics/types/GraphicsTypes.h"
#include "graphics/types/IBlend.h"
#include "graphics/types/IColor.h"
#include "graphics/types/IMouse.h"
#include "graphics/types/IRECT.h"
#include "graphics/types/IText.h"

namespace plug {
class IParam;
namespace igraphics {

class IGEditorDelegate;
class IGraphics;
class IPopupMenu;

class IControl
{
public:
  /// Length of an animation that no one gives a length.
  static constexpr int kDefaultAnimationDurationMs = 100;
  /// Longest text a text entry opened for a control takes, unless the control says otherwise.
  static constexpr int kDefaultTextEntryLength = 7;
  /// Blend weight of a disabled control.
  static constexpr float kDisabledBlendWeight = 0.25f;
  /// Grid of the values SnapToMouse produces.
  static constexpr double kSnapGrid = 0.001;

  IControl(const IRECT& bounds, int paramIdx = -1, IActionFn actionFunc = nullptr);
  IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFn actionFunc = nullptr);
  IControl(const IRECT& bounds, IActionFn actionFunc);
  virtual ~IControl();
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Input. The defaults: a right press prompts for the value under the pointer, a double click restores the
  // default, hover marks the control dirty when it changes.
  virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
  virtual void OnMouseUp(float x, float y, const IMouseMod& mod) {}
  virtual void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) {}
  virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  virtual void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) {}
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) { return false; }
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) { return false; }
  virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
  virtual void OnMouseOut();
  virtual void OnTouchCancelled(float x, float y, const IMouseMod& mod) {}
  virtual void OnDrop(const char* path) {}

  // Life cycle hooks: attach runs OnInit, OnResize, OnRescale, then OnAttached once the control is listed.
  virtual void OnRescale() {}
  virtual void OnResize() {}
  virtual void OnInit() {}
  virtual void OnAttached() {}

  // Messages from the delegate.
  virtual void OnMsgFromDelegate(int msgTag, int dataSize, const void* data) {}
  virtual void OnMidi(const IMidiMsg& msg) {}
  virtual bool OnGesture(float x, float y, const IGestureInfo& info);

  // Menus and text entry.
  virtual void CreateContextMenu(IPopupMenu& contextMenu) {}
  /// Turns the chosen item of a parameter menu into the value of slot valIdx.
  virtual void OnPopupMenuSelection(IPopupMenu* selectedMenu, int valIdx);
  virtual void OnTextEntryCompletion(const char* str, int valIdx) {}
  virtual void OnContextSelection(int itemSelected) {}

  // Drawing.
  virtual void Draw(IGraphics& g) = 0;
  virtual void DrawCornerMarker(IGraphics& g);

  // Values.
  /// Binds slot valIdx to a parameter; throws std::out_of_range for a slot that does not exist.
  virtual void SetParamIdx(int paramIdx, int valIdx = 0);
  /// The slot a pointer at (x, y) changes: 0 for a one-slot control, else -1 (all).
  virtual int GetValIdxForPos(float x, float y) const { return NValues() == 1 ? 0 : -1; }
  /// A value from the plug-in: only redraws, and is dropped while the user drags the control.
  virtual void SetValueFromDelegate(double value, int valIdx = 0);
  /// A value the user chose: stored, sent to the delegate and the peers, and the action runs.
  virtual void SetValueFromUserInput(double value, int valIdx = 0);
  virtual void SetValueToDefault(int valIdx = -1);
  /// Stores the value as given: no clamp, no redraw, no notification. A slot that does not exist is ignored.
  virtual void SetValue(double value, int valIdx = 0);

  // Geometry and state.
  virtual void SetPosition(float x, float y);
  virtual void SetSize(float w, float h);
  virtual void SetHidden(bool hide);
  virtual void SetDisabled(bool disable);
  /// Inside the hit rectangle (left and top edges in, right and bottom out); never for an empty one.
  virtual bool HitTest(float x, float y) const;
  /// Clamps, marks dirty and, with triggerAction, tells the delegate and the peers and runs the action.
  virtual void SetDirty(bool triggerAction = true, int valIdx = -1);
  virtual void SetClean() { mDirty = false; }
  /// True while an animation runs, else the dirty flag.
  virtual bool IsDirty();
  virtual void SpareHookC() {}
  /// Sets the value from a pointer position along bounds, on a 0.001 grid within [lo, hi].
  virtual void SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx = -1,
                           double lo = 0.0, double hi = 1.0);
  /// Ends the running animation: clears it, marks dirty once more, runs the end function.
  virtual void OnEndAnimation();

  // Slot access. Every slot index is checked: a slot that does not exist reads as no parameter and value 0.
  int NValues() const { return static_cast<int>(mValues.size()); }
  int GetParamIdx(int valIdx = 0) const;
  /// The parameter of the slot, or null when the slot, its index or the parameter does not exist.
  const IParam* GetParam(int valIdx = 0) const;
  double GetValue(int valIdx = 0) const;
  /// First slot bound to the parameter, -1 when none.
  int FindValIdxOfParam(int paramIdx) const;
  bool IsLinkedToParam(int paramIdx) const { return FindValIdxOfParam(paramIdx) >= 0; }

  // Prompts.
  void PromptUserInput(int valIdx = 0);
  void PromptUserInputInRect(const IRECT& bounds, int valIdx = 0);

  // Animation, on the graphics context's clock (the monotonic clock while detached).
  void SetAnimation(IAnimationFn func) { mAnimationFn = std::move(func); }
  void SetAnimation(IAnimationFn func, int durationMs)
  {
    mAnimationFn = std::move(func);
    StartAnimation(durationMs);
  }
  IAnimationFn GetAnimationFunction() const { return mAnimationFn; }
  bool HasAnimation() const { return static_cast<bool>(mAnimationFn); }
  void SetEndAnimationFn(IAnimationFn func) { mEndAnimationFn = std::move(func); }
  void StartAnimation(int durationMs);
  double GetAnimationProgress() const;
  /// Runs (a copy of) the animation function, when one is set.
  void Animate();
  double NowMs() const;

  // Action.
  void SetActionFunction(IActionFn func) { mActionFn = std::move(func); }
  IActionFn GetActionFunction() const { return mActionFn; }

  // Marker and gestures.
  void SetCornerMarker(bool on, int colorIdx);
  IControl* AttachGestureFn(EGestureType type, IGestureFn func);
  bool HasGestureFns() const { return !mGestureFns.empty(); }
  int GetLastGesture() const { return mLastGesture; }

  // Accessors.
  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  void SetDelegate(IGEditorDelegate& delegate) { mDelegate = &delegate; }
  IGraphics* GetUI() const { return mGraphics; }
  void SetGraphics(IGraphics* graphics) { mGraphics = graphics; }
  const IRECT& GetRECT() const { return mDrawRect; }
  void SetRECT(const IRECT& r) { mDrawRect = r; }
  const IRECT& GetHitRECT() const { return mHitRect; }
  void SetHitRECT(const IRECT& r) { mHitRect = r; }
  void SetTargetAndDrawRectangles(const IRECT& r)
  {
    mDrawRect = mHitRect = r;
    mMouseIsOver = false;
    OnResize();
  }
  const char* GetGroup() const { return mGroup.Get(); }
  void SetGroup(const char* group) { mGroup.Set(group ? group : ""); }
  const IText& GetText() const { return mText; }
  void SetText(const IText& text) { mText = text; }
  const IBlend& GetBlend() const { return mBlend; }
  void SetBlend(const IBlend& blend) { mBlend = blend; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  const char* GetTooltip() const { return mTooltip.Get(); }
  void SetTooltip(const char* text) { mTooltip.Set(text ? text : ""); }
  bool IsHidden() const { return mHidden; }
  bool IsDisabled() const { return mDisabled; }
  bool GetPromptDisabled() const { return mPromptDisabled; }
  void DisablePrompt(bool disable) { mPromptDisabled = disable; }
  bool GetDblClickAsClick() const { return mDblClickAsClick; }
  void SetDblClickAsClick(bool on) { mDblClickAsClick = on; }
  bool GetMouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
  void SetMouseOverWhenDisabled(bool on) { mMouseOverWhenDisabled = on; }
  bool GetMouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
  void SetMouseEventsWhenDisabled(bool on) { mMouseEventsWhenDisabled = on; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  void SetIgnoreMouse(bool on) { mIgnoreMouse = on; }
  bool GetWantsMidi() const { return mWantsMidi; }
  void SetWantsMidi(bool on) { mWantsMidi = on; }
  bool GetWantsMultiTouch() const { return mTouchFlag; }
  void SetWantsMultiTouch(bool on) { mTouchFlag = on; }
  bool GetParamLabelInEntry() const { return mParamLabelInEntry; }
  void SetParamLabelInEntry(bool on) { mParamLabelInEntry = on; }
  bool GetMouseIsOver() const { return mMouseIsOver; }
  bool GetMarkerOn() const { return mMarkerOn; }
  const IColor& GetMarkerColor() const { return mMarkerColor; }

  // The stock animation and action functions.
  static void AnimationFuncEndWhenDone(IControl* caller);
  static void ActionFuncAnimate(IControl* caller);
  static void ActionFuncBubbleBeside(IControl* caller);
  static void ActionFuncBubbleAbove(IControl* caller);

protected:
  /// The value slot, or null for an index out of range.
  IValueSlot* Slot(int valIdx);
  const IValueSlot* Slot(int valIdx) const;
  /// The parameter's normalised value for a plain value, stepped and clamped as the parameter does.
  static double NormalizedFromPlain(const IParam& p, double v);

  IRECT mDrawRect;
  IRECT mHitRect;
  LibString mGroup;
  IText mText;
  IBlend mBlend;
  int mTextEntryLength = kDefaultTextEntryLength;
  bool mDirty = true;
  bool mHidden = false;
  bool mDisabled = false;
  bool mPromptDisabled = true;
  bool mDblClickAsClick = false;
  bool mMouseOverWhenDisabled = false;
  bool mMouseEventsWhenDisabled = false;
  bool mIgnoreMouse = false;
  bool mWantsMidi = false;
  bool mTouchFlag = false;
  bool mParamLabelInEntry = false;
  bool mMouseIsOver = false;
  LibString mTooltip;
  IColor mMarkerColor{255, 255, 0, 0};
  bool mMarkerOn = false;
  IGEditorDelegate* mDelegate = nullptr;
  IGraphics* mGraphics = nullptr;
  IActionFn mActionFn;
  IAnimationFn mEndAnimationFn;
  IAnimationFn mAnimationFn;
  double mAnimationStartMs = 0.0;
  double mAnimationDurationMs = 0.0;
  std::vector<IValueSlot> mValues;
  std::unordered_map<int, IGestureFn> mGestureFns;
  int mLastGesture = 0;
};

} // namespace igraphics
} // namespace plug
