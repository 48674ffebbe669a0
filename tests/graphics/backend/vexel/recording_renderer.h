// A renderer back end for tests: it records every callback of the vector renderer (textures with their pixels,
// fills and strokes with copies of their paths and vertices, triangle lists) instead of drawing.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "vexel.h"
#include "vexel_context.h"

namespace vxtest {

struct RecordedPath
{
  std::vector<VXvertex> fill;
  std::vector<VXvertex> stroke;
  int closed = 0;
  int count = 0;
  int winding = 0;
  int convex = 0;
  int nbevel = 0;
};

struct RecordedCall
{
  std::string kind; // "fill", "stroke" or "triangles"
  VXpaint paint{};
  VXcompositeOperationState op{};
  VXscissor scissor{};
  float fringe = 0;
  float strokeWidth = 0;
  float bounds[4] = {0, 0, 0, 0};
  std::vector<RecordedPath> paths;
  std::vector<VXvertex> verts;
};

struct RecordedTexture
{
  int type = 0, width = 0, height = 0, flags = 0;
  std::vector<unsigned char> pixels;
  int updates = 0;
};

struct Recorder
{
  bool failCreate = false;
  bool failTextures = false;
  int nextImage = 1;
  std::map<int, RecordedTexture> textures;
  std::vector<int> deletedTextures;
  std::vector<RecordedCall> calls;
  int viewports = 0, cancels = 0, flushes = 0, deletes = 0;
  float viewport[3] = {0, 0, 0};

  /// Render parameters whose user pointer is this recorder.
  VXrenderParams Params(bool edgeAntiAlias = true);
  size_t Count(const std::string& kind) const;
  const RecordedCall* Last(const std::string& kind) const;
};

/// A context over the recorder, deleted on scope exit.
struct Context
{
  explicit Context(Recorder& recorder, bool edgeAntiAlias = true);
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  VXcontext* ctx = nullptr;
};

/// Debian font files the tests use.
extern const char* const kRobotoPath;
extern const char* const kDejaVuPath;

bool AllFinite(const std::vector<VXvertex>& verts);

} // namespace vxtest
