#pragma once

#include <string>
#include <utility>

namespace morvane {

// The least of an open paged file that the frame table needs: a name for
// error messages and a stable address. The address is the file's identity:
// two File objects naming the same file on disk are two different keys.
// Not copyable, so that a copy cannot pass for the same open file.
//
// An engine derives its own open-file class from File and passes its objects
// to the table as they are. The destructor is virtual, so such an object may
// be owned, and destroyed, through a File pointer.
class File {
 public:
  explicit File(std::string name) : name_(std::move(name)) {}

  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&&) = delete;
  File& operator=(File&&) = delete;
  virtual ~File() = default;

  // The file's name; valid as long as this object lives.
  const std::string& filename() const { return name_; }

 private:
  std::string name_;  // the name given at construction
};

}  // namespace morvane
