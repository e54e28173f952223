#pragma once

// The engine's own paged file and page table, built on the library; its
// public interface exposes morvane's types, so it links the library PUBLIC.

#include <morvane/bufHashTbl.h>

#include <string>

namespace engine {

// The engine's open file, usable wherever the table wants a morvane::File.
class PagedFile : public morvane::File {
 public:
  PagedFile(std::string name, morvane::PageId pages) : morvane::File(std::move(name)), pages_(pages) {}
  morvane::PageId pages() const { return pages_; }

 private:
  morvane::PageId pages_;
};

// Records page `page` of `file` in frame `frame`, finds it again and returns
// the frame found, or -1 if the table did not give it back.
long recordAndFind(morvane::BufHashTbl& table, const PagedFile& file, morvane::PageId page, morvane::FrameId frame);

}  // namespace engine
