// The LAS reader and import on arbitrary bytes: header, variable-length
// records (the coordinate system's GeoTIFF keys go through a TIFF made in
// memory), extended records and point records.  A bad file must end in
// FileError with the drawing as it was; a good one must add exactly the
// points its tally says were kept.
#include <cstdint>

#include "FuzzFile.h"
#include "tinhost/core/Host.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/LasImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tinhost::io;
  if (size > (1u << 18)) return 0;
  static const std::filesystem::path path = fuzz::ScratchFile(".las");
  fuzz::WriteFile(path, data, size);
  tinhost::Host host;
  const std::size_t before = host.document().state().objects.size();
  LasOptions options;
  options.classes = LasOptions::Classes::All;
  try {
    LasTally tally;
    const ImportResult r = importLasFile(host, path, options, "", &tally);
    fuzz::Check(r.points == tally.kept && tally.kept <= tally.read);
  } catch (const tinhost::file::FileError&) {
    fuzz::Check(host.document().state().objects.size() == before && host.document().crs().empty());
  }
  return 0;
}
