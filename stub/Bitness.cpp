#include "Bitness.h"

#include "Arguments.h"
#include "FatalMessages.h"

namespace {

const char* const Kernel32ModuleName = "kernel32";
const char* const IsWow64ProcessName = "IsWow64Process";

bool BothPayloadsPresent(const TPayloadRef& payload32, const TPayloadRef& payload64) {
  return payload32.offset != NoPayloadOffset && payload64.offset != NoPayloadOffset &&
         payload64.offset != Refuse64BitOffset;
}

TPayloadChoice Chosen(const TPayloadRef& payload) { return TPayloadChoice{false, payload}; }

TPayloadChoice Refused() { return TPayloadChoice{true, TPayloadRef{0, 0, 0}}; }

}  // namespace

bool PayloadChoiceNeedsSlash32(const TPayloadRef& payload32, const TPayloadRef& payload64) {
  return BothPayloadsPresent(payload32, payload64);
}

bool PayloadChoiceNeedsWow64(const TPayloadRef& payload32, const TPayloadRef& payload64, bool slash32Given) {
  if (payload32.offset == NoPayloadOffset) return true;
  if (payload64.offset == Refuse64BitOffset) return true;
  if (payload64.offset == NoPayloadOffset) return false;
  return !slash32Given;
}

TPayloadChoice SelectPayload(const TPayloadRef& payload32, const TPayloadRef& payload64, bool slash32Given,
                             bool underWow64) {
  // Without a 32-bit payload the 64-bit reference is handed on unexamined;
  // decompression checks whatever it names.
  if (payload32.offset == NoPayloadOffset) return underWow64 ? Chosen(payload64) : Refused();
  if (payload64.offset == Refuse64BitOffset) return underWow64 ? Refused() : Chosen(payload32);
  if (payload64.offset == NoPayloadOffset) return Chosen(payload32);
  if (slash32Given) return Chosen(payload32);
  return underWow64 ? Chosen(payload64) : Chosen(payload32);
}

bool RunningUnderWow64() {
  // Looked up, not imported, so that the launcher still starts on systems
  // that lack the function.
  Platform::THandle kernel32 = Platform::GetModuleHandleA(Kernel32ModuleName);
  Platform::TProc isWow64Process = Platform::GetProcAddress(kernel32, IsWow64ProcessName);
  if (isWow64Process == nullptr) return false;
  Platform::TBool wow64 = 0;
  if (Platform::CallIsWow64Process(isWow64Process, Platform::GetCurrentProcess(), &wow64) == 0) return false;
  return wow64 != 0;
}

TPayloadRef ChoosePayload(Platform::THandle launcherFile, const TPackageConfig& config) {
  const TPayloadRef& payload32 = config.payload32;
  const TPayloadRef& payload64 = config.payload64;
  bool slash32Given = PayloadChoiceNeedsSlash32(payload32, payload64) && Slash32Given();
  bool underWow64 = PayloadChoiceNeedsWow64(payload32, payload64, slash32Given) && RunningUnderWow64();
  TPayloadChoice choice = SelectPayload(payload32, payload64, slash32Given, underWow64);
  if (choice.refused) ShowPackageMessage(launcherFile, config.bitnessMessage, "");
  return choice.payload;
}
