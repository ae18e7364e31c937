// The drawing-file opener on arbitrary bytes: a file that is not a drawing,
// is damaged or hostile must give FileError and stay byte for byte as it was;
// a file that opens must give a drawing the host accepts.
#include <cstdint>
#include <cstring>

#include "FuzzFile.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/file/DrawingFile.h"
#include "tinhost/file/FileError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  static const std::filesystem::path path = fuzz::ScratchFile(".tdw");
  fuzz::WriteFile(path, data, size);
  tinhost::Host host;
  try {
    tinhost::file::loadInto(host, path);
  } catch (const tinhost::file::FileError&) {
  } catch (const tinhost::HostError&) {
    // Tables that read but describe no valid drawing.
  }
  const std::string after = fuzz::ReadFile(path);
  fuzz::Check(after.size() == size && (size == 0 || std::memcmp(after.data(), data, size) == 0));
  return 0;
}
