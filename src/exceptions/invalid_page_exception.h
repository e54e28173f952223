#pragma once

#include <string>

#include "../types.h"
#include "morvane_exception.h"

namespace morvane {

// A page was requested that the file does not have. Keeps its own copy of
// the file name. Message:
//   Request made for an invalid page. Requested page <page> from file '<name>'
class InvalidPageException : public MorvaneException {
 public:
  // Copies `file`. Throws std::bad_alloc if the copy or the message cannot be
  // allocated.
  InvalidPageException(PageId requested_number, const std::string& file);

  // The requested page.
  virtual PageId page_number() const { return page_number_; }
  // The file's name, as copied at construction.
  virtual const std::string& filename() const { return filename_; }

 protected:
  const PageId page_number_;    // the requested page
  const std::string filename_;  // copy of the file's name
};

}  // namespace morvane
