// _tinhost: the compiled half of the Python module.  It binds Drawing
// (PyDrawing.h) and hands out a TIN's stored geometry as numpy arrays; the
// Python half (tinhost/__init__.py) gives them the shape a script expects.
//
// The stored TIN is big-endian with 80-bit reals, so its runs are decoded
// once (one copy) per state of the drawing; every array handed out is a
// read-only view on that decoded copy, kept alive by the array itself, so an
// array stays valid after the drawing changes or closes.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>

#include "python/PyDrawing.h"
#include "tinhost/cli/Console.h"
#include "tinhost/core/HostError.h"
#include "tinhost/file/FileError.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace tinhost::python {
namespace {

// One TIN's decoded geometry, the owner of the arrays' memory.
struct Geometry {
  std::shared_ptr<const StoredTINGeometry> g;
};

template <typename T>
py::array view(const py::object& owner, const T* data, std::size_t rows, std::size_t columns) {
  std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(rows)}, strides{static_cast<py::ssize_t>(sizeof(T) * columns)};
  if (columns > 1) shape.push_back(static_cast<py::ssize_t>(columns)), strides.push_back(sizeof(T));
  py::array a(py::dtype::of<T>(), shape, strides, data, owner);
  a.attr("setflags")("write"_a = false);
  return a;
}

py::dict paramsDict(const StoredTINParams& p) {
  return py::dict("contourInterval"_a = p.contourInterval, "indexContourEvery"_a = p.indexContourEvery,
                  "datumElev"_a = p.datumElev, "contourBaseElev"_a = p.contourBaseElev,
                  "lowContourElev"_a = p.lowContourElev, "highContourElev"_a = p.highContourElev,
                  "want2DCntr"_a = p.want2DCntr, "want3DTris"_a = p.want3DTris, "want2DTris"_a = p.want2DTris,
                  "want3DCntr"_a = p.want3DCntr, "labelCntrs"_a = p.labelCntrs, "wantHull"_a = p.wantHull,
                  "smooth"_a = p.cntr2DVtxKind != 0, "makeGroups"_a = p.makeGroups, "useBrklns"_a = p.useBrklns,
                  "notResident"_a = p.notResident);
}

py::dict tinDict(const StoredTIN& t) {
  return py::dict("name"_a = t.name, "layer2DName"_a = t.layer2DName, "layer3DName"_a = t.layer3DName,
                  "difference"_a = t.difference, "id"_a = t.id, "inner_id"_a = t.innerId, "outer_id"_a = t.outerId);
}

py::dict importDict(const ImportOutcome& o) {
  const io::ImportResult& r = o.result;
  return py::dict("points"_a = r.points, "lines"_a = r.lines, "texts"_a = r.texts, "format"_a = r.formatName,
                  "layers"_a = r.layers, "notes"_a = r.notes, "warnings"_a = r.warnings, "skipped"_a = r.skipped,
                  "origin_chosen"_a = r.originChosen, "origin"_a = py::make_tuple(r.originX, r.originY),
                  "out"_a = o.out, "err"_a = o.err);
}

py::dict runDict(const RunResult& r) {
  return py::dict("status"_a = r.status, "changed"_a = r.changed, "reports"_a = r.reports, "alerts"_a = r.alerts,
                  "out"_a = r.out, "err"_a = r.err);
}

// Rows of an (N, 3) array of x, y, z as survey points; ValueError naming what is wrong.
std::vector<io::SurveyPoint> surveyPoints(const py::array_t<double, py::array::c_style | py::array::forcecast>& a,
                                          const std::string& what) {
  if (a.ndim() != 2 || a.shape(1) != 3) {
    std::string shape;
    for (py::ssize_t k = 0; k < a.ndim(); ++k) shape += (k ? ", " : "") + std::to_string(a.shape(k));
    throw py::value_error(what + " must be an (N, 3) array of x, y, z; its shape is (" + shape + ")");
  }
  const auto r = a.unchecked<2>();
  std::vector<io::SurveyPoint> points(static_cast<std::size_t>(r.shape(0)));
  for (py::ssize_t k = 0; k < r.shape(0); ++k) {
    if (!std::isfinite(r(k, 0)) || !std::isfinite(r(k, 1)) || !std::isfinite(r(k, 2)))
      throw py::value_error(what + ", row " + std::to_string(k) + ": x, y and z must be finite numbers");
    points[static_cast<std::size_t>(k)] = io::SurveyPoint{r(k, 0), r(k, 1), r(k, 2), static_cast<std::size_t>(k) + 1};
  }
  return points;
}

io::SurveyData linesData(const std::string& name, const py::list& arrays) {
  io::SurveyData data;
  data.format = io::Format::Breaklines;
  for (std::size_t k = 0; k < arrays.size(); ++k) {
    const std::string what = name + " line " + std::to_string(k);
    io::SurveyLine line{std::to_string(k + 1), surveyPoints(arrays[k].cast<py::array>(), what), false, 1};
    try {
      io::finishSurveyLine(name, line);
    } catch (const file::FileError& e) {  // the caller's data, not a file
      throw py::value_error(e.what());
    }
    data.lines.push_back(std::move(line));
  }
  return data;
}

std::chrono::milliseconds waitOf(double seconds) {
  if (!(seconds >= 0 && seconds <= 1.0e7)) throw py::value_error("wait must be between 0 and 1e7 seconds");
  return std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000.0));
}

void bindGeometry(py::module_& m) {
  py::class_<Geometry>(m, "_Geometry")
      .def_property_readonly("vertices", [](const py::object& self) {
        const StoredTINGeometry& g = *self.cast<const Geometry&>().g;
        return view(self, g.xyz.data(), g.xyz.size() / 3, 3);
      })
      .def_property_readonly("triangles", [](const py::object& self) {
        const StoredTINGeometry& g = *self.cast<const Geometry&>().g;
        return view(self, g.triangles.data(), g.triangles.size() / 3, 3);
      })
      .def_property_readonly("hull", [](const py::object& self) {
        const StoredTINGeometry& g = *self.cast<const Geometry&>().g;
        return view(self, g.hull.data(), g.hull.size(), 1);
      })
      .def_property_readonly("breaklines", [](const py::object& self) {
        py::list out;
        for (const StoredBreakline& b : self.cast<const Geometry&>().g->breaklines)
          out.append(py::dict("vertices"_a = view(self, b.vertices.data(), b.vertices.size(), 1),
                              "closed"_a = b.closed, "level"_a = b.level, "level_elev"_a = b.levelElev));
        return out;
      })
      .def_property_readonly("params", [](const Geometry& self) { return paramsDict(self.g->params); })
      .def_property_readonly("tin", [](const Geometry& self) { return tinDict(self.g->tin); });
}

void bindDrawing(py::module_& m) {
  py::class_<Drawing>(m, "_Drawing")
      .def(py::init([](const std::string& path, double wait, const std::string& plugin, bool readOnly) {
             return std::make_unique<Drawing>(path, waitOf(wait), plugin, readOnly);
           }),
           "path"_a, "wait"_a, "plugin"_a, "readonly"_a)
      .def_static(
          "create",
          [](const std::string& path, const std::string& unit, const std::string& crs, std::int64_t resolution,
             bool force, double wait, const std::string& plugin) {
            return Drawing::create(cli::NewArgs{path, unit, resolution, force, crs}, waitOf(wait), plugin);
          },
          "path"_a, "unit"_a, "crs"_a, "resolution"_a, "force"_a, "wait"_a, "plugin"_a)
      .def_property_readonly("path", &Drawing::path)
      .def_property_readonly("closed", &Drawing::closed)
      .def_property_readonly("changed", &Drawing::changed)
      .def_property_readonly("readonly", &Drawing::readOnly)
      .def("import_file",
           [](Drawing& d, const std::string& file, const std::string& layer, const std::string& format,
              const std::string& classes, bool lastReturn, std::optional<double> thin) {
             return importDict(d.importFile(cli::ImportArgs{file, layer, format, classes, lastReturn, thin}));
           })
      .def("import_points",
           [](Drawing& d, const std::string& layer, const py::array& xyz, const std::string& name) {
             io::SurveyData data;
             data.format = io::Format::Xyz;
             data.points = surveyPoints(xyz, name);
             return importDict(d.importData(name, data, layer));
           })
      .def("import_lines", [](Drawing& d, const std::string& layer, const py::list& arrays, const std::string& name) {
        return importDict(d.importData(name, linesData(name, arrays), layer));
      })
      .def("run", [](Drawing& d, const cli::RunArgs& args) { return runDict(d.run(args)); })
      .def("undo", [](Drawing& d) { return runDict(d.undo()); })
      .def("info", &Drawing::info, "objects"_a)
      .def("export",
           [](Drawing& d, const std::string& out, const std::vector<std::string>& layers, std::optional<double> cell,
              bool faces) { return d.exportTo(cli::ExportArgs{out, layers, cell, faces}); })
      .def("tins",
           [](Drawing& d) {
             py::list out;
             for (const StoredTIN& t : d.tins()) out.append(tinDict(t));
             return out;
           })
      .def("geometry", [](Drawing& d, std::size_t index) { return Geometry{d.geometry(index)}; })
      .def("contours",
           [](Drawing& d, const std::string& layer) {
             py::list out;
             for (DrawnContour& c : d.contours(layer)) {
               auto owner = std::make_shared<std::vector<double>>(std::move(c.xyz));
               py::capsule base(new std::shared_ptr<std::vector<double>>(owner),
                                [](void* p) { delete static_cast<std::shared_ptr<std::vector<double>>*>(p); });
               out.append(py::make_tuple(view(base, owner->data(), owner->size() / 3, 3), c.index));
             }
             return out;
           })
      .def("sample",
           [](Drawing& d, std::size_t index, const py::array_t<double, py::array::c_style | py::array::forcecast>& xy) {
             if (xy.ndim() != 2 || xy.shape(1) != 2)
               throw py::value_error("the points to sample must be an (N, 2) array of x, y");
             std::vector<double> z = d.sample(index, std::span<const double>(xy.data(), xy.size()));
             py::array_t<double> out(static_cast<py::ssize_t>(z.size()));
             std::copy(z.begin(), z.end(), out.mutable_data());
             return out;
           })
      .def("origin", &Drawing::origin)
      .def("save", &Drawing::save)
      .def("close", &Drawing::close, "keep"_a);
}

void bindRunArgs(py::module_& m) {
  py::class_<cli::RunArgs>(m, "_RunArgs")
      .def(py::init<>())
      .def_readwrite("command", &cli::RunArgs::command)
      .def_readwrite("plugin", &cli::RunArgs::plugin)
      .def_readwrite("layer", &cli::RunArgs::layer)
      .def_readwrite("select", &cli::RunArgs::select)
      .def_readwrite("sets", &cli::RunArgs::sets)
      .def_readwrite("cancel", &cli::RunArgs::cancel)
      .def_readwrite("confirms", &cli::RunArgs::confirms)
      .def_readwrite("choose", &cli::RunArgs::choose)
      .def_readwrite("place_text", &cli::RunArgs::placeText)
      .def_readwrite("hold_option", &cli::RunArgs::holdOption)
      .def_readwrite("memory_budget", &cli::RunArgs::memoryBudget);
}

}  // namespace
}  // namespace tinhost::python

PYBIND11_MODULE(_tinhost, m) {
  using namespace tinhost;
  m.doc() = "The compiled half of the tinhost module; import tinhost instead.";
  // Usage errors are the caller's fault in Python's words too.
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const cli::UsageError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    }
  });
  py::register_exception<file::FileError>(m, "FileError", PyExc_OSError);
  py::register_exception<HostError>(m, "HostError", PyExc_RuntimeError);
  python::bindRunArgs(m);
  python::bindGeometry(m);
  python::bindDrawing(m);
}
