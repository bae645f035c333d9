// Runs a fuzz target over files instead of generated inputs, so that its corpus replays as an
// ordinary test in builds without libFuzzer: replay_main FILE_OR_FOLDER...
// Arguments that begin with '-' (libFuzzer options) are ignored.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

bool Replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so that a read past its end is caught by the sanitizer.
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.starts_with("-")) continue;
    if (fs::is_directory(argument)) {
      for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argument)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
    } else {
      files.emplace_back(argument);
    }
  }
  std::sort(files.begin(), files.end());  // the same order on every run
  int failed = 0;
  for (const fs::path& file : files) failed += Replay(file) ? 0 : 1;
  std::printf("%zu inputs replayed, %d unreadable\n", files.size(), failed);
  return failed == 0 && !files.empty() ? 0 : 1;
}
