#include "WindowsNames.h"

#include <cctype>

namespace {

constexpr uint32_t VersionSetBits = 64;
constexpr const char* AllVersionsName = "all";
constexpr char ListSeparator = ',';

std::string Lowercase(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsNamedBit(uint32_t bit) {
  for (const TWindowsVersionName& name : WindowsVersionNames())
    if (name.bit == bit) return true;
  return false;
}

}  // namespace

const std::vector<TWindowsVersionName>& WindowsVersionNames() {
  static const std::vector<TWindowsVersionName> names = {
      {"win95", "Windows 95", 0},        {"win98", "Windows 98", 1},   {"winme", "Windows ME", 2},
      {"nt4", "Windows NT 4", 3},        {"win2000", "Windows 2000", 4}, {"winxp", "Windows XP", 5},
      {"vista", "Windows Vista", 6},     {"win7", "Windows 7", 7},     {"win8", "Windows 8", 8},
      {"win81", "Windows 8.1", 9},       {"win10", "Windows 10", 10},  {"later", "later Windows", 63},
  };
  return names;
}

bool ParseWindowsList(const std::string& list, uint64_t& set, std::string& badItem) {
  uint64_t result = 0;
  size_t start = 0;
  for (;;) {
    const size_t end = list.find(ListSeparator, start);
    const std::string item = Trimmed(list.substr(start, end == std::string::npos ? std::string::npos : end - start));
    const std::string key = Lowercase(item);
    bool known = false;
    if (key == AllVersionsName) {
      result |= AllWindowsVersions;
      known = true;
    }
    for (const TWindowsVersionName& name : WindowsVersionNames()) {
      if (key != name.switchName) continue;
      result |= uint64_t(1) << name.bit;
      known = true;
    }
    if (!known) {
      badItem = item;
      return false;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  set = result;
  return true;
}

std::vector<std::string> WindowsSwitchNames(uint64_t set) {
  std::vector<std::string> names;
  for (const TWindowsVersionName& name : WindowsVersionNames())
    if ((set >> name.bit) & 1u) names.push_back(name.switchName);
  return names;
}

std::vector<uint32_t> UnnamedWindowsBits(uint64_t set) {
  std::vector<uint32_t> bits;
  for (uint32_t bit = 0; bit < VersionSetBits; ++bit)
    if (((set >> bit) & 1u) && !IsNamedBit(bit)) bits.push_back(bit);
  return bits;
}

std::string KnownWindowsSwitchNames() {
  std::string out;
  for (const TWindowsVersionName& name : WindowsVersionNames()) {
    if (!out.empty()) out += ", ";
    out += name.switchName;
  }
  return out;
}
