#include "BuildCommand.h"

#include <string>
#include <vector>

#include "InputFiles.h"
#include "PackageFileWriter.h"
#include "PackageLimits.h"
#include "TextCodec.h"
#include "ToolError.h"

namespace {

// A message file is at most the longest text in its longest encoding; a
// larger one is refused before it is read.
constexpr uint64_t MaxUtf8BytesPerCodeUnit = 3;
constexpr uint64_t ByteOrderMarkBytes = 3;
constexpr uint64_t MaxMessageFileSize = MaxMessageLength * MaxUtf8BytesPerCodeUnit + ByteOrderMarkBytes;

std::vector<uint8_t> StubBytes(const TBuildOptions& options, const TEmbeddedImage& defaultStub, std::string& name) {
  if (options.stub) {
    name = "--stub: '" + *options.stub + "'";
    return ReadInputFile("--stub", *options.stub, MaxPackageOffset);
  }
  if (defaultStub.size == 0)
    throw UsageError("no default stub is built into this tarnwick-pack; give the launcher image with --stub FILE");
  name = "the built-in stub";
  return std::vector<uint8_t>(defaultStub.bytes, defaultStub.bytes + defaultStub.size);
}

std::optional<TSetupInput> SetupInput(const char* role, const std::optional<std::string>& path, const char* label) {
  if (!path) return std::nullopt;
  TSetupInput setup;
  setup.path = *path;
  setup.size = InputFileSize(role, *path);
  setup.label = label;
  return setup;
}

}  // namespace

std::u16string MessageText(const std::string& role, const TTextSource& source) {
  if (source.kind == TTextSource::Kind::None) return std::u16string();
  std::string utf8 = source.value;
  if (source.kind == TTextSource::Kind::File) {
    const std::vector<uint8_t> bytes = ReadInputFile(role, source.value, MaxMessageFileSize);
    utf8 = WithoutByteOrderMark(std::string(bytes.begin(), bytes.end()));
  }
  std::u16string text;
  size_t badOffset = 0;
  if (!Utf8ToUtf16(utf8, text, badOffset)) {
    const std::string where = source.kind == TTextSource::Kind::File ? " '" + source.value + "'" : std::string();
    throw WorkError(role + where + ": the text is not valid UTF-8 (at byte " + std::to_string(badOffset) + ")");
  }
  return text;
}

void RunBuild(const TBuildOptions& options, const TEmbeddedImage& defaultStub) {
  TPackageInputs inputs;
  std::string stubName;
  inputs.image = StubBytes(options, defaultStub, stubName);
  const std::string problem = StubImageProblem(inputs.image);
  if (!problem.empty()) throw WorkError(stubName + " " + problem);

  inputs.setup32 = SetupInput("--setup32", options.setup32, "32-bit setup program");
  inputs.setup64 = SetupInput("--setup64", options.setup64, "64-bit setup program");
  inputs.refuse64Bit = options.refuse64Bit;
  inputs.windowsVersions = options.windowsVersions;
  inputs.minReleaseId = options.minReleaseId;
  inputs.maxReleaseId = options.maxReleaseId;
  inputs.elevationMode = options.elevationMode;
  inputs.bitnessText = MessageText(options.bitnessMessage.kind == TTextSource::Kind::File ? "--bitness-message-file"
                                                                                         : "--bitness-message",
                                   options.bitnessMessage);
  inputs.versionText = MessageText(options.versionMessage.kind == TTextSource::Kind::File ? "--version-message-file"
                                                                                         : "--version-message",
                                   options.versionMessage);
  inputs.detached = options.detached;
  inputs.compression.preset = options.preset;
  inputs.compression.dictionarySize = options.dictionarySize;

  // Refused before the output is touched: a limit that the inputs already
  // break never costs a compression run.
  const std::string broken = FirstBrokenLimit(InitialSizes(inputs));
  if (!broken.empty()) throw WorkError(broken);

  TAtomicFile output(options.output);
  WritePackageFile(inputs, output);
  output.Commit();
}
