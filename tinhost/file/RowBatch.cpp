#include "tinhost/file/RowBatch.h"

#include <cstdio>

namespace tinhost::file {

std::optional<ObjectColumns::Shared> ObjectColumns::shared(const Row& row) {
  const DrawingObject& o = *row.object;
  if (!o.text.empty()) return std::nullopt;
  return Shared{o.objectClass, o.color, o.fillPattern, o.lineWeight, o.closed,
                o.anchorX,     o.anchorY, o.textStyle, o.textSize};
}

std::string ObjectColumns::literals(const Shared& s) {
  const auto& [cls, color, fill, weight, closed, anchorX, anchorY, style, size] = s;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%02X%02X%02X%02X", color[0], color[1], color[2], color[3]);
  auto n = [](std::int64_t v) { return "," + std::to_string(v); };
  return n(cls) + ",X'" + hex + "'" + n(fill) + n(weight) + n(closed ? 1 : 0) + ",''" + n(anchorX) + n(anchorY) +
         n(style) + n(size);
}

void ObjectColumns::bindVarying(Statement& st, int i, const Row& row) {
  st.bind(i, std::int64_t{row.object->id}).bind(i + 1, std::int64_t{row.object->type});
  st.bind(i + 2, std::int64_t{row.parent}).bind(i + 3, row.position);
}

void ObjectColumns::bindAll(Statement& st, int i, const Row& row) {
  const DrawingObject& o = *row.object;
  bindVarying(st, i, row);
  st.bind(i + 4, std::int64_t{o.objectClass}).bindBlobUncopied(i + 5, o.color);
  st.bind(i + 6, std::int64_t{o.fillPattern}).bind(i + 7, std::int64_t{o.lineWeight});
  st.bind(i + 8, std::int64_t{o.closed ? 1 : 0}).bindUncopied(i + 9, o.text.view());
  st.bind(i + 10, std::int64_t{o.anchorX}).bind(i + 11, std::int64_t{o.anchorY});
  st.bind(i + 12, std::int64_t{o.textStyle}).bind(i + 13, std::int64_t{o.textSize});
}

void VertexColumns::bindVarying(Statement& st, int i, const Row& row) {
  st.bind(i, std::int64_t{row.object}).bind(i + 1, row.seq).bind(i + 2, std::int64_t{row.v.x});
  st.bind(i + 3, std::int64_t{row.v.y}).bind(i + 4, std::int64_t{row.v.z});
}

void VertexColumns::bindAll(Statement& st, int i, const Row& row) {
  bindVarying(st, i, row);
  st.bind(i + 5, std::int64_t{row.v.kind});
}

}  // namespace tinhost::file
