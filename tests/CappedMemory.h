// Caps the address space of a death-test child, so that an allocation the
// code under test asks for can fail here as it would on a small machine.
#pragma once

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

// The page size /proc/self/statm counts in on the hosts the tests run on.
constexpr rlim_t StatmPageBytes = 4096;
// Room left above what the process already uses: enough for the test's own
// work, far below a 2 GiB window.
constexpr rlim_t CapHeadroomBytes = rlim_t(256) << 20;

// Caps the address space near what the process already uses. Meant for the
// child of a death test: when the cap cannot be set it ends the process with
// exit code 2 (statm unreadable) or 3 (setrlimit refused), so the test fails.
inline void CapAddressSpace() {
  long pages = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1) std::_Exit(2);
  std::fclose(statm);
  const rlim_t limit = static_cast<rlim_t>(pages) * StatmPageBytes + CapHeadroomBytes;
  const rlimit capped = {limit, limit};
  if (setrlimit(RLIMIT_AS, &capped) != 0) std::_Exit(3);
}
