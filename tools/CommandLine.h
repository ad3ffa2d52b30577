// The command line of each subcommand, parsed into plain records. Pure:
// nothing is opened or read here. Every mistake throws a usage TToolError
// whose line names the option. Host-only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// LZMA presets that --preset takes, and the one used without it.
constexpr uint32_t MaxLzmaPreset = 9;
constexpr uint32_t DefaultLzmaPreset = 6;
// The dictionary sizes the encoder accepts (liblzma's LZMA1 bounds).
constexpr uint64_t MinDictionarySize = 4096;
constexpr uint64_t MaxDictionarySize = 1536ull << 20;
// The elevation mode stored without --elevation: " /noadmin" also on silent
// runs, as the worked example of the format has it.
constexpr uint32_t DefaultElevationMode = 2;
constexpr uint32_t MaxElevationMode = 0xFF;
constexpr uint32_t MaxReleaseId = 0xFFFF;

// Where a package text comes from.
struct TTextSource {
  enum class Kind { None, Inline, File };
  Kind kind = Kind::None;
  std::string value;  // the UTF-8 text itself, or the path of a file holding it
};

struct TBuildOptions {
  bool help = false;
  std::string output;
  std::optional<std::string> stub;
  std::optional<std::string> setup32;
  std::optional<std::string> setup64;
  bool refuse64Bit = false;
  uint64_t windowsVersions = 0;  // filled with the default by the parser
  uint16_t minReleaseId = 0;
  uint16_t maxReleaseId = 0xFFFF;
  uint8_t elevationMode = DefaultElevationMode;
  TTextSource bitnessMessage;
  TTextSource versionMessage;
  bool detached = false;
  uint32_t preset = DefaultLzmaPreset;
  std::optional<uint32_t> dictionarySize;
};

struct TInspectOptions {
  bool help = false;
  std::string file;
  bool json = false;
};

struct TVerifyOptions {
  bool help = false;
  std::string file;
};

// The two payloads that extract can take.
enum class TPayloadChoiceArg { Payload32, Payload64 };

struct TExtractOptions {
  bool help = false;
  std::string file;
  TPayloadChoiceArg payload = TPayloadChoiceArg::Payload32;
  std::string output;
};

// Each takes the arguments after the subcommand's name. With -h or --help
// anywhere, only help is set and nothing else is checked.
TBuildOptions ParseBuildArguments(const std::vector<std::string>& args);
TInspectOptions ParseInspectArguments(const std::vector<std::string>& args);
TVerifyOptions ParseVerifyArguments(const std::vector<std::string>& args);
TExtractOptions ParseExtractArguments(const std::vector<std::string>& args);

// A whole decimal number from 0 to max, nothing else around it.
bool ParseDecimal(const std::string& text, uint64_t max, uint64_t& value);
// A byte count with an optional binary suffix: K or KiB, M or MiB, G or GiB
// (any case). Returns false for anything else or a result above 2^32 - 1.
bool ParseByteSize(const std::string& text, uint64_t& value);
