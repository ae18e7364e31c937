#include "tinhost/io/WebView.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tinhost/file/FileError.h"
#include "tinhost/io/ExportScope.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/Progress.h"
#include "tinhost/io/TextRows.h"
#include "tinhost/io/WebViewData.h"

#ifndef TIN_THREE_JS_DIR
#define TIN_THREE_JS_DIR "/usr/share/javascript/three"
#endif

namespace tinhost::io {

namespace web_files {
extern const unsigned char kViewHtml[];
extern const std::size_t kViewHtmlSize;
extern const unsigned char kViewCss[];
extern const std::size_t kViewCssSize;
extern const unsigned char kViewJs[];
extern const std::size_t kViewJsSize;
}  // namespace web_files

namespace {

using file::FileError;

std::string_view embedded(const unsigned char* bytes, std::size_t size) {
  return {reinterpret_cast<const char*>(bytes), size};
}

// The library files the page inlines, relative to the library's folder.
constexpr const char* kThreeFiles[] = {"three.min.js", "examples/js/controls/OrbitControls.js"};

std::string readLibrary(const std::filesystem::path& path, const std::filesystem::path& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw FileError(out.string() + ": cannot read the 3D library " + path.string() +
                    " (install Debian's libjs-three, or name its folder in TINHOST_THREE_DIR)");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Text placed inside a <script> element must not close it early.
void appendScriptText(std::string& page, std::string_view text) {
  std::size_t from = 0;
  for (std::size_t at; (at = text.find("</", from)) != std::string_view::npos; from = at + 2) {
    page.append(text.substr(from, at - from));
    page.append("<\\/");
  }
  page.append(text.substr(from));
}

void appendBase64(std::string& page, const std::string& bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  page.reserve(page.size() + (n + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const std::uint32_t v = (std::uint32_t{b[i]} << 16) | (std::uint32_t{b[i + 1]} << 8) | b[i + 2];
    page += kDigits[v >> 18], page += kDigits[(v >> 12) & 63], page += kDigits[(v >> 6) & 63],
        page += kDigits[v & 63];
  }
  if (i < n) {
    const std::uint32_t v =
        (std::uint32_t{b[i]} << 16) | (i + 1 < n ? std::uint32_t{b[i + 1]} << 8 : 0);
    page += kDigits[v >> 18], page += kDigits[(v >> 12) & 63];
    page += i + 1 < n ? kDigits[(v >> 6) & 63] : '=';
    page += '=';
  }
}

// The page template with its three markers replaced: the style, the scripts
// (library, data, our code) and the title.
std::string assemble(const WebViewData& data, const std::vector<std::string>& libraries,
                     const std::string& title) {
  std::string page;
  const std::string_view html = embedded(web_files::kViewHtml, web_files::kViewHtmlSize);
  const std::size_t style = html.find("<!--STYLE-->"), scripts = html.find("<!--SCRIPTS-->"),
                    name = html.find("<!--TITLE-->");
  if (style == std::string_view::npos || scripts == std::string_view::npos ||
      name == std::string_view::npos || !(name < style && style < scripts))
    throw FileError("the web view's page template lacks its markers");
  page.append(html.substr(0, name));
  for (char c : title)
    page += c == '<' ? std::string("&lt;") : c == '&' ? std::string("&amp;") : std::string(1, c);
  page.append(html.substr(name + 12, style - name - 12));
  page.append("<style>\n")
      .append(embedded(web_files::kViewCss, web_files::kViewCssSize))
      .append("</style>");
  page.append(html.substr(style + 12, scripts - style - 12));
  for (const std::string& lib : libraries) {
    page.append("<script>\n");
    appendScriptText(page, lib);
    page.append("\n</script>\n");
  }
  page.append("<script type=\"application/json\" id=\"tin-meta\">");
  appendScriptText(page, data.meta.dump());
  page.append("</script>\n");
  for (std::size_t k = 0; k < data.buffers.size(); ++k) {
    page.append("<script type=\"application/octet-stream\" id=\"tin-buffer-" + std::to_string(k) +
                "\">");
    appendBase64(page, data.buffers[k]);
    page.append("</script>\n");
  }
  page.append("<script>\n");
  appendScriptText(page, embedded(web_files::kViewJs, web_files::kViewJsSize));
  page.append("\n</script>");
  page.append(html.substr(scripts + 14));
  return page;
}

}  // namespace

bool isWebViewPath(const std::filesystem::path& path) {
  const std::string ext = lower(path.extension().string());
  return ext == ".html" || ext == ".htm";
}

std::filesystem::path threeLibraryDir() {
  if (const char* dir = std::getenv("TINHOST_THREE_DIR"); dir != nullptr && *dir != '\0')
    return dir;
  return TIN_THREE_JS_DIR;
}

ExportResult writeWebView(const Host& host, const std::filesystem::path& out,
                          const std::vector<std::string>& layers,
                          const std::vector<TinReportedFigures>& figures) {
  std::vector<std::string> libraries;
  for (const char* f : kThreeFiles) libraries.push_back(readLibrary(threeLibraryDir() / f, out));
  Progress progress("writing " + out.filename().string(), 3);
  const ExportScope scope(host, out, layers);
  progress.update(1);
  WebViewData data = gatherWebView(host, scope, figures);
  data.meta["title"] = out.stem().string();
  progress.update(2);
  const std::string page = assemble(data, libraries, out.stem().string());

  OutputFile file(out);
  {
    std::ofstream f(file.temp(), std::ios::binary | std::ios::trunc);
    if (!f) throw FileError(out.string() + ": cannot write it");
    f.write(page.data(), static_cast<std::streamsize>(page.size()));
    f.close();
    if (!f) throw FileError(out.string() + ": writing failed");
  }
  file.commit();
  progress.finish();
  ExportResult result;
  result.format = "html";
  result.points = data.points;
  result.faces = data.triangles;
  result.texts = data.texts;
  result.detail = std::to_string(data.lines) + " line(s), " +
                  std::to_string(data.meta["tins"].size()) + " TIN surface(s), " +
                  std::to_string((page.size() + 1023) / 1024) + " KiB";
  return result;
}

}  // namespace tinhost::io
