#include "LauncherChecks.h"

#include <cstdio>
#include <string>
#include <vector>

#include "../package/NoRTLStream.h"
#include "../platform/HostPlatform.h"
#include "../platform/Platform.h"
#include "../stub/Bitness.h"
#include "../stub/Decompress.h"
#include "../stub/FatalMessages.h"
#include "../stub/Integrity.h"
#include "AtomicFile.h"
#include "InputFiles.h"
#include "Progress.h"
#include "ToolError.h"

namespace {

constexpr uint32_t NoFileFlags = 0;
constexpr uint64_t BytesPerCodeUnit = 2;
constexpr uint32_t LowHalfBits = 32;

// The launcher file, open as the launcher opens its own, closed on the way
// out of a successful check.
class TLauncherFile {
 public:
  explicit TLauncherFile(const std::string& path) {
    // A missing file is the user's slip, not a damaged package: say so
    // plainly before the launcher's code gets to see it.
    InputFileSize("FILE", path);
    HostPlatform::SetModulePath(path);
    HostPlatform::SetBeforeMessage(ClearProgress);
    handle_ = Platform::CreateFileA(path.c_str(), Platform::GenericRead, Platform::FileShareRead,
                                    Platform::OpenExisting, NoFileFlags);
    if (handle_ == Platform::InvalidHandleValue) FatalPackageDamaged();
  }
  ~TLauncherFile() { Platform::CloseHandle(handle_); }
  TLauncherFile(const TLauncherFile&) = delete;
  TLauncherFile& operator=(const TLauncherFile&) = delete;
  Platform::THandle Handle() const { return handle_; }

 private:
  Platform::THandle handle_ = Platform::InvalidHandleValue;
};

// Steps 2 to 5 of a run: header, size, CRC, config.
TPackageConfig CheckPackage(Platform::THandle file) {
  const TStubHeader header = ReadStubHeader(file);
  CheckFileSize(file, header);
  CheckPackageCrc(file, header);
  TPackageConfig config;
  ReadPackageConfig(file, header, config);
  return config;
}

bool SameRef(const TPayloadRef& a, const TPayloadRef& b) {
  return a.offset == b.offset && a.packedSize == b.packedSize && a.unpackedSize == b.unpackedSize;
}

struct TChoice {
  std::string label;
  TPayloadRef ref;
};

// Every payload that the launcher's bitness step hands on for some
// combination of "/32" and WOW64, each once.
std::vector<TChoice> ChoosablePayloads(const TPackageConfig& config) {
  std::vector<TChoice> choices;
  for (const bool slash32 : {false, true}) {
    for (const bool wow64 : {false, true}) {
      const TPayloadChoice choice = SelectPayload(config.payload32, config.payload64, slash32, wow64);
      if (choice.refused) continue;
      bool known = false;
      for (const TChoice& seen : choices) known = known || SameRef(seen.ref, choice.payload);
      if (known) continue;
      const bool is32 = SameRef(choice.payload, config.payload32) && config.payload32.offset != NoPayloadOffset;
      choices.push_back(TChoice{is32 ? "32-bit setup program" : "64-bit setup program", choice.payload});
    }
  }
  return choices;
}

// DecompressPayload, with a line on the terminal while it runs.
void Decode(Platform::THandle file, const TChoice& choice, const TPackageConfig& config, TStream& packed,
            TStream& unpacked) {
  TActivityLine line("decoding the " + choice.label + " (" + std::to_string(choice.ref.unpackedSize) + " bytes)");
  DecompressPayload(file, choice.ref, config.lzmaProperties, packed, unpacked);
}

uint64_t FileSize(Platform::THandle file) {
  uint32_t high = 0;
  const uint32_t low = Platform::GetFileSize(file, &high);
  return (static_cast<uint64_t>(high) << LowHalfBits) | low;
}

// A text is read only when it is shown, so a broken reference does not stop
// a run that shows nothing; still worth a word before shipping.
void WarnAboutText(const char* name, const TMessageRef& ref, uint64_t fileSize) {
  if (ref.length == 0) return;
  const uint64_t end = static_cast<uint64_t>(ref.offset) + ref.length * BytesPerCodeUnit;
  if (ref.offset <= MaxStoredOffset && end <= fileSize) return;
  std::fprintf(stderr,
               "tarnwick-pack verify: warning: the %s lies outside the file; where the launcher shows it, it shows "
               "the damaged-package message instead\n",
               name);
}

}  // namespace

void RunVerify(const TVerifyOptions& options) {
  TLauncherFile file(options.file);
  const TPackageConfig config = CheckPackage(file.Handle());
  std::string summary;
  for (const TChoice& choice : ChoosablePayloads(config)) {
    TStream packed;
    TStream unpacked;
    Decode(file.Handle(), choice, config, packed, unpacked);
    summary += "; the " + choice.label + " decodes to " + std::to_string(unpacked.GetSize()) + " bytes";
  }
  const uint64_t fileSize = FileSize(file.Handle());
  WarnAboutText("bitness message", config.bitnessMessage, fileSize);
  WarnAboutText("version message", config.versionMessage, fileSize);
  std::printf("%s: passes the launcher's checks (size, CRC, config)%s\n", options.file.c_str(), summary.c_str());
}

void RunExtract(const TExtractOptions& options) {
  TLauncherFile file(options.file);
  const TPackageConfig config = CheckPackage(file.Handle());
  const bool want32 = options.payload == TPayloadChoiceArg::Payload32;
  const TPayloadRef& ref = want32 ? config.payload32 : config.payload64;
  if (ref.offset == NoPayloadOffset || (!want32 && ref.offset == Refuse64BitOffset))
    throw WorkError("'" + options.file + "' has no " + (want32 ? "32" : "64") + "-bit setup program");
  TStream packed;
  TStream unpacked;
  Decode(file.Handle(), TChoice{want32 ? "32-bit setup program" : "64-bit setup program", ref}, config, packed,
         unpacked);
  TAtomicFile output(options.output);
  output.Write(unpacked.GetMemory(), static_cast<size_t>(unpacked.GetSize()));
  output.Commit();
}
