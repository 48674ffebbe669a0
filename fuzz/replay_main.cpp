// Runs a fuzz target's entry point over files, or over every file in folders, named on the command line.
// Used where libFuzzer is not available, so that each seed of a corpus is exercised in the ordinary test run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Like libFuzzer, never hand the target a null pointer, not even for an empty input.
static const uint8_t kEmpty = 0;

static int RunFile(const std::filesystem::path& path)
{
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.empty() ? &kEmpty : reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 1;
}

int main(int argc, char** argv)
{
  int count = 0;
  for (int i = 1; i < argc; ++i)
  {
    std::filesystem::path p(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec))
    {
      for (const auto& e : std::filesystem::recursive_directory_iterator(p))
        if (e.is_regular_file()) count += RunFile(e.path());
    }
    else if (std::filesystem::is_regular_file(p, ec))
      count += RunFile(p);
  }
  // An empty input is always a valid case too.
  LLVMFuzzerTestOneInput(&kEmpty, 0);
  std::printf("replayed %d inputs\n", count);
  return count > 0 ? 0 : 1;
}
