// A renderer back end for tests: on top of the shared texture table it records every fill, stroke and triangle
// list of the vector renderer, with copies of their paths and vertices, instead of drawing.
#pragma once

#include <string>
#include <vector>

#include "vexel.h"
#include "vexel_context.h"
#include "vexel_texture_table.h"

namespace vxtest {

struct RecordedPath
{
  std::vector<VXvertex> fill;
  std::vector<VXvertex> stroke;
  int fillCount = 0, strokeCount = 0; // as handed over, with or without vertices behind them
  int convex = 0;
  int bevelCount = 0;
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

struct Recorder : testsupport::VexelTextureTable
{
  std::vector<RecordedCall> calls;

  /// Render parameters whose user pointer is this recorder.
  VXrenderParams Params();
  const RecordedCall* Last(const std::string& kind) const;
};

/// A context over the recorder, deleted on scope exit.
struct Context
{
  explicit Context(Recorder& recorder);
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  VXcontext* ctx = nullptr;
};

bool AllFinite(const std::vector<VXvertex>& verts);

} // namespace vxtest
