// Records, finds and forgets a page, catches an error through the base class,
// checks the version header, and loads the plugin named by argv[1]. Exits 0
// only if every step gave what it should.

#include <dlfcn.h>
#include <morvane/bufHashTbl.h>
#include <morvane/version.h>

#include <iostream>
#include <string>

// Only <morvane/...> reaches the library: no bare names, no internal headers.
// (g++ takes __has_include only in a preprocessing directive.)
#if __has_include("types.h") || __has_include("bufHashTbl.h") || __has_include("exceptions/morvane_exception.h")
constexpr bool kBareNamesReachable = true;
#else
constexpr bool kBareNamesReachable = false;
#endif
#if __has_include(<morvane/exceptions/compose_message.h>)
constexpr bool kInternalsReachable = true;
#else
constexpr bool kInternalsReachable = false;
#endif
static_assert(!kBareNamesReachable, "the library puts bare header names on the consumer's include path");
static_assert(!kInternalsReachable, "the library lets consumers reach its internal headers");
static_assert(__cplusplus == 201703L, "a C++17 consumer must stay C++17 when it links the library");
static_assert(MORVANE_VERSION == MORVANE_VERSION_MAJOR * 10000 + MORVANE_VERSION_MINOR * 100 + MORVANE_VERSION_PATCH);
static_assert(MORVANE_VERSION == MORVANE_EXPECTED_VERSION, "the headers are not the version that was packaged");

int consumerOwnStorage();  // from the consumer's own `storage` library

namespace {

bool fail(const std::string& what) {
  std::cout << "consumer FAILED: " << what << '\n';
  return false;
}

bool useTheTable() {
  const morvane::File orders("orders.db");
  morvane::BufHashTbl table(64);
  table.insert(&orders, 42, 7);
  morvane::FrameId frame = 0;
  table.lookup(&orders, 42, frame);
  table.remove(&orders, 42);
  try {
    table.lookup(&orders, 42, frame);
  } catch (const morvane::HashNotFoundException& error) {  // named through <morvane/bufHashTbl.h> alone
    if (frame != 7 || error.message() != "The hash value is not present in the hash table for file: orders.dbpage: 42")
      return fail(std::string("table: ") + error.what());
    return true;
  }
  return fail("no error for a forgotten page");
}

bool usePlugin(const char* path) {
  void* plugin = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) return fail(std::string("dlopen: ") + dlerror());
  auto* probe = reinterpret_cast<long (*)()>(dlsym(plugin, "morvanePluginProbe"));
  const long frame = probe != nullptr ? probe() : -2;
  dlclose(plugin);
  return frame == 9 || fail("plugin probe gave " + std::to_string(frame));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: consumer PLUGIN\n";
    return 2;
  }
  const bool ok = useTheTable() && usePlugin(argv[1]) && (consumerOwnStorage() == 42 || fail("own storage"));
  if (ok) std::cout << "consumer ok: version " << MORVANE_VERSION << ", table, plugin, own storage target\n";
  return ok ? 0 : 1;
}
