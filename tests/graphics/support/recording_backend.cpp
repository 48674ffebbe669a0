#include "recording_backend.h"

#include <algorithm>
#include <cstring>

#include "graphics/overlay/OverlayControls.h"

namespace graphicstest {

DrawOp& RecordingBackend::Log(const char* name, const IRECT& r, const IColor& c, const IBlend* blend)
{
  DrawOp op;
  op.mName = name;
  op.mRect = r;
  op.mColor = c;
  op.mClip = mClip;
  op.mBlendWeight = blend ? blend->mWeight : -1.f;
  mOps.push_back(op);
  return mOps.back();
}

std::vector<std::string> RecordingBackend::OpNames() const
{
  std::vector<std::string> names;
  for (const DrawOp& op : mOps)
    names.push_back(op.mName);
  return names;
}

int RecordingBackend::Count(const std::string& name) const
{
  return static_cast<int>(std::count_if(mOps.begin(), mOps.end(), [&](const DrawOp& op) { return op.mName == name; }));
}

std::vector<IRECT> RecordingBackend::Rects(const std::string& name) const
{
  std::vector<IRECT> rects;
  for (const DrawOp& op : mOps)
    if (op.mName == name)
      rects.push_back(op.mRect);
  return rects;
}

std::vector<std::vector<float>> RecordingBackend::Args(const std::string& name) const
{
  std::vector<std::vector<float>> args;
  for (const DrawOp& op : mOps)
    if (op.mName == name)
      args.push_back(op.mArgs);
  return args;
}

static IRECT PointsBox(const float* x, const float* y, int n)
{
  if (n <= 0)
    return IRECT();
  IRECT r(x[0], y[0], x[0], y[0]);
  for (int i = 1; i < n; ++i)
    r = IRECT(std::min(r.mLeft, x[i]), std::min(r.mTop, y[i]), std::max(r.mRight, x[i]), std::max(r.mBottom, y[i]));
  return r;
}

void RecordingBackend::DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend)
{
  Log("DrawSVG", bounds, IColor(), blend);
}
void RecordingBackend::DrawRotatedSVG(const ISVG& svg, float cx, float cy, float w, float h, double angle,
                                      const IBlend* blend)
{
  Log("DrawRotatedSVG", IRECT(cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2), IColor(), blend).mArgs = {float(angle)};
}
void RecordingBackend::DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY, const IBlend* blend)
{
  DrawOp& op = Log("DrawBitmap", bounds, IColor(), blend);
  op.mArgs = {float(srcX), float(srcY)};
  op.mText = bitmap.GetResourceName();
}
void RecordingBackend::DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend)
{
  Log("DrawFittedBitmap", bounds, IColor(), blend).mText = bitmap.GetResourceName();
}
void RecordingBackend::DrawRotatedBitmap(const IBitmap& bitmap, float cx, float cy, double angle, const IBlend* blend)
{
  DrawOp& op = Log("DrawRotatedBitmap", IRECT(cx, cy, cx, cy), IColor(), blend);
  op.mArgs = {float(angle)};
  op.mText = bitmap.GetResourceName();
}
void RecordingBackend::DrawPoint(const IColor& color, float x, float y, const IBlend* blend)
{
  Log("DrawPoint", IRECT(x, y, x, y), color, blend);
}
void RecordingBackend::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                                float thickness)
{
  Log("DrawLine", IRECT(x1, y1, x2, y2), color, blend).mArgs = {thickness};
}
void RecordingBackend::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                                      const IBlend* blend, float thickness, float dashLen)
{
  Log("DrawDottedLine", IRECT(x1, y1, x2, y2), color, blend).mArgs = {thickness, dashLen};
}
void RecordingBackend::DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                                    const IBlend* blend, float thickness)
{
  Log("DrawTriangle", IRECT(), color, blend).mArgs = {x1, y1, x2, y2, x3, y3, thickness};
}
void RecordingBackend::DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness)
{
  Log("DrawRect", bounds, color, blend).mArgs = {thickness};
}
void RecordingBackend::DrawRoundRect(const IColor& color, const IRECT& bounds, float r, const IBlend* blend,
                                     float thickness)
{
  Log("DrawRoundRect", bounds, color, blend).mArgs = {r, r, r, r, thickness};
}
void RecordingBackend::DrawRoundRect(const IColor& color, const IRECT& bounds, float tl, float tr, float bl, float br,
                                     const IBlend* blend, float thickness)
{
  Log("DrawRoundRect", bounds, color, blend).mArgs = {tl, tr, bl, br, thickness};
}
void RecordingBackend::DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                               const IBlend* blend, float thickness)
{
  Log("DrawArc", IRECT(cx - r, cy - r, cx + r, cy + r), color, blend).mArgs = {a1, a2, thickness};
}
void RecordingBackend::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend,
                                  float thickness)
{
  Log("DrawCircle", IRECT(cx - r, cy - r, cx + r, cy + r), color, blend).mArgs = {thickness};
}
void RecordingBackend::DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness)
{
  Log("DrawEllipse", bounds, color, blend).mArgs = {thickness};
}
void RecordingBackend::DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                                   const IBlend* blend, float thickness)
{
  Log("DrawEllipse", IRECT(x - r1, y - r2, x + r1, y + r2), color, blend).mArgs = {angle, thickness};
}
void RecordingBackend::DrawConvexPolygon(const IColor& color, float* x, float* y, int n, const IBlend* blend,
                                         float thickness)
{
  Log("DrawConvexPolygon", PointsBox(x, y, n), color, blend).mArgs = {float(n), thickness};
}
void RecordingBackend::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness,
                                      float dashLen)
{
  Log("DrawDottedRect", bounds, color, blend).mArgs = {thickness, dashLen};
}
void RecordingBackend::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                                    const IBlend* blend)
{
  Log("FillTriangle", IRECT(), color, blend).mArgs = {x1, y1, x2, y2, x3, y3};
}
void RecordingBackend::FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend)
{
  Log("FillRect", bounds, color, blend);
}
void RecordingBackend::FillRoundRect(const IColor& color, const IRECT& bounds, float r, const IBlend* blend)
{
  Log("FillRoundRect", bounds, color, blend).mArgs = {r, r, r, r};
}
void RecordingBackend::FillRoundRect(const IColor& color, const IRECT& bounds, float tl, float tr, float bl, float br,
                                     const IBlend* blend)
{
  Log("FillRoundRect", bounds, color, blend).mArgs = {tl, tr, bl, br};
}
void RecordingBackend::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend)
{
  Log("FillCircle", IRECT(cx - r, cy - r, cx + r, cy + r), color, blend);
}
void RecordingBackend::FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend)
{
  Log("FillEllipse", bounds, color, blend);
}
void RecordingBackend::FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                                   const IBlend* blend)
{
  Log("FillEllipse", IRECT(x - r1, y - r2, x + r1, y + r2), color, blend).mArgs = {angle};
}
void RecordingBackend::FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                               const IBlend* blend)
{
  Log("FillArc", IRECT(cx - r, cy - r, cx + r, cy + r), color, blend).mArgs = {a1, a2};
}
void RecordingBackend::FillConvexPolygon(const IColor& color, float* x, float* y, int n, const IBlend* blend)
{
  Log("FillConvexPolygon", PointsBox(x, y, n), color, blend).mArgs = {float(n)};
}

bool RecordingBackend::BitmapExtSupported(const char* ext)
{
  std::string e(ext ? ext : "");
  std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return e.find("png") != std::string::npos || e.find("jpg") != std::string::npos ||
         e.find("jpeg") != std::string::npos;
}

void RecordingBackend::ReadLayerPixels(const ILayerPtr& layer, ByteBuffer& data)
{
  const auto* b = layer ? dynamic_cast<const RecordedBitmap*>(layer->GetAPIBitmap()) : nullptr;
  data = b ? b->mPixels : ByteBuffer();
}

void RecordingBackend::ApplyShadowMask(const ILayerPtr& layer, ByteBuffer& mask, const IShadowStyle& shadow)
{
  Log("ApplyShadowMask", layer ? layer->Bounds() : IRECT());
  SetLayerPixels(layer, mask);
}

void RecordingBackend::SetLayerPixels(const ILayerPtr& layer, ByteBuffer& data)
{
  auto* b = layer ? dynamic_cast<RecordedBitmap*>(layer->mBitmap) : nullptr;
  if (b)
    b->mPixels = data;
}

void RecordingBackend::PathClipRegion(const IRECT& r)
{
  mClip = r;
  Log("PathClipRegion", r);
}

void RecordingBackend::PrepareRegion(const IRECT& clip)
{
  mClip = clip;
  Log("PrepareRegion", clip);
}

void RecordingBackend::FinishRegion(const IRECT& clip)
{
  Log("FinishRegion", clip);
  mClip = IRECT();
}

void RecordingBackend::BeginFrame()
{
  IGraphics::BeginFrame();
  Log("BeginFrame");
}

APIBitmap* RecordingBackend::LoadAPIBitmap(const char* path, int scale, int location, const char* ext)
{
  ++mLoadAPIBitmapCalls;
  for (const auto& file : mDecodable)
    if (file.first == path)
      return new RecordedBitmap(file.second.first, file.second.second, scale, 1.f, path);
  return nullptr;
}

APIBitmap* RecordingBackend::LoadAPIBitmapData(const char* name, const void* data, int dataSize, int scale)
{
  // The data stands for a square image of side dataSize pixels.
  return dataSize > 0 ? new RecordedBitmap(dataSize, dataSize, scale, 1.f, name) : nullptr;
}

APIBitmap* RecordingBackend::CreateAPIBitmap(int width, int height, int screenScale, double drawScale, bool cacheable)
{
  return new RecordedBitmap(width, height, screenScale, float(drawScale), "layer");
}

float RecordingBackend::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  const float w = 0.5f * text.mSize * float(std::strlen(str));
  const float h = text.mSize;
  bounds = IRECT(bounds.mLeft, bounds.mTop, bounds.mLeft + w, bounds.mTop + h);
  return w;
}

void RecordingBackend::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend)
{
  Log("DrawText", bounds, text.mTextColor, blend).mText = str;
}

} // namespace graphicstest
