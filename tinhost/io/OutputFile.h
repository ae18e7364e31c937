// A file written beside its target under a temporary name and renamed over
// the target only when complete, so a failed or interrupted export never
// leaves a half-written file where the user expects the result.
#pragma once

#include <filesystem>

namespace tinhost::io {

class OutputFile {
 public:
  explicit OutputFile(std::filesystem::path target);
  ~OutputFile();  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::filesystem::path& temp() const { return temp_; }
  const std::filesystem::path& target() const { return target_; }
  // Renames the temporary file over the target; throws FileError.
  void commit();

 private:
  std::filesystem::path target_, temp_;
  bool committed_ = false;
};

}  // namespace tinhost::io
