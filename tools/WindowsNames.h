// The names by which the command line and the inspection report name the
// elements of a package's Windows version set. Host-only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The set that `--windows all` means, and the default: every element that
// some Windows version maps to (bits 0 to 10 and 63).
constexpr uint64_t AllWindowsVersions = 0x80000000000007FFull;

// One element of the set that a Windows version maps to.
struct TWindowsVersionName {
  const char* switchName;  // as given to --windows, e.g. "win81"
  const char* title;       // as Windows calls itself, e.g. "Windows 8.1"
  uint32_t bit;            // element number 0..63
};

// Every named element, in the order of their bits.
const std::vector<TWindowsVersionName>& WindowsVersionNames();

// The set of a comma-separated list of switch names, or "all". Names are
// compared without regard to case; blanks around them are ignored. Returns
// false, with the offending item in badItem, for an unknown or empty item.
bool ParseWindowsList(const std::string& list, uint64_t& set, std::string& badItem);

// The switch names of the named elements present in set, in bit order.
std::vector<std::string> WindowsSwitchNames(uint64_t set);
// The elements present in set that no Windows version maps to (11 to 62).
std::vector<uint32_t> UnnamedWindowsBits(uint64_t set);
// "win95, win98, ..." for the help text.
std::string KnownWindowsSwitchNames();
