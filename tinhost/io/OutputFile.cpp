#include "tinhost/io/OutputFile.h"

#include "tinhost/file/FileError.h"

namespace tinhost::io {

OutputFile::OutputFile(std::filesystem::path target)
    : target_(std::move(target)), temp_(target_.parent_path() / ("." + target_.filename().string() + ".writing")) {
  // Whatever sits at the temporary name (a file left by a killed export, or a
  // link planted to send the writing elsewhere) goes first: the link itself
  // is removed, never what it points to.
  std::error_code ec;
  std::filesystem::remove(temp_, ec);
}

OutputFile::~OutputFile() {
  if (committed_) return;
  std::error_code ec;
  std::filesystem::remove(temp_, ec);
}

void OutputFile::commit() {
  std::error_code ec;
  if (!std::filesystem::exists(temp_, ec))
    throw file::FileError(target_.string() + ": cannot write it");
  std::filesystem::rename(temp_, target_, ec);
  if (ec) throw file::FileError(target_.string() + ": cannot write it (" + ec.message() + ")");
  committed_ = true;
}

}  // namespace tinhost::io
