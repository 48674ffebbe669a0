// The non-interactive and special vector controls: a styled label, curves of functions over a grid, a titled
// frame around a group of controls, and colour cells that edit the style's colours through the platform colour
// picker. A plot whose minimum equals its maximum, or that has fewer than two points, draws no curve instead of
// dividing by zero; a swatch cell whose colour index is not one of the nine colours is left out. Main thread only.
#pragma once

#include <functional>
#include <initializer_list>
#include <vector>

#include "graphics/context/ILayer.h"
#include "graphics/bases/ITextControl.h"
#include "graphics/bases/IVectorBase.h"

namespace plug {
namespace igraphics {

class IVLabelControl : public ITextControl, public IVectorBase
{
public:
  IVLabelControl(const IRECT& bounds, const char* label, const IVStyle& style = IVStyle());
  void Draw(IGraphics& g) override;
};

class IVPlotControl : public IControl, public IVectorBase
{
public:
  struct Plot
  {
    IColor color;
    std::function<double(double)> func;
  };
  IVPlotControl(const IRECT& bounds, std::initializer_list<Plot> plots, int numPoints, const char* label = "",
                const IVStyle& style = IVStyle(), float min = -1.f, float max = 1.f, bool useLayer = false);
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void AddPlot(const Plot& plot) { mPlots.push_back(plot); }
  /// The normalised points of the last plot drawn (read by tests).
  const std::vector<float>& GetPoints() const { return mPoints; }

protected:
  void DrawPlots(IGraphics& g, const IRECT& plotArea, float cellW, float cellH);
  ILayerPtr mLayer;
  std::vector<Plot> mPlots;
  float mMin, mMax;
  bool mUseLayer;
  int mHorizontalDivisions = 10;
  int mVerticalDivisions = 10;
  std::vector<float> mPoints;
};

class IVGroupControl : public IControl, public IVectorBase
{
public:
  IVGroupControl(const IRECT& bounds, const char* label = "", float labelOffset = 10.f,
                 const IVStyle& style = IVStyle());
  IVGroupControl(const char* label, const char* groupName, float padL = 0.f, float padT = 0.f, float padR = 0.f,
                 float padB = 0.f, const IVStyle& style = IVStyle());
  void OnInit() override;
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  /// Takes the union of the controls of the group, grown by the margins, as its rectangle.
  void SetBoundsBasedOnGroup(const char* groupName, float padL, float padT, float padR, float padB);

protected:
  LibString mGroupName;
  float mPaddingLeft = 0.f, mPaddingTop = 0.f, mPaddingRight = 0.f, mPaddingBottom = 0.f;
  float mLabelOffset;
  float mLabelPadding = 10.f;
};

class IVColorSwatchControl : public IControl, public IVectorBase
{
public:
  using ColorChosenFunc = std::function<void(int cellIdx, const IColor& color)>;
  enum ECellLayout
  {
    kGrid = 0,
    kHorizontal = 1,
    kVertical = 2,
  };
  IVColorSwatchControl(const IRECT& bounds, const char* label = "", ColorChosenFunc func = nullptr,
                       const IVStyle& style = IVStyle(), int layout = kGrid,
                       std::initializer_list<int> colorIDs = {kRoleBackground, kRoleForeground, kRolePressed, kRoleFrame, kRoleHighlight, kRoleShadow, kRoleExtra1, kRoleExtra2, kRoleExtra3},
                       std::initializer_list<const char*> labelsForIDs = {});
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  int NCells() const { return static_cast<int>(mColorIdForCells.size()); }
  const IRECT& GetCell(int i) const { return mCellRects[static_cast<size_t>(i)]; }

protected:
  ColorChosenFunc mColorChosenFunc;
  int mCellOver = -1;
  int mLayout;
  std::vector<IRECT> mCellRects;
  std::vector<LibString> mLabels;
  std::vector<int> mColorIdForCells;
};

} // namespace igraphics
} // namespace plug
