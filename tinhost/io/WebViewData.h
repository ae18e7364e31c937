// What the web view embeds: the drawing's layers and TINs as a JSON
// description whose geometry lives in binary buffers (little-endian float32
// and uint32 arrays), referred to by their number.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tinhost/io/Exporter.h"

namespace tinhost {
class Host;
}

namespace tinhost::io {

class ExportScope;

struct WebViewData {
  nlohmann::json meta;
  std::vector<std::string> buffers;  // raw bytes of each typed array
  std::size_t points = 0, lines = 0, texts = 0, triangles = 0;

  // Stores the array; its number for the description.
  template <typename T>
  int add(const std::vector<T>& values) {
    buffers.emplace_back(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
    return static_cast<int>(buffers.size() - 1);
  }
};

// The layers of `scope` and the TINs found on them (from the stored TINs when
// they keep their geometry, else from their drawn 3D triangles).
WebViewData gatherWebView(const Host& host, const ExportScope& scope,
                          const std::vector<TinReportedFigures>& figures);

}  // namespace tinhost::io
