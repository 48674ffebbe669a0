#include "recording_renderer.h"

#include <cmath>
#include <cstring>

namespace vxtest {

const char* const kRobotoPath = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
const char* const kDejaVuPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

namespace {

Recorder* R(void* uptr) { return static_cast<Recorder*>(uptr); }

int Create(void* uptr) { return R(uptr)->failCreate ? 0 : 1; }

int CreateTexture(void* uptr, int type, int w, int h, int flags, const unsigned char* data)
{
  Recorder* r = R(uptr);
  if (r->failTextures) return 0;
  int id = r->nextImage++;
  RecordedTexture& t = r->textures[id];
  t.type = type;
  t.width = w;
  t.height = h;
  t.flags = flags;
  size_t bytes = (size_t)w * h * (type == VX_TEXTURE_RGBA ? 4 : 1);
  t.pixels.assign(bytes, 0);
  if (data) memcpy(t.pixels.data(), data, bytes);
  return id;
}

int DeleteTexture(void* uptr, int image)
{
  R(uptr)->textures.erase(image);
  R(uptr)->deletedTextures.push_back(image);
  return 1;
}

int UpdateTexture(void* uptr, int image, int x, int y, int w, int h, const unsigned char* data)
{
  auto it = R(uptr)->textures.find(image);
  if (it == R(uptr)->textures.end()) return 0;
  RecordedTexture& t = it->second;
  int bpp = t.type == VX_TEXTURE_RGBA ? 4 : 1;
  for (int row = y; row < y + h; ++row)
    memcpy(&t.pixels[((size_t)row * t.width + x) * bpp], &data[((size_t)row * t.width + x) * bpp], (size_t)w * bpp);
  t.updates++;
  return 1;
}

int GetTextureSize(void* uptr, int image, int* w, int* h)
{
  auto it = R(uptr)->textures.find(image);
  if (it == R(uptr)->textures.end()) return 0;
  *w = it->second.width;
  *h = it->second.height;
  return 1;
}

void Viewport(void* uptr, float w, float h, float ratio)
{
  R(uptr)->viewports++;
  R(uptr)->viewport[0] = w;
  R(uptr)->viewport[1] = h;
  R(uptr)->viewport[2] = ratio;
}

void Cancel(void* uptr) { R(uptr)->cancels++; }
void Flush(void* uptr) { R(uptr)->flushes++; }
void Delete(void* uptr) { R(uptr)->deletes++; }

std::vector<RecordedPath> CopyPaths(const VXpath* paths, int npaths)
{
  std::vector<RecordedPath> out;
  for (int i = 0; i < npaths; ++i)
  {
    RecordedPath p;
    if (paths[i].fill) p.fill.assign(paths[i].fill, paths[i].fill + paths[i].nfill);
    if (paths[i].stroke) p.stroke.assign(paths[i].stroke, paths[i].stroke + paths[i].nstroke);
    p.closed = paths[i].closed;
    p.count = paths[i].count;
    p.winding = paths[i].winding;
    p.convex = paths[i].convex;
    p.nbevel = paths[i].nbevel;
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

void Fill(void* uptr, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor, float fringe,
          const float* bounds, const VXpath* paths, int npaths)
{
  RecordedCall c = Call("fill", paint, op, scissor, fringe);
  memcpy(c.bounds, bounds, sizeof(c.bounds));
  c.paths = CopyPaths(paths, npaths);
  R(uptr)->calls.push_back(std::move(c));
}

void Stroke(void* uptr, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor, float fringe,
            float strokeWidth, const VXpath* paths, int npaths)
{
  RecordedCall c = Call("stroke", paint, op, scissor, fringe);
  c.strokeWidth = strokeWidth;
  c.paths = CopyPaths(paths, npaths);
  R(uptr)->calls.push_back(std::move(c));
}

void Triangles(void* uptr, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor,
               const VXvertex* verts, int nverts, float fringe)
{
  RecordedCall c = Call("triangles", paint, op, scissor, fringe);
  if (nverts > 0) c.verts.assign(verts, verts + nverts);
  R(uptr)->calls.push_back(std::move(c));
}

} // namespace

VXrenderParams Recorder::Params(bool edgeAntiAlias)
{
  VXrenderParams p;
  memset(&p, 0, sizeof(p));
  p.userPtr = this;
  p.edgeAntiAlias = edgeAntiAlias ? 1 : 0;
  p.renderCreate = Create;
  p.renderCreateTexture = CreateTexture;
  p.renderDeleteTexture = DeleteTexture;
  p.renderUpdateTexture = UpdateTexture;
  p.renderGetTextureSize = GetTextureSize;
  p.renderViewport = Viewport;
  p.renderCancel = Cancel;
  p.renderFlush = Flush;
  p.renderFill = Fill;
  p.renderStroke = Stroke;
  p.renderTriangles = Triangles;
  p.renderDelete = Delete;
  return p;
}

size_t Recorder::Count(const std::string& kind) const
{
  size_t n = 0;
  for (const auto& c : calls) n += c.kind == kind;
  return n;
}

const RecordedCall* Recorder::Last(const std::string& kind) const
{
  for (auto it = calls.rbegin(); it != calls.rend(); ++it)
    if (it->kind == kind) return &*it;
  return nullptr;
}

Context::Context(Recorder& recorder, bool edgeAntiAlias)
{
  VXrenderParams params = recorder.Params(edgeAntiAlias);
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
