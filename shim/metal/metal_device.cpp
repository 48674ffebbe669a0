// The device: object factories, and libraries parsed from our blob format with their functions resolved against
// the registered C++ shader functions.
#include "metal_device.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>

namespace {

struct ShaderRegistry
{
  std::mutex lock;
  std::map<std::string, MTLVertexShaderFn> vertex;
  std::map<std::string, MTLFragmentShaderFn> fragment;
  std::map<std::string, MTLFragmentCopyImpl> fragmentCopy;
  std::map<std::string, MTLFragmentSolidImpl> fragmentSolid;
};

ShaderRegistry& Registry()
{
  static ShaderRegistry r;
  return r;
}

NSError gBadLibrary{"the library data is not a shader library"};
NSError gUnknownFunction{"the library names a function that does not exist"};
NSError gBadPipeline{"the pipeline has no vertex function or an unsupported colour format"};

/// Reads "vertex NAME\n" or "fragment NAME\n" at pos; false on anything else.
bool ReadEntry(const uint8_t* p, size_t n, size_t& pos, std::string& kind, std::string& name)
{
  size_t start = pos;
  while (pos < n && p[pos] != ' ' && pos - start <= 8) ++pos;
  if (pos >= n || p[pos] != ' ') return false;
  kind.assign((const char*)p + start, pos - start);
  size_t nameStart = ++pos;
  while (pos < n && p[pos] != '\n' && pos - nameStart <= (size_t)kMTLMaxFunctionName) ++pos;
  if (pos >= n || p[pos] != '\n' || pos == nameStart || pos - nameStart > (size_t)kMTLMaxFunctionName) return false;
  name.assign((const char*)p + nameStart, pos - nameStart);
  ++pos;
  for (char c : name)
    if (!(isalnum((unsigned char)c) || c == '_')) return false;
  return kind == "vertex" || kind == "fragment";
}

} // namespace

void MTLRegisterVertexFunction(const char* name, MTLVertexShaderFn fn)
{
  std::lock_guard<std::mutex> hold(Registry().lock);
  Registry().vertex[name] = fn;
}

void MTLRegisterFragmentFunction(const char* name, MTLFragmentShaderFn fn, MTLFragmentCopyImpl copy,
                                 MTLFragmentSolidImpl solid)
{
  std::lock_guard<std::mutex> hold(Registry().lock);
  Registry().fragment[name] = fn;
  Registry().fragmentCopy[name] = copy;
  Registry().fragmentSolid[name] = solid;
}

std::shared_ptr<MTLDevice> MTLCreateSystemDefaultDevice()
{
  static std::shared_ptr<MTLDevice> device = [] {
    const char* wanted = std::getenv("DROVIK_METAL");
    return wanted && std::strcmp(wanted, "none") == 0 ? nullptr : std::make_shared<MTLDevice>();
  }();
  return device;
}

std::shared_ptr<MTLCommandQueue> MTLDevice::newCommandQueue() { return std::make_shared<MTLCommandQueue>(); }

std::shared_ptr<MTLBuffer> MTLDevice::newBufferWithLength(NSUInteger length, NSUInteger)
{
  try
  {
    return std::make_shared<MTLBuffer>(length);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

std::shared_ptr<MTLTexture> MTLDevice::newTextureWithDescriptor(const MTLTextureDescriptor& d)
{
  if (MTLPixelFormatBytes(d.pixelFormat) == 0 || d.width == 0 || d.height == 0 || d.width > kMTLMaxTextureSize ||
      d.height > kMTLMaxTextureSize)
    return nullptr;
  try
  {
    return std::make_shared<MTLTexture>(d);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

std::shared_ptr<MTLSamplerState> MTLDevice::newSamplerStateWithDescriptor(const MTLSamplerDescriptor& d)
{
  return std::make_shared<MTLSamplerState>(d);
}

std::shared_ptr<MTLDepthStencilState> MTLDevice::newDepthStencilStateWithDescriptor(const MTLDepthStencilDescriptor& d)
{
  return std::make_shared<MTLDepthStencilState>(d);
}

std::shared_ptr<MTLRenderPipelineState> MTLDevice::newRenderPipelineStateWithDescriptor(
  const MTLRenderPipelineDescriptor& d, NSError** error)
{
  MTLPixelFormat f = d.colorAttachments[0].pixelFormat;
  bool colourOk = f == MTLPixelFormatInvalid || (MTLPixelFormatBytes(f) != 0 && f != MTLPixelFormatStencil8);
  if (!d.vertexFunction || !d.vertexFunction->vertex || !colourOk ||
      (d.fragmentFunction && !d.fragmentFunction->fragment))
  {
    if (error) *error = &gBadPipeline;
    return nullptr;
  }
  return std::make_shared<MTLRenderPipelineState>(d);
}

std::shared_ptr<MTLLibrary> MTLDevice::newLibraryWithData(dispatch_data_t data, NSError** error)
{
  if (error) *error = &gBadLibrary;
  if (!data || data->bytes.size() < 4 || memcmp(data->bytes.data(), "MTLB", 4) != 0) return nullptr;
  const uint8_t* p = data->bytes.data();
  size_t n = data->bytes.size(), pos = 4;
  if (pos < n && p[pos] == '\n') ++pos;
  auto library = std::make_shared<MTLLibrary>();
  std::lock_guard<std::mutex> hold(Registry().lock);
  while (pos < n)
  {
    std::string kind, name;
    if ((int)library->functions.size() >= kMTLMaxLibraryFunctions || !ReadEntry(p, n, pos, kind, name)) return nullptr;
    auto f = std::make_shared<MTLFunction>();
    f->name = name;
    if (kind == "vertex")
    {
      auto it = Registry().vertex.find(name);
      f->vertex = it == Registry().vertex.end() ? nullptr : it->second;
    }
    else
    {
      auto it = Registry().fragment.find(name);
      f->fragment = it == Registry().fragment.end() ? nullptr : it->second;
      auto copy = Registry().fragmentCopy.find(name);
      f->fragmentCopy = copy == Registry().fragmentCopy.end() ? nullptr : copy->second;
      auto solid = Registry().fragmentSolid.find(name);
      f->fragmentSolid = solid == Registry().fragmentSolid.end() ? nullptr : solid->second;
    }
    if (!f->vertex && !f->fragment)
    {
      if (error) *error = &gUnknownFunction;
      return nullptr;
    }
    library->functions.push_back(f);
  }
  if (error) *error = nullptr;
  return library;
}
