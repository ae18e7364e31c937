// Helpers shared by the fuzz targets of the host's file readers: the input
// written to a scratch file (the readers take a path), and the outcomes a
// reader may have on bad input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzz {

// A scratch file of this process, rewritten for every input.
inline std::filesystem::path ScratchFile(const char* extension) {
  return std::filesystem::temp_directory_path() /
         ("tin-fuzz-" + std::to_string(::getpid()) + extension);
}

inline void WriteFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) std::abort();
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace fuzz
