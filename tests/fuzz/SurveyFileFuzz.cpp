// The survey text readers (PNEZD, PENZD, XYZ, CSV with a header, breaklines)
// on arbitrary text; the first byte picks the format.  A bad row must end in
// FileError naming it; what is accepted must enter a drawing whole.
#include <cstdint>
#include <string_view>

#include "FuzzFile.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/Importer.h"
#include "tinhost/io/SurveyFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tinhost::io;
  if (size < 1 || size > (1u << 18)) return 0;
  constexpr Format kFormats[] = {Format::Auto, Format::Pnezd, Format::Penzd, Format::Xyz, Format::Csv,
                                 Format::Breaklines};
  const Format format = kFormats[data[0] % 6];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  SurveyData parsed;
  try {
    parsed = parseSurveyText("input", text, format);
  } catch (const tinhost::file::FileError&) {
    return 0;
  }
  tinhost::Host host;
  const std::size_t before = host.document().state().objects.size();
  try {
    const ImportResult r = importSurveyData(host, "input", parsed, "");
    fuzz::Check(r.points == parsed.points.size() && r.lines == parsed.lines.size());
  } catch (const tinhost::file::FileError&) {
    // Coordinates the drawing cannot hold: nothing may have been added.
    fuzz::Check(host.document().state().objects.size() == before);
  }
  return 0;
}
