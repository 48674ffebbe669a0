// A renderer back end for tests, benchmarks and fuzz targets that keeps only the sizes of the textures the vector
// renderer asks for; the owner adds the draw callbacks it needs (counting, checking) to the parameters.
#pragma once

#include <cstring>
#include <map>
#include <utility>

#include "vexel.h"

namespace testsupport {

struct VexelTextureTable
{
  std::map<int, std::pair<int, int>> textures; // id -> width, height
  int next = 1;

  /// The table behind a user pointer from TextureParams(); an owner derived from the table casts on from here.
  static VexelTextureTable* From(void* u) { return static_cast<VexelTextureTable*>(u); }

  /// Render parameters with edge anti-aliasing on, the user pointer at this table and its texture callbacks set;
  /// all other callbacks are null.
  VXrenderParams TextureParams()
  {
    VXrenderParams p;
    memset(&p, 0, sizeof(p));
    p.userPtr = this;
    p.edgeAntiAlias = 1;
    p.renderCreate = [](void*) { return 1; };
    p.renderCreateTexture = [](void* u, int, int w, int h, int, const unsigned char*) {
      int id = From(u)->next++;
      From(u)->textures[id] = {w, h};
      return id;
    };
    p.renderDeleteTexture = [](void* u, int image) { return (int)From(u)->textures.erase(image); };
    p.renderUpdateTexture = [](void*, int, int, int, int, int, const unsigned char*) { return 1; };
    p.renderGetTextureSize = [](void* u, int image, int* w, int* h) {
      auto it = From(u)->textures.find(image);
      if (it == From(u)->textures.end()) return 0;
      *w = it->second.first;
      *h = it->second.second;
      return 1;
    };
    return p;
  }
};

} // namespace testsupport
