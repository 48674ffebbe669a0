#include "recording_renderer.h"

#include <cmath>
#include <cstring>

namespace vxtest {

namespace {

Recorder* R(void* userPtr) { return static_cast<Recorder*>(testsupport::VexelTextureTable::From(userPtr)); }

std::vector<RecordedPath> CopyPaths(const VXpath* paths, int npaths)
{
  std::vector<RecordedPath> out;
  for (int i = 0; i < npaths; ++i)
  {
    RecordedPath p;
    if (paths[i].fill) p.fill.assign(paths[i].fill, paths[i].fill + paths[i].fillCount);
    if (paths[i].stroke) p.stroke.assign(paths[i].stroke, paths[i].stroke + paths[i].strokeCount);
    p.fillCount = paths[i].fillCount;
    p.strokeCount = paths[i].strokeCount;
    p.convex = paths[i].convex;
    p.bevelCount = paths[i].bevelCount;
    out.push_back(std::move(p));
  }
  return out;
}

// The part every draw call records: its kind, paint, composite operation, scissor and fringe width.
RecordedCall Call(const char* kind, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor,
                  float fringe)
{
  RecordedCall c;
  c.kind = kind;
  c.paint = *paint;
  c.op = op;
  c.scissor = *scissor;
  c.fringe = fringe;
  return c;
}

void Fill(void* userPtr, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor, float fringe,
          const float* bounds, const VXpath* paths, int npaths)
{
  RecordedCall c = Call("fill", paint, op, scissor, fringe);
  memcpy(c.bounds, bounds, sizeof(c.bounds));
  c.paths = CopyPaths(paths, npaths);
  R(userPtr)->calls.push_back(std::move(c));
}

void Stroke(void* userPtr, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor, float fringe,
            float strokeWidth, const VXpath* paths, int npaths)
{
  RecordedCall c = Call("stroke", paint, op, scissor, fringe);
  c.strokeWidth = strokeWidth;
  c.paths = CopyPaths(paths, npaths);
  R(userPtr)->calls.push_back(std::move(c));
}

void Triangles(void* userPtr, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor,
               const VXvertex* verts, int nverts, float fringe)
{
  RecordedCall c = Call("triangles", paint, op, scissor, fringe);
  if (nverts > 0) c.verts.assign(verts, verts + nverts);
  R(userPtr)->calls.push_back(std::move(c));
}

} // namespace

VXrenderParams Recorder::Params()
{
  VXrenderParams p = TextureParams();
  p.renderFill = Fill;
  p.renderStroke = Stroke;
  p.renderTriangles = Triangles;
  return p;
}

const RecordedCall* Recorder::Last(const std::string& kind) const
{
  for (auto it = calls.rbegin(); it != calls.rend(); ++it)
    if (it->kind == kind) return &*it;
  return nullptr;
}

Context::Context(Recorder& recorder)
{
  VXrenderParams params = recorder.Params();
  ctx = vxCreateContext(&params);
}

Context::~Context() { vxDeleteContext(ctx); }

bool AllFinite(const std::vector<VXvertex>& verts)
{
  for (const auto& v : verts)
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.u) || !std::isfinite(v.v)) return false;
  return true;
}

} // namespace vxtest
