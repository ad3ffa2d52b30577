// The choice between the package's 32-bit and 64-bit setup program by the
// bitness of Windows. The launcher is a 32-bit program: on 64-bit Windows it
// runs under WOW64, and that is how it tells the two apart.
#pragma once

#include "../package/StubTypes.h"
#include "../platform/Platform.h"

// In either payload reference: the package carries no such payload.
constexpr uint32_t NoPayloadOffset = 0;

// The outcome of the choice: a whole copy of payload32 or payload64, or a
// refusal of this Windows (payload then holds nothing of use).
struct TPayloadChoice {
  bool refused;
  TPayloadRef payload;
};

// Whether SelectPayload looks at slash32Given for these references: only
// when the package carries both payloads.
bool PayloadChoiceNeedsSlash32(const TPayloadRef& payload32, const TPayloadRef& payload64);

// Whether SelectPayload looks at underWow64 for these references and this
// /32 answer (slash32Given is ignored where PayloadChoiceNeedsSlash32 is false).
bool PayloadChoiceNeedsWow64(const TPayloadRef& payload32, const TPayloadRef& payload64, bool slash32Given);

// The bitness decision, a pure function of its four inputs. Inputs that the
// Needs* helpers above report as not needed are not examined.
TPayloadChoice SelectPayload(const TPayloadRef& payload32, const TPayloadRef& payload64, bool slash32Given,
                             bool underWow64);

// True when the own process runs under WOW64. IsWow64Process is looked up in
// kernel32 at run time; when it is missing or the call fails, the answer is
// false. Asks the platform afresh on every call.
bool RunningUnderWow64();

// The bitness step of a run: returns ChosenPayload, asking for /32 and WOW64
// only where the decision needs them. On refusal shows the package's
// bitnessMessage, read from launcherFile, with its placeholders unreplaced,
// and ends the process.
TPayloadRef ChoosePayload(Platform::THandle launcherFile, const TPackageConfig& config);
