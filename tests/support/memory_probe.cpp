#include "support/memory_probe.h"

#include <unistd.h>

#include <fstream>

namespace quellora::testing {

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long total = 0;
  long resident = 0;
  statm >> total >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace quellora::testing
