// The peer of the build benchmark: CGAL's Delaunay and constrained Delaunay
// triangulations of the same "x,y,z" points file, each timed from the points
// in memory to the finished triangulation, with the peak resident memory.
#include <sys/resource.h>

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using DT = CGAL::Delaunay_triangulation_2<K>;
using CDT = CGAL::Constrained_Delaunay_triangulation_2<K>;

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "dt") != 0 && std::strcmp(argv[1], "cdt") != 0)) {
    std::fprintf(stderr, "usage: %s dt|cdt POINTS.csv\n", argv[0]);
    return 2;
  }
  FILE* in = std::fopen(argv[2], "r");
  if (in == nullptr) return 2;
  std::vector<K::Point_2> pts;
  long x = 0, y = 0, z = 0;
  while (std::fscanf(in, "%ld,%ld,%ld", &x, &y, &z) == 3) pts.emplace_back(double(x), double(y));
  std::fclose(in);
  const auto start = std::chrono::steady_clock::now();
  std::size_t faces = 0;
  if (std::strcmp(argv[1], "dt") == 0) {
    DT dt(pts.begin(), pts.end());
    faces = dt.number_of_faces();
  } else {
    CDT cdt;
    cdt.insert(pts.begin(), pts.end());
    faces = cdt.number_of_faces();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("points %zu seconds %.3f triangles %zu peak_kb %ld\n", pts.size(), seconds, faces,
              usage.ru_maxrss);
  return 0;
}
