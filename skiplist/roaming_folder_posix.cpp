// Stand-in for the roaming folder in native builds: the absolute folder named by an environment
// variable, so tests can point the store at a folder of their own.
#include <cstdlib>
#include <cstring>

#include "skiplist/roaming_folder.h"

int32_t findRoamingFolder(char* out, std::size_t width) {
  if (width == 0) return kRoamingUnavailable;
  out[0] = '\0';
  // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing sets the environment while tests run
  const char* folder = std::getenv("CORVANE_TEST_ROAMING_DIR");
  if (folder == nullptr || folder[0] != '/') return kRoamingUnavailable;
  std::size_t length = std::strlen(folder);
  if (length + 1 > width) return kRoamingUnavailable;
  std::memcpy(out, folder, length + 1);
  return kRoamingFound;
}
