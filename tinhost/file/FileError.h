// The error of the drawing file and the importers: what went wrong, and where
// (the file, and the line when there is one).  The command line reports it as
// a file error (exit status 2).
#pragma once

#include <stdexcept>
#include <string>

namespace tinhost::file {

class FileError : public std::runtime_error {
 public:
  explicit FileError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tinhost::file
