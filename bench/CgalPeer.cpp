// The peer of the build benchmark: CGAL triangulations of the same "x,y,z"
// points file, each timed from the points in memory to the finished
// triangulation, with the peak resident memory of the process.
//
//   dt        Delaunay_triangulation_2 built from the whole range at once: CGAL
//             sorts the points along a space-filling curve before inserting.
//   dt-order  the insertion order of our build: the points sorted by elevation
//             (stable, so equal elevations keep their file order; timed apart
//             as sort_seconds, outside `seconds`) and inserted one at a time
//             with a plain insert(p) into a Triangulation_hierarchy_2 over
//             Delaunay_triangulation_2, whose hierarchy locates each point.
//   cdt       Constrained_Delaunay_triangulation_2 from the whole range.
#include <sys/resource.h>

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_data_structure_2.h>
#include <CGAL/Triangulation_face_base_2.h>
#include <CGAL/Triangulation_hierarchy_2.h>
#include <CGAL/Triangulation_hierarchy_vertex_base_2.h>
#include <CGAL/Triangulation_vertex_base_2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using DT = CGAL::Delaunay_triangulation_2<K>;
using CDT = CGAL::Constrained_Delaunay_triangulation_2<K>;

using HierarchyVb = CGAL::Triangulation_hierarchy_vertex_base_2<CGAL::Triangulation_vertex_base_2<K>>;
using HierarchyTds = CGAL::Triangulation_data_structure_2<HierarchyVb, CGAL::Triangulation_face_base_2<K>>;
using HierarchyDT = CGAL::Triangulation_hierarchy_2<CGAL::Delaunay_triangulation_2<K, HierarchyTds>>;

namespace {

struct ElevatedPoint {
  K::Point_2 p;
  long z;
};

// The points of the file in file order; false when it cannot be opened.
bool ReadPoints(const char* path, std::vector<ElevatedPoint>* out) {
  FILE* in = std::fopen(path, "r");
  if (in == nullptr) return false;
  long x = 0, y = 0, z = 0;
  while (std::fscanf(in, "%ld,%ld,%ld", &x, &y, &z) == 3) out->push_back({K::Point_2(double(x), double(y)), z});
  std::fclose(in);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "dt" && mode != "dt-order" && mode != "cdt") {
    std::fprintf(stderr, "usage: %s dt|dt-order|cdt POINTS.csv\n", argv[0]);
    return 2;
  }
  std::vector<K::Point_2> pts;
  double sortSeconds = 0.0;  // the elevation sort of dt-order, timed apart
  {
    std::vector<ElevatedPoint> read;
    if (!ReadPoints(argv[2], &read)) return 2;
    if (mode == "dt-order") {
      const auto sortStart = std::chrono::steady_clock::now();
      std::stable_sort(read.begin(), read.end(),
                       [](const ElevatedPoint& a, const ElevatedPoint& b) { return a.z < b.z; });
      sortSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sortStart).count();
    }
    pts.reserve(read.size());
    for (const ElevatedPoint& e : read) pts.push_back(e.p);
  }  // only the points stay in memory for the timed part
  const auto start = std::chrono::steady_clock::now();
  std::size_t faces = 0;
  if (mode == "dt") {
    DT dt(pts.begin(), pts.end());
    faces = dt.number_of_faces();
  } else if (mode == "dt-order") {
    HierarchyDT dt;
    for (const K::Point_2& p : pts) dt.insert(p);
    faces = dt.number_of_faces();
  } else {
    CDT cdt;
    cdt.insert(pts.begin(), pts.end());
    faces = cdt.number_of_faces();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("points %zu seconds %.3f triangles %zu peak_kb %ld sort_seconds %.3f\n", pts.size(),
              seconds, faces, usage.ru_maxrss, sortSeconds);
  return 0;
}
