// The fuzz targets' file handling: one scratch directory per process, the input written to it,
// the converter run on it, and everything it made removed again.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/dispatch.h"

void report_result(ConversionResult) {}

namespace {

const std::filesystem::path &scratch_directory() {
  static const std::filesystem::path directory = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      std::abort();
    return std::filesystem::path(pattern);
  }();
  return directory;
}

} // namespace

ConversionResult convert_fuzz_input(const std::uint8_t *data, std::size_t size,
                                    const char *extension, ConversionResult (*convert)()) {
  const std::filesystem::path &directory = scratch_directory();
  std::string source = (directory / "input.").string() + extension;
  std::FILE *file = std::fopen(source.c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
    std::abort();
  if (!set_source_path(source.c_str()))
    std::abort();
  ConversionResult result = convert();
  for (const auto &entry : std::filesystem::directory_iterator(directory))
    std::filesystem::remove(entry.path());
  return result;
}
