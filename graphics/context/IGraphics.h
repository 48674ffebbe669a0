// The graphics context of one open editor. It owns every control of the editor and the special controls, knows
// the editor's size and scales, collects what must be redrawn, turns platform input into control calls, opens
// parameter prompts and menus, and offers drawing utilities. It is abstract: the drawing back end implements its
// drawing operations and the platform layer its platform operations. Everything here runs on the main thread.
#pragma once

#include <algorithm>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <stack>
#include <unordered_map>
#include <vector>

#include "core/EditorContext.h"
#include "core/LibPtrList.h"
#include "core/LibString.h"
#include "core/Messages.h"
#include "foundation/clock.h"
#include "graphics/types/GraphicsTypes.h"
#include "graphics/resources/IBitmap.h"
#include "graphics/types/IBlend.h"
#include "graphics/types/IColor.h"
#include "graphics/bases/IControl.h"
#include "graphics/context/ILayer.h"
#include "graphics/types/IMatrix.h"
#include "graphics/types/IMouse.h"
#include "graphics/bases/IPopupMenu.h"
#include "graphics/types/IRECT.h"
#include "graphics/types/IText.h"
#include "graphics/types/IVStyle.h"
#include "graphics/resources/PlatformFont.h"
#include "graphics/resources/StaticStorage.h"

namespace plug {
namespace igraphics {

class IGEditorDelegate;
class IPopupMenuControl;
class ITextEntryControl;
class ICornerResizerControl;
class IBubbleControl;
class IFPSDisplayControl;

/// Bytes of pixels or of a resource file.
using ByteBuffer = std::vector<uint8_t>;

class IGraphics : public EditorContext
{
public:
  /// Frames per second when the constructor is given none.
  static constexpr int kDefaultFPS = 25;
  /// The draw scale may move between these multiples of the constructor's draw scale.
  static constexpr float kMinScaleFactor = 0.5f;
  static constexpr float kMaxScaleFactor = 2.f;
  /// Where the frame-time display goes and what it is called.
  static constexpr float kFPSDisplayRect[4] = {10.f, 10.f, 210.f, 60.f};
  static constexpr const char* kFPSDisplayLabel = "Frame Time";
  /// Growth of a dirty control's rectangle, covering anti-aliased edges.
  static constexpr float kDirtyPadding = 0.75f;

  using KeyHandlerFunc = std::function<bool(const IKeyPress& key, bool isUp)>;
  using ControlVisitor = std::function<void(IControl& control)>;
  using GestureRegionFunc = std::function<void(IControl*, const IGestureInfo&)>;

  /// Joins the process-wide caches. A scale that is not finite or not above 0 is taken as 1.
  IGraphics(IGEditorDelegate& delegate, int w, int h, int fps = 0, float scale = 1.f);
  /// Ends open host gestures, removes every control and leaves the caches (the last context empties them).
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- 1. Frame and view ----
  /// Takes the frame-time sample for the frame-time display.
  virtual void BeginFrame();
  virtual void OnViewInitialized(void* layer) {}
  virtual void OnViewDestroyed() {}
  virtual void EndFrame() {}
  /// While DrawDirtyRects draws a frame: the regions it draws into, in points, pixel-aligned; else null (the
  /// frame's extent is not known).
  const IRECTList* GetDrawnRegions() const { return mDrawingRegions ? &mDrawnRegions : nullptr; }

  // ---- 2. Drawing primitives (the back end) ----
  virtual void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend = nullptr) = 0;
  virtual void DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                              double angle, const IBlend* blend = nullptr) = 0;
  virtual void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY,
                          const IBlend* blend = nullptr) = 0;
  virtual void DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend = nullptr) = 0;
  virtual void DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                 const IBlend* blend = nullptr) = 0;
  virtual void DrawPoint(const IColor& color, float x, float y, const IBlend* blend = nullptr) = 0;
  virtual void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                        float thickness = 1.f) = 0;
  virtual void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                              const IBlend* blend = nullptr, float thickness = 1.f, float dashLen = 2.f) = 0;
  virtual void DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* blend = nullptr, float thickness = 1.f) = 0;
  virtual void DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                        float thickness = 1.f) = 0;
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* blend = nullptr, float thickness = 1.f) = 0;
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft,
                             float radiusBottomRight, const IBlend* blend = nullptr, float thickness = 1.f) = 0;
  virtual void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* blend = nullptr, float thickness = 1.f) = 0;
  virtual void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr,
                          float thickness = 1.f) = 0;
  virtual void DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                           float thickness = 1.f) = 0;
  virtual void DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlend* blend = nullptr, float thickness = 1.f) = 0;
  virtual void DrawConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* blend = nullptr,
                                 float thickness = 1.f) = 0;
  virtual void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                              float thickness = 1.f, float dashLen = 2.f) = 0;
  virtual void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* blend = nullptr) = 0;
  virtual void FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr) = 0;
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* blend = nullptr) = 0;
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft,
                             float radiusBottomRight, const IBlend* blend = nullptr) = 0;
  virtual void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr) = 0;
  virtual void FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr) = 0;
  virtual void FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlend* blend = nullptr) = 0;
  virtual void FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* blend = nullptr) = 0;
  virtual void FillConvexPolygon(const IColor& color, float* x, float* y, int nPoints,
                                 const IBlend* blend = nullptr) = 0;

  // ---- 3. Text, pixels, bitmaps, fonts, layers ----
  /// Writes the text's extent into bounds and returns the back end's measure; 0 for a null or empty text.
  virtual float MeasureText(const IText& text, const char* str, IRECT& bounds) const;
  virtual IColor GetPixelColor(float x, float y) = 0;
  virtual void* GetDrawContext() = 0;
  virtual const char* GetDrawingAPIStr() = 0;
  virtual IBitmap ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale);
  virtual void RetainBitmap(const IBitmap& bitmap, const char* cacheName);
  virtual void ReleaseBitmap(const IBitmap& bitmap);
  virtual bool BitmapExtSupported(const char* ext) = 0;
  virtual void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.f,
                                  float roundness = 0.f, float blur = 10.f, const IBlend* blend = nullptr)
  {
  }
  virtual void DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                        const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawData(const IColor& color, const IRECT& bounds, float* normYPoints, int nPoints,
                        float* normXPoints = nullptr, const IBlend* blend = nullptr, float thickness = 1.f)
  {
  }
  virtual bool LoadFont(const char* fontID, const char* fileNameOrResID);
  virtual bool LoadFontFromData(const char* fontID, void* data, int dataSize);
  virtual void ReadLayerPixels(const ILayerPtr& layer, ByteBuffer& data) = 0;
  virtual void ApplyShadowMask(const ILayerPtr& layer, ByteBuffer& mask, const IShadowStyle& shadow) = 0;
  virtual void SetLayerPixels(const ILayerPtr& layer, ByteBuffer& data) = 0;
  virtual void UpdateLayer() {}
  /// The byte of a layer pixel that holds alpha.
  virtual int AlphaChannelIndex() const = 0;
  /// True when layer pixel rows are stored bottom row first.
  virtual bool LayerPixelsFlipped() const = 0;
  virtual bool SupportsPaths() const { return false; }

  // ---- 4. Paths (the back end; empty here) ----
  virtual void PathClear() {}
  virtual void PathClose() {}
  virtual void PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3) {}
  virtual void PathRect(const IRECT& bounds) {}
  virtual void PathRoundRect(const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft, float radiusBottomRight) {}
  virtual void PathRoundRect(const IRECT& bounds, float cornerRadius = 0.f) {}
  virtual void PathArc(float cx, float cy, float r, float a1, float a2, bool clockwise = true) {}
  virtual void PathCircle(float cx, float cy, float r) {}
  virtual void PathEllipse(const IRECT& bounds) {}
  virtual void PathEllipse(float x, float y, float r1, float r2, float angle = 0.f) {}
  virtual void PathConvexPolygon(float* x, float* y, int nPoints) {}
  virtual void PathMoveTo(float x, float y) {}
  virtual void PathLineTo(float x, float y) {}
  /// Makes the last sub-path a hole (true) or solid (false).
  virtual void PathSetWinding(bool hole) {}
  virtual void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) {}
  virtual void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) {}
  virtual void PathStroke(const IPaintPattern& pattern, float thickness, const IStrokeStyle& options = IStrokeStyle(),
                          const IBlend* blend = nullptr)
  {
  }
  virtual void PathFill(const IPaintPattern& pattern, const IFillStyle& options = IFillStyle(),
                        const IBlend* blend = nullptr)
  {
  }
  virtual void PathTransformSave() {}
  virtual void PathTransformRestore() {}
  virtual void PathTransformReset(bool clearStates = false) {}
  virtual void PathTransformTranslate(float x, float y) {}
  virtual void PathTransformScale(float x, float y) {}
  virtual void PathTransformScale(float scale) {}
  virtual void PathTransformRotate(float angle) {}
  virtual void PathTransformSkew(float xAngle, float yAngle) {}
  virtual void PathTransformMatrix(const IMatrix& matrix) {}
  /// An empty rectangle removes the clip.
  virtual void PathClipRegion(const IRECT& r = IRECT()) {}
  /// Brackets one control's drawing: everything drawn in between is clipped to clip.
  virtual void PrepareRegion(const IRECT& clip) = 0;
  virtual void FinishRegion(const IRECT& clip) {}

  // ---- 5. Platform (the platform layer) ----
  virtual void AttachPlatformView(const IRECT& r, void* view) {}
  virtual void RemovePlatformView(void* view) {}
  /// The pointer position in graphics coordinates.
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  virtual void HideMouseCursor(bool hide = true, bool lock = true) = 0;
  virtual void MoveMouseCursor(float x, float y) = 0;
  /// Shows the cursor of that kind and returns the kind shown before.
  virtual int SetMouseCursor(int cursorType = kArrowCursor);
  virtual void EndUserInput(bool success) = 0;
  void* OpenWindow(void* pParent) override = 0;
  void CloseWindow() override = 0;
  virtual void* GetWindow() = 0;
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual bool GetTextFromClipboard(LibString& str) = 0;
  virtual bool SetTextInClipboard(const char* str) = 0;
  virtual void UpdateTooltips() = 0;
  virtual int ShowMessageBox(const char* str, const char* caption, int type,
                             std::function<void(int result)> completion = nullptr) = 0;
  virtual void PromptForFile(LibString& fileName, LibString& path, int action = 0, const char* ext = "") = 0;
  virtual bool PromptForDirectory(LibString& dir) = 0;
  virtual bool PromptForColor(IColor& color, const char* str = "",
                              std::function<void(const IColor&)> func = nullptr) = 0;
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
                       const char* errMsgOnFailure = nullptr) = 0;
  virtual const char* GetPlatformAPIName() { return ""; }
  virtual bool RevealPathInFinder(LibString& path, bool select = false) { return false; }
  virtual void SetModuleHandle(void* handle) {}
  /// The module handle resource lookup searches; 0 for the plug-in's own bundle.
  virtual void* GetModuleHandle() { return nullptr; }
  virtual void SetPlatformContext(void* context) { mPlatformContext = context; }
  virtual void SparePlatformHook(void*) {}
  virtual PlatformFontPointer LoadFontFromResource(const char* fontID, const char* fileNameOrResID) = 0;
  virtual PlatformFontPointer LoadFontFromMemory(const char* fontID, void* data, int dataSize) = 0;
  virtual PlatformFontPointer LoadFontByName(const char* fontID, const char* familyName, int style) = 0;
  virtual void CachePlatformFont(const char* fontID, const PlatformFontPointer& font) = 0;
  virtual const char* GetBundleID() { return ""; }
  virtual void ActivateContext() {}
  virtual void DeactivateContext() {}
  virtual void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                       const char* str) = 0;
  /// A key the host sent to the editor (instead of the window system): true when the platform took it, as an
  /// open platform text field does.
  virtual bool OnHostKey(const IKeyPress& key, bool isUp) { return false; }
  /// Shows the menu; returns the menu that holds the chosen item, or null. isAsync stays false for a modal menu.
  virtual IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) = 0;

  // ---- 6. Sizing hooks ----
  virtual int SpareSizingQuery() const { return 0; }
  /// Multiplies the sizes handed to the delegate on every resize.
  virtual float PlatformSizeFactor() const { return 1.f; }
  virtual void SpareSizingHook() {}
  virtual void PlatformResize(bool parentHasResized) {}
  virtual void DrawResize() {}

  // ---- 7. Resources ----
  /// targetScale 0 means the screen scale.
  virtual IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                             int targetScale = 0);
  virtual IBitmap LoadBitmapFromData(const char* name, const uint8_t* data, int dataSize, int nStates = 1,
                                     bool framesAreHorizontal = false, int targetScale = 0);
  virtual ISVG LoadSVG(const char* name, const char* units = "px", float dpi = 72.f);
  virtual ISVG LoadSVGFromData(const char* name, const char* data, int dataSize, const char* units = "px",
                               float dpi = 72.f);
  virtual ByteBuffer LoadResource(const char* name, const char* type);
  virtual void AddGestureType(EGestureType type);

  // ---- 8. Back end ----
  virtual bool IsContextReady() const { return false; }
  virtual void SetContextReady(bool ready) {}
  virtual APIBitmap* LoadAPIBitmap(const char* path, int scale, int location, const char* ext) = 0;
  virtual APIBitmap* LoadAPIBitmapData(const char* name, const void* data, int dataSize, int scale) = 0;
  virtual APIBitmap* CreateAPIBitmap(int width, int height, int screenScale, double drawScale,
                                     bool cacheable = false) = 0;
  virtual bool LoadAPIFont(const char* fontID, const PlatformFontPointer& font) = 0;
  virtual bool SpareBackEndQuery() { return true; }
  virtual void FirstSpareBackEndHook() {}
  virtual void SecondSpareBackEndHook() {}
  virtual float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const = 0;
  virtual void DoDrawText(const IText& text, const char* str, const IRECT& bounds,
                          const IBlend* blend = nullptr) = 0;
  /// Screen scale times draw scale of the current target.
  virtual float GetBackingPixelScale() const { return static_cast<float>(mScreenScale) * mDrawScale; }

  // ==== Control list ====
  /// Lists the control with its tag (-1: none) and group. A tag already in use refuses the control (null is
  /// returned and the control stays with the caller).
  IControl* AttachControl(IControl* control, int tag = -1, const char* group = "");
  void AttachCornerResizer(ICornerResizerControl* control, EResizerMode sizeMode = kResizerScale,
                           bool layoutOnResize = false);
  void AttachCornerResizer(EResizerMode sizeMode = kResizerScale, bool layoutOnResize = false,
                           const IColor& color = IColor(255, 70, 70, 70),
                           const IColor& mouseOverColor = IColor(255, 0, 0, 0),
                           const IColor& dragColor = IColor(255, 0, 0, 0), float size = 20.f);
  void AttachPopupMenuControl(const IText& text = IText(), const IRECT& bounds = IRECT());
  /// Installs a popup control built by the caller; one already installed keeps its place and control is deleted.
  void AttachPopupMenuControl(IPopupMenuControl* control);
  void RemovePopupMenuControl();
  void AttachTextEntryControl();
  /// Installs a text-entry control built by the caller; as for the popup control.
  void AttachTextEntryControl(ITextEntryControl* control);
  void RemoveTextEntryControl();
  void AttachBackground(const char* fileName);
  void AttachSVGBackground(const char* fileName);
  void AttachPanelBackground(const IPaintPattern& color);
  void ShowFPSDisplay(bool enable);

  /// The control of the tag, or null when no control carries it.
  IControl* GetControlByTag(int tag) const;
  IControl* GetControl(int idx) const { return mControls.Get(idx); }
  int NControls() const { return mControls.GetSize(); }
  /// Index of the control in the list, -1 when it is not listed.
  int GetControlIdx(IControl* control) const;
  /// The parameter of value 0 of the control at the index, -1 when none.
  int GetControlParamIdx(int idx) const;

  /// Deletes the control when it is listed (a control that is not listed is left alone).
  void RemoveControl(IControl* control);
  void RemoveControl(int idx);
  void RemoveControls(int fromIdx);
  /// Takes the control of the tag out of the list without deleting it.
  void RemoveControlWithTag(int tag);
  void RemoveAllControls();

  /// Index-checked: an index outside the list changes nothing.
  void SetControlPosition(int idx, float x, float y);
  void SetControlSize(int idx, float w, float h);
  void SetControlBounds(int idx, const IRECT& r);

  /// Every listed control, then the FPS display, corner resizer, text-entry and popup controls, then bubbles.
  void VisitControls(const ControlVisitor& func);
  void VisitListedControls(const ControlVisitor& func);
  template <class Method, class... Args>
  void ForAllControls(Method method, Args... args)
  {
    VisitControls([&](IControl& c) { (c.*method)(args...); });
  }
  /// Listed controls with a value linked to the parameter.
  void VisitMatchingControls(int paramIdx, const ControlVisitor& func);
  template <class Method, class... Args>
  void ForMatchingControls(Method method, int paramIdx, Args... args)
  {
    VisitMatchingControls(paramIdx, [&](IControl& c) { (c.*method)(args...); });
  }
  void VisitControlsInGroup(const char* group, const ControlVisitor& func);
  void HideParamControls(int paramIdx, bool hide);
  void DisableParamControls(int paramIdx, bool disable);
  void SetParamCornerMarkers(int paramIdx, bool on, int colorIdx);
  void SetAllControlsDirty();
  void SetAllControlsClean();
  void CallAllSpareHooks();
  /// Gives the caller's value valIdx to every other listed control bound to the same parameter.
  void UpdatePeers(IControl* caller, int valIdx);
  void AssignParamNameToolTips();

  // ==== Size and scale ====
  /// Clamps the size to the delegate's limits and the scale to this context's, then resizes the platform,
  /// tells the controls and redraws. Unchanged size and scale change nothing.
  void Resize(int w, int h, float scale, bool needsPlatformResize = true) final;
  /// A scale that is not finite or not above 0 is refused.
  void SetScreenScale(int scale) final;
  void SetLayoutOnResize(bool layoutOnResize) { mLayoutOnResize = layoutOnResize; }
  void EnableTooltips(bool enable);
  void EnableMouseOver(bool enable) { mEnableMouseOver = enable; }
  void EnableMultiTouch(bool enable) { mEnableMultiTouch = enable; }
  int Width() const final { return mEditorWidth; }
  int Height() const final { return mEditorHeight; }
  int WindowWidth() const { return static_cast<int>(static_cast<float>(mEditorWidth) * mDrawScale); }
  int WindowHeight() const { return static_cast<int>(static_cast<float>(mEditorHeight) * mDrawScale); }
  IRECT GetBounds() const { return IRECT(0.f, 0.f, float(mEditorWidth), float(mEditorHeight)); }
  int FPS() const { return mFPS; }
  float GetDrawScale() const final { return mDrawScale; }
  int GetScreenScale() const { return mScreenScale; }
  float GetMinScale() const { return mMinScale; }
  /// The draw scales resizing may reach, taken in either order.
  void SetScaleConstraints(float lo, float hi) { mMinScale = std::min(lo, hi), mMaxScale = std::max(lo, hi); }
  float GetMaxScale() const { return mMaxScale; }
  bool TooltipsEnabled() const { return mEnableTooltips; }
  bool MouseOverEnabled() const { return mEnableMouseOver; }
  bool IsResizingInProgress() const { return mResizingInProcess; }
  void StartResizeGesture() { mResizingInProcess = true; }
  int GetResizerMode() const { return mResizerMode; }
  void SetResizerMode(int mode) { mResizerMode = mode; }
  int GetCursorType() const { return mCursorType; }
  bool CursorIsHidden() const { return mCursorHidden; }
  void* GetPlatformContext() const { return mPlatformContext; }
  IGEditorDelegate* GetDelegate() const { return mDelegate; }

  // ==== What the delegate hands on (the EditorContext side of this context) ====
  IGraphics* GetGraphics() final { return this; }
  void SetParamValueOnControls(int paramIdx, double normalized) final;
  void SetControlValueByTag(int ctrlTag, double normalized) final;
  void SendMsgToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data) final;
  void SendMidiMsgToControls(const IMidiMsg& msg) final;
  /// OnHostKey first; a key the platform leaves goes to OnKeyDown or OnKeyUp at the pointer.
  bool OnKeyFromHost(const IKeyPress& key, bool isUp) final;

  // ==== Frame drawing ====
  /// Advances animations and collects the rectangles of dirty controls; true when there is any.
  bool IsDirty(IRECTList& rects);
  void DrawDirtyRects(IRECTList& rects);
  void Draw(const IRECT& bounds, float scale);
  void DrawControl(IControl* control, const IRECT& bounds, float scale);
  void SetStrictDrawing(bool strict);
  /// The clip of the region being drawn: what DrawControl gave PrepareRegion for the control now drawing.
  /// A control that narrows the clip for a moment puts this one back afterwards.
  const IRECT& GetClipRegion() const { return mClipRegion; }
  void StoreClipRegion(const IRECT& clip) { mClipRegion = clip; }
  void SetFrameTickFunc(std::function<void()> func) { mFrameTickFunc = std::move(func); }

  // ==== Input ====
  void OnMouseDown(const std::vector<IMouseInfo>& points);
  void OnMouseUp(const std::vector<IMouseInfo>& points);
  void OnMouseDrag(const std::vector<IMouseInfo>& points);
  bool OnMouseDblClick(float x, float y, const IMouseMod& mod);
  bool OnMouseOver(float x, float y, const IMouseMod& mod);
  void OnMouseOut();
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  bool OnKeyDown(float x, float y, const IKeyPress& key);
  bool OnKeyUp(float x, float y, const IKeyPress& key);
  void OnDrop(const char* path, float x, float y);
  void OnTouchCancelled(const std::vector<IMouseInfo>& points);
  IControl* HitTestControl(float x, float y, bool capture, bool mouseOver = false, uint64_t touchId = 0);
  int FindControlIndexAt(float x, float y, bool mouseOver = false) const;
  /// Drops every pointer capture (showing a hidden cursor again) and ends the host gestures they opened,
  /// unless a menu is open (its answer ends them).
  void ReleaseMouseCapture();
  void OnDragResize(float x, float y);
  int QueryParamUnderPoint(float x, float y);
  int TakeParamUnderPoint();
  void SetKeyHandlerFunc(KeyHandlerFunc func) { mKeyHandlerFunc = std::move(func); }
  bool ControlIsCaptured(const IControl* control) const;
  IControl* GetCapturedControl(uint64_t touchId = 0) const;
  IControl* GetMouseOverControl() const { return mMouseOverControl; }
  int GetMouseOverIdx() const { return mMouseOverIdx; }
  void SetMouseOverIdx(int idx) { mMouseOverIdx = idx; }
  float GetMouseDownX() const { return mMouseDownX; }
  float GetMouseDownY() const { return mMouseDownY; }
  void GetMouseDownPoint(float& x, float& y) const
  {
    x = mMouseDownX;
    y = mMouseDownY;
  }

  // ==== Host gestures ====
  /// Opens a host gesture for each parameter of the control that has none open yet.
  void BeginParamGestures(IControl& control);
  /// Ends the open gestures of the control's parameters.
  void EndParamGestures(IControl& control);
  /// Ends the gesture of one parameter when it is open.
  void EndParamGesture(int paramIdx);
  /// Ends every open gesture.
  void EndAllParamGestures();
  /// Forgets the open gestures without telling the host (the delegate is going away).
  void ForgetParamGestures() final { mOpenGestures.clear(); }
  bool HasOpenGesture(int paramIdx) const { return mOpenGestures.count(paramIdx) != 0; }
  int NOpenGestures() const { return static_cast<int>(mOpenGestures.size()); }

  // ==== Prompts and menus ====
  void PromptParamInput(IControl* control, const IRECT& bounds, int valIdx);
  void CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str = "",
                       int valIdx = 0);
  void OpenPopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx = 0);
  void OpenPopupMenuFor(IControl* control, IPopupMenu& menu, const IRECT& bounds, int valIdx, bool isContext);
  void PopupControlContextMenu(IControl* control, float x, float y);
  void PopupControlContextMenu(int controlIdx, float x, float y);
  void ApplyPopupMenuResult(IPopupMenu* menu);
  void ApplyTextEntryResult(const char* str);
  IPopupMenu& GetPromptMenu() { return mPromptMenu; }
  IControl* GetPopupRequester() const { return mPopupRequester; }
  IControl* GetTextEntryRequester() const { return mTextEntryRequester; }
  /// The value slot of the requester that the open text entry edits (-1 for none).
  int GetTextEntryValIdx() const { return mTextEntryValIdx; }
  /// Forgets the control a text entry was opened for (the entry was cancelled).
  void ClearTextEntryRequester() { mTextEntryRequester = nullptr; }

  // ==== Drawing utilities ====
  void DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr);
  void DrawText(const IText& text, const char* str, float x, float y, const IBlend* blend = nullptr);
  /// Frame counts from 1.
  void DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int frame = 1, const IBlend* blend = nullptr);
  IBitmap RescaleBitmap(const IBitmap& bitmap);
  void DrawBitmapText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* blend,
                      const char* str, bool vCenter = true, bool multiline = false, int charWidth = 6,
                      int charHeight = 12, int charOffset = 0);
  void DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* blend = nullptr,
                        float thickness = 1.f);
  void DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* blend = nullptr,
                        float thickness = 1.f);
  void DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* blend = nullptr,
                          float thickness = 1.f);
  void DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* blend = nullptr,
                          float thickness = 1.f);
  void DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                      const IBlend* blend = nullptr, float thickness = 1.f);
  void PathRadialLine(float cx, float cy, float angle, float rMin, float rMax);
  void StyleAllVectorControls(const IVStyle& style);

  // ==== Bubbles and tooltips ====
  void AttachBubbleControl(const IText& text = IText());
  void AttachBubbleControl(IBubbleControl* control);
  void ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                  const IRECT& minimumContentBounds);
  void GetCapturedTouchIds(IControl* control, std::vector<uint64_t>& ids) const;

  // ==== Resources ====
  /// Location (> 0) of the file for name at the first scale found in the search order, 0 when none.
  int FindScaledImageFile(const char* name, const char* type, LibString& result, int targetScale,
                          int& sourceScale);
  APIBitmap* SearchBitmapCache(const char* name, int targetScale, int& sourceScale);
  /// The steps of LoadBitmap and LoadBitmapFromData over a given cache: a back end that keeps its bitmaps per
  /// context passes its own. An image found only at another scale (a file, or a cached image when no file is
  /// left) is rescaled to the target, and only the rescaled image is kept; one that would be rescaled past the
  /// back end's image limits is kept, and drawn, at its own scale.
  IBitmap LoadBitmapInto(StaticStorage<APIBitmap>& cache, const char* name, int nStates, bool framesAreHorizontal,
                         int targetScale);
  IBitmap LoadBitmapFromDataInto(StaticStorage<APIBitmap>& cache, const char* name, const uint8_t* data,
                                 int dataSize, int nStates, bool framesAreHorizontal, int targetScale);
  void SetSharedResourcesSubPath(const char* path) { mResourceSubPath.Set(path ? path : ""); }
  const char* GetSharedResourcesSubPath() const { return mResourceSubPath.Get(); }
  /// The process-wide caches of decoded bitmaps and SVG images, and of platform font descriptors.
  static StaticStorage<APIBitmap>& BitmapCache();
  static StaticStorage<SVGHolder>& SvgCache();
  static StaticStorage<FontDescriptor>& FontDescriptorCache();

  // ==== Layers ====
  void StartLayer(IControl* owner, const IRECT& r, bool cacheable = false);
  ILayerPtr EndLayer();
  void PushLayer(ILayer* layer);
  void ResumeLayer(ILayerPtr& layer);
  ILayer* PopLayer();
  bool CheckLayer(const ILayerPtr& layer);
  void DrawLayer(const ILayerPtr& layer, const IBlend* blend = nullptr);
  void DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* blend = nullptr);
  void ApplyLayerDropShadow(ILayerPtr& layer, const IShadowStyle& shadow);
  void DrawRotatedLayer(const ILayerPtr& layer, double angle);
  void WriteLayerPixels(const ILayerPtr& layer, ByteBuffer& data) { SetLayerPixels(layer, data); }
  int NLayers() const { return static_cast<int>(mLayers.size()); }

  // ==== Fonts ====
  bool LoadFontByFamily(const char* fontID, const char* familyName, int style);
  void RotateTextBounds(const IText& text, const IRECT& bounds, IRECT& rect, double& tx, double& ty) const;
  void OffsetRotatedText(const IText& text, const IRECT& bounds, IRECT& rect) const;

  // ==== Keyboard MIDI and gestures ====
  void SetQwertyMidiKeyHandlerFunc(std::function<void(const IMidiMsg&)> func = nullptr);
  void AttachGestureRecognizerToRegion(const IRECT& bounds, EGestureType type, GestureRegionFunc func);
  void ClearGestureRegions();
  bool RespondsToGesture(float x, float y);
  void OnGestureRecognized(const IGestureInfo& info);
  const std::vector<EGestureType>& GetGestureKinds() const { return mGestureKinds; }

  // ==== Special controls ====
  IPopupMenuControl* GetPopupMenuControl() const { return mPopupControl.get(); }
  ITextEntryControl* GetTextEntryControl() const { return mTextEntryControl.get(); }
  ICornerResizerControl* GetCornerResizer() const { return mCornerResizer.get(); }
  IFPSDisplayControl* GetFPSDisplay() const { return mFPSDisplay.get(); }
  int NBubbleControls() const { return mBubbleControls.GetSize(); }
  IBubbleControl* GetBubbleControl(int i) const { return mBubbleControls.Get(i); }

  // ==== Clock ====
  /// The clock animations run on (the monotonic clock unless a test gives another). Not owned.
  void SetClock(const foundation::Clock* clock);
  const foundation::Clock& GetClock() const { return *mClock; }

protected:
  /// Sets the delegate and this context on a control and runs its OnInit, OnResize and OnRescale.
  void InitSpecialControl(IControl& control);
  /// Clears hover, captures and requesters that point at the control (ending the gestures its captures held).
  void ForgetControl(IControl* control);
  /// Empties the capture map, shows a hidden cursor and, unless a menu is open, ends the open gestures.
  void DropCaptures();
  /// The per-control steps of removing a listed control at the index, deleting it when asked.
  void DetachListedControl(int idx, bool deleteIt);
  void EraseTagOf(IControl* control);
  /// Inserts a control at index 0 (the background).
  void InsertAtFront(IControl* control);
  /// Size limits from the delegate.
  void ClampToEditorLimits(int& w, int& h) const;
  /// Holds w and h where the window size at this scale (and the platform's factor) still fits an int.
  void LimitToWindowExtent(int& w, int& h, float scale) const;
  /// One lookup of the bubble that serves a touch id, -1 when none.
  int FindBubbleForTouch(uint64_t touchId) const;

  LibPtrList<IControl> mControls{4096};
  std::unordered_map<int, IControl*> mControlsByTag;
  std::unique_ptr<ICornerResizerControl> mCornerResizer;
  LibPtrList<IBubbleControl> mBubbleControls{4096};
  std::unique_ptr<IPopupMenuControl> mPopupControl;
  std::unique_ptr<IFPSDisplayControl> mFPSDisplay;
  std::unique_ptr<ITextEntryControl> mTextEntryControl;
  std::unique_ptr<IControl> mSpareControl;
  IPopupMenu mPromptMenu;
  LibString mResourceSubPath;
  int mCursorType = kArrowCursor;
  int mEditorWidth;
  int mEditorHeight;
  int mFPS;
  int mScreenScale = 1;
  float mDrawScale = 1.f;
  std::vector<EGestureType> mGestureKinds;
  IRECTList mGestureRegions;
  std::unordered_map<int, GestureRegionFunc> mGestureRegionFuncs;
  std::unordered_map<uint64_t, IControl*> mTouchCaptures;
  IControl* mMouseOverControl = nullptr;
  IControl* mTextEntryRequester = nullptr;
  IControl* mPopupRequester = nullptr;
  bool mPopupIsContext = false;
  int mTextEntryValIdx = -1;
  int mPopupValIdx = -1;
  int mMouseOverIdx = -1;
  float mMouseDownX = -1.f;
  float mMouseDownY = -1.f;
  float mMinScale;
  float mMaxScale;
  int mLastParamUnderPoint = -1;
  bool mEnableMouseOver = false;
  bool mDrawUnionOfDirtyRects = false;
  IRECT mClipRegion;
  bool mEnableTooltips = false;
  bool mResizingInProcess = false;
  bool mLayoutOnResize = false;
  bool mEnableMultiTouch = false;
  int mResizerMode = kResizerScale;
  double mPrevTimestamp = 0.0;
  KeyHandlerFunc mKeyHandlerFunc;
  std::function<void()> mFrameTickFunc;
  IGEditorDelegate* mDelegate;
  void* mPlatformContext = nullptr;
  bool mCursorHidden = false;
  bool mCursorLocked = false;
  bool mTabletInput = false;
  float mCursorX = -1.f;
  float mCursorY = -1.f;
  float mXTranslation = 0.f;
  float mYTranslation = 0.f;
  /// Where the frame lands on the platform's drawable; 0 unless a platform needs otherwise.
  float mDrawOffsetX = 0.f;
  float mDrawOffsetY = 0.f;
  IRECTList mDrawnRegions;
  bool mDrawingRegions = false;
  std::stack<ILayer*, std::deque<ILayer*>> mLayers;
  /// Parameters with a host gesture begun and not yet ended.
  std::set<int> mOpenGestures;
  const foundation::Clock* mClock;
};

} // namespace igraphics
} // namespace plug
