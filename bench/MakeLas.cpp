// Writes a LiDAR-like LAS tile for the import benchmark: N points over a
// square of one point per square metre, smooth hills with centimetre noise,
// four in five classified ground (class 2) and the rest vegetation (class 5),
// first and last returns mixed; fixed seed.
//
//   make_las N FILE [FORMAT]     FORMAT 1 (LAS 1.2, default) or 6 (LAS 1.4)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/support/LasWriter.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_las N FILE [FORMAT]\n");
    return 2;
  }
  const long n = std::atol(argv[1]);
  tinhost::testing::LasTestFile f;
  f.format = argc > 3 ? std::atoi(argv[3]) : 1;
  f.offset[0] = 500000, f.offset[1] = 4000000, f.offset[2] = 0;
  f.epsg = 32633;
  const double side = std::sqrt(static_cast<double>(n));
  std::mt19937_64 random(12);
  std::uniform_real_distribution<double> along(0, side);
  std::normal_distribution<double> noise(0, 0.03);
  f.points.reserve(static_cast<std::size_t>(n));
  for (long i = 0; i < n; ++i) {
    const double x = along(random), y = along(random);
    const double z = 500 + 30 * std::sin(x / 150) * std::cos(y / 110) + 12 * std::sin((x + 2 * y) / 70) + noise(random);
    tinhost::testing::LasTestPoint p{500000 + x, 4000000 + y, z};
    p.classification = i % 5 == 4 ? 5 : 2;
    if (i % 3 == 1) p.returnNumber = 1, p.returnCount = 2;
    if (i % 3 == 2) p.returnNumber = 2, p.returnCount = 2;
    f.points.push_back(p);
  }
  tinhost::testing::writeLas(argv[2], f);
  return 0;
}
