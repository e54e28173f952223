#include "engine.h"

static_assert(__cplusplus == 201703L, "the engine is C++17 and must be compiled as C++17");

long engine::recordAndFind(morvane::BufHashTbl& table, const PagedFile& file, morvane::PageId page,
                           morvane::FrameId frame) {
  table.insert(&file, page, frame);
  morvane::FrameId found = 0;
  return table.tryLookup(&file, page, found) ? static_cast<long>(found) : -1;
}
