// tinhost: the stand-in CAD host on the command line.  Everything happens in
// cli::runApp; this file only connects it to the process's streams.
#include <iostream>

#include "tinhost/cli/App.h"
#include "tinhost/core/Memory.h"

int main(int argc, char** argv) {
  tinhost::Memory::keepFreedMemoryForReuse();
  tinhost::cli::Console io{std::cin, std::cout, std::cerr};
  return tinhost::cli::runApp(argc, argv, io);
}
