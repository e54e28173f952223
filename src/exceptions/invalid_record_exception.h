#pragma once

#include "../types.h"
#include "morvane_exception.h"

namespace morvane {

// A record identifier does not name a record of the page. Message:
//   Request made for an invalid record. Record {page=<page>, slot=<slot>} from page <page_num>
class InvalidRecordException : public MorvaneException {
 public:
  // Copies `rec_id`. Throws std::bad_alloc if the message cannot be allocated.
  InvalidRecordException(const RecordId& rec_id, PageId page_num);

  // The record identifier, as copied at construction.
  virtual const RecordId& record_id() const { return record_id_; }
  // The page the record was looked for in.
  virtual PageId page_number() const { return page_number_; }

 protected:
  const RecordId record_id_;  // copy of the invalid identifier
  const PageId page_number_;  // the page it was looked for in
};

}  // namespace morvane
