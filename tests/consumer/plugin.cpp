// A shared object with the library linked in, as an engine's plugin or
// language binding would have it. Returns the frame it recorded and found
// again, or -1 if any step went wrong.

#include <morvane/bufHashTbl.h>
#include <morvane/exceptions/hash_already_present_exception.h>

extern "C" long morvanePluginProbe() {
  const morvane::File file("plugin.db");
  morvane::BufHashTbl table(8);
  table.insert(&file, 3, 9);
  try {
    table.insert(&file, 3, 10);
    return -1;
  } catch (const morvane::HashAlreadyPresentException& error) {  // thrown and caught inside the shared object
    if (error.message() !=
        "Entry corresponding to the hash value of file:plugin.dbpage:3frame:9is already present "
        "in the hash table.") {
      return -1;
    }
  }
  morvane::FrameId frame = 0;
  return table.tryLookup(&file, 3, frame) ? static_cast<long>(frame) : -1;
}
