// Fuzz target: path building, transforms and stroke settings from arbitrary bytes, then fills and strokes; every
// vertex handed to the back end must be a finite number.
#include <cstddef>
#include <cstdint>

#include "vexel.h"
#include "vexel_fuzz_renderer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  vxfuzz::Backend backend;
  VXrenderParams params = backend.Params();
  VXcontext* ctx = vxCreateContext(&params);
  if (!ctx) return 0;
  vxfuzz::Reader in{data, size};
  vxBeginFrame(ctx, 640, 480, 1.0f);
  vxBeginPath(ctx);
  int steps = 0;
  while (!in.Done() && steps++ < 400)
  {
    switch (in.Byte() % 28)
    {
    case 0: vxMoveTo(ctx, in.Float(), in.Float()); break;
    case 1: vxLineTo(ctx, in.Float(), in.Float()); break;
    case 2: vxCubicTo(ctx, in.Float(), in.Float(), in.Float(), in.Float(), in.Float(), in.Float()); break;
    case 3: vxQuadTo(ctx, in.Float(), in.Float(), in.Float(), in.Float()); break;
    case 4: vxArcTo(ctx, in.Float(), in.Float(), in.Float(), in.Float(), in.Float()); break;
    case 5: vxArc(ctx, in.Float(), in.Float(), in.Float(), in.Float(), in.Float(), 1 + in.Byte() % 2); break;
    case 6: vxRectPath(ctx, in.Float(), in.Float(), in.Float(), in.Float()); break;
    case 7: vxRoundedRectPath(ctx, in.Float(), in.Float(), in.Float(), in.Float(), in.Float()); break;
    case 8:
      vxRoundedRectVaryingPath(ctx, in.Float(), in.Float(), in.Float(), in.Float(), in.Float(), in.Float(),
                               in.Float(), in.Float());
      break;
    case 9: vxEllipsePath(ctx, in.Float(), in.Float(), in.Float(), in.Float()); break;
    case 10: vxCirclePath(ctx, in.Float(), in.Float(), in.Float()); break;
    case 11: vxClosePath(ctx); break;
    case 12: vxSetPathWinding(ctx, in.Byte() % 4); break;
    case 13: vxSetStrokeWidth(ctx, in.Float()); break;
    case 14: vxSetLineCap(ctx, in.Byte() % 4); break;
    case 15: vxSetLineJoin(ctx, in.Byte() % 5); break;
    case 16: vxSetMiterLimit(ctx, in.Float()); break;
    case 17: vxFillPath(ctx); break;
    case 18: vxStrokePath(ctx); break;
    case 19: vxTranslate(ctx, in.Float(), in.Float()); break;
    case 20: vxScale(ctx, in.Float(), in.Float()); break;
    case 21: vxRotate(ctx, in.Float()); break;
    case 22: vxSkewX(ctx, in.Float()); break;
    case 23: vxBeginPath(ctx); break;
    case 24: vxBeginFrame(ctx, 640, 480, in.Float()); break;
    case 25:
    {
      float values[16];
      int n = in.Byte() % 16;
      for (int i = 0; i < n; ++i) values[i] = (i == 0 || in.Byte() % 4 == 0) ? (float)(in.Byte() % 6) : in.Float();
      vxAppendCommands(ctx, values, n);
      break;
    }
    case 26: vxSetShapeAntiAlias(ctx, in.Byte() & 1); break;
    case 27: vxIntersectScissor(ctx, in.Float(), in.Float(), in.Float(), in.Float()); break;
    }
  }
  vxFillPath(ctx);
  vxStrokePath(ctx);
  vxEndFrame(ctx);
  vxDeleteContext(ctx);
  return 0;
}
