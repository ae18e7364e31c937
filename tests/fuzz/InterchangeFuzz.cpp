// The DXF or LandXML reader (chosen at build time by TIN_FUZZ_DXF) on
// arbitrary bytes, then the import of what it read.  A bad file must end in
// FileError and add nothing; nothing else may escape.
#include <cstdint>

#include "FuzzFile.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/Importer.h"
#ifdef TIN_FUZZ_DXF
#include "tinhost/io/DxfReader.h"
#else
#include "tinhost/io/LandXmlReader.h"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tinhost::io;
  if (size > (1u << 18)) return 0;
#ifdef TIN_FUZZ_DXF
  static const std::filesystem::path path = fuzz::ScratchFile(".dxf");
#else
  static const std::filesystem::path path = fuzz::ScratchFile(".xml");
#endif
  fuzz::WriteFile(path, data, size);
  tinhost::Host host;
  const std::size_t before = host.document().state().objects.size();
  try {
#ifdef TIN_FUZZ_DXF
    const ImportedDrawing d = readDxfFile(path);
#else
    const ImportedDrawing d = readLandXmlFile(path);
#endif
    importDrawingData(host, "input", d, "");
  } catch (const tinhost::file::FileError&) {
    fuzz::Check(host.document().state().objects.size() == before);
  }
  return 0;
}
