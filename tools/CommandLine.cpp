#include "CommandLine.h"

#include <cctype>

#include "ToolError.h"
#include "WindowsNames.h"

namespace {

constexpr uint64_t KiB = 1024;
constexpr uint64_t MaxByteSize = 0xFFFFFFFFu;
constexpr uint64_t MaxDecimalDigits = 19;

bool IsHelp(const std::string& arg) { return arg == "-h" || arg == "--help"; }

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (IsHelp(arg)) return true;
  return false;
}

// Walks the arguments of one subcommand: options with their values, in the
// forms "--name value" and "--name=value", and plain operands.
class TScanner {
 public:
  TScanner(const std::string& command, const std::vector<std::string>& args) : command_(command), args_(args) {}

  bool Next() {
    if (index_ >= args_.size()) return false;
    const std::string& arg = args_[index_++];
    inlineValue_.reset();
    name_ = arg;
    const size_t equals = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      name_ = arg.substr(0, equals);
      inlineValue_ = arg.substr(equals + 1);
    }
    return true;
  }
  const std::string& Name() const { return name_; }
  bool IsOption() const { return name_.size() > 1 && name_[0] == '-'; }

  // The option's value: after '=' or the next argument, which may not look
  // like an option itself, so that "-o --setup32 x" is not read as OUT.
  std::string Value() {
    if (inlineValue_) {
      if (inlineValue_->empty()) throw UsageError(name_ + " needs a value");
      return *inlineValue_;
    }
    if (index_ >= args_.size() || (args_[index_].size() > 1 && args_[index_][0] == '-'))
      throw UsageError(name_ + " needs a value");
    return args_[index_++];
  }
  // An option that takes no value refuses "--name=value".
  void NoValue() const {
    if (inlineValue_) throw UsageError(name_ + " takes no value");
  }

  [[noreturn]] void Unknown() const {
    if (IsOption()) throw UsageError("unknown option " + name_ + " (see tarnwick-pack " + command_ + " --help)");
    throw UsageError("unexpected argument '" + name_ + "' (see tarnwick-pack " + command_ + " --help)");
  }

 private:
  std::string command_;
  const std::vector<std::string>& args_;
  size_t index_ = 0;
  std::string name_;
  std::optional<std::string> inlineValue_;
};

// Refuses an option given a second time: the later one would silently win.
class TSeen {
 public:
  void Mark(const std::string& option) {
    for (const std::string& seen : seen_)
      if (seen == option) throw UsageError(option + " is given more than once");
    seen_.push_back(option);
  }
  bool Has(const std::string& option) const {
    for (const std::string& seen : seen_)
      if (seen == option) return true;
    return false;
  }

 private:
  std::vector<std::string> seen_;
};

uint64_t NumberValue(TScanner& scanner, uint64_t max) {
  const std::string name = scanner.Name();
  const std::string text = scanner.Value();
  uint64_t value = 0;
  if (!ParseDecimal(text, max, value))
    throw UsageError(name + " takes a whole number from 0 to " + std::to_string(max) + ", not '" + text + "'");
  return value;
}

void TakeText(TScanner& scanner, TSeen& seen, TTextSource& source, const char* inlineName, const char* fileName) {
  const bool fromFile = scanner.Name() == fileName;
  if (seen.Has(fromFile ? inlineName : fileName))
    throw UsageError(std::string(inlineName) + " and " + fileName + " cannot both be given");
  seen.Mark(scanner.Name());
  source.kind = fromFile ? TTextSource::Kind::File : TTextSource::Kind::Inline;
  source.value = scanner.Value();
  // An empty inline text is the same as none; say so rather than store it.
  if (!fromFile && source.value.empty()) source.kind = TTextSource::Kind::None;
}

// The one operand of inspect, verify and extract.
void TakeFile(TScanner& scanner, std::string& file) {
  if (!file.empty()) scanner.Unknown();
  file = scanner.Name();
}

// The parse that inspect, verify and extract share: help anywhere sets only
// help; otherwise each argument goes first to takeOption, which takes the
// subcommand's own options and returns false for any other argument. Such
// an argument is refused if it looks like an option, else it is the one
// FILE. Throws UsageError when FILE is missing, naming what it is wanted for.
template <typename TOptions, typename TTakeOption>
TOptions ParseFileCommand(const char* command, const std::vector<std::string>& args, const char* fileWantedFor,
                          TTakeOption takeOption) {
  TOptions options;
  if (WantsHelp(args)) {
    options.help = true;
    return options;
  }
  TScanner scanner(command, args);
  while (scanner.Next()) {
    if (takeOption(scanner, options)) continue;
    if (scanner.IsOption()) scanner.Unknown();
    TakeFile(scanner, options.file);
  }
  if (options.file.empty())
    throw UsageError(std::string("FILE is missing: say which launcher file to ") + fileWantedFor);
  return options;
}

}  // namespace

bool ParseDecimal(const std::string& text, uint64_t max, uint64_t& value) {
  if (text.empty() || text.size() > MaxDecimalDigits) return false;
  uint64_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + static_cast<uint64_t>(c - '0');
  }
  if (result > max) return false;
  value = result;
  return true;
}

bool ParseByteSize(const std::string& text, uint64_t& value) {
  size_t digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  uint64_t number = 0;
  if (!ParseDecimal(text.substr(0, digits), MaxByteSize, number)) return false;
  std::string suffix = text.substr(digits);
  for (char& c : suffix) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  uint64_t unit = 1;
  if (suffix == "K" || suffix == "KIB") unit = KiB;
  else if (suffix == "M" || suffix == "MIB") unit = KiB * KiB;
  else if (suffix == "G" || suffix == "GIB") unit = KiB * KiB * KiB;
  else if (!suffix.empty()) return false;
  if (number > MaxByteSize / unit) return false;
  value = number * unit;
  return true;
}

TBuildOptions ParseBuildArguments(const std::vector<std::string>& args) {
  TBuildOptions options;
  if (WantsHelp(args)) {
    options.help = true;
    return options;
  }
  options.windowsVersions = AllWindowsVersions;
  TScanner scanner("build", args);
  TSeen seen;
  while (scanner.Next()) {
    const std::string name = scanner.Name();
    if (name == "-o" || name == "--output") {
      seen.Mark("-o");
      options.output = scanner.Value();
    } else if (name == "--stub") {
      seen.Mark(name);
      options.stub = scanner.Value();
    } else if (name == "--setup32") {
      seen.Mark(name);
      options.setup32 = scanner.Value();
    } else if (name == "--setup64") {
      seen.Mark(name);
      options.setup64 = scanner.Value();
    } else if (name == "--refuse-64bit") {
      scanner.NoValue();
      seen.Mark(name);
      options.refuse64Bit = true;
    } else if (name == "--windows") {
      seen.Mark(name);
      const std::string list = scanner.Value();
      std::string bad;
      if (!ParseWindowsList(list, options.windowsVersions, bad))
        throw UsageError("--windows: unknown Windows version '" + bad + "'; use all or some of " +
                         KnownWindowsSwitchNames() + ", separated by commas");
    } else if (name == "--release-min") {
      seen.Mark(name);
      options.minReleaseId = static_cast<uint16_t>(NumberValue(scanner, MaxReleaseId));
    } else if (name == "--release-max") {
      seen.Mark(name);
      options.maxReleaseId = static_cast<uint16_t>(NumberValue(scanner, MaxReleaseId));
    } else if (name == "--elevation") {
      seen.Mark(name);
      options.elevationMode = static_cast<uint8_t>(NumberValue(scanner, MaxElevationMode));
    } else if (name == "--bitness-message" || name == "--bitness-message-file") {
      TakeText(scanner, seen, options.bitnessMessage, "--bitness-message", "--bitness-message-file");
    } else if (name == "--version-message" || name == "--version-message-file") {
      TakeText(scanner, seen, options.versionMessage, "--version-message", "--version-message-file");
    } else if (name == "--detached") {
      scanner.NoValue();
      seen.Mark(name);
      options.detached = true;
    } else if (name == "--preset") {
      seen.Mark(name);
      options.preset = static_cast<uint32_t>(NumberValue(scanner, MaxLzmaPreset));
    } else if (name == "--dict-size") {
      seen.Mark(name);
      const std::string text = scanner.Value();
      uint64_t size = 0;
      if (!ParseByteSize(text, size) || size < MinDictionarySize || size > MaxDictionarySize)
        throw UsageError("--dict-size takes a size from 4KiB to 1536MiB (a number with K, M or G), not '" + text +
                         "'");
      options.dictionarySize = static_cast<uint32_t>(size);
    } else {
      scanner.Unknown();
    }
  }

  if (options.output.empty()) throw UsageError("-o OUT is missing: say where the package goes");
  if (!options.setup32 && !options.setup64) throw UsageError("--setup32 or --setup64 is missing: a package needs a setup program");
  if (options.setup64 && options.refuse64Bit)
    throw UsageError("--setup64 and --refuse-64bit cannot both be given");
  if (options.refuse64Bit && !options.setup32)
    throw UsageError("--refuse-64bit needs --setup32: without it the package runs nowhere");
  if (options.windowsVersions == 0) throw UsageError("--windows accepts no version: the package would run nowhere");
  if (options.minReleaseId > options.maxReleaseId)
    throw UsageError("--release-min " + std::to_string(options.minReleaseId) + " is above --release-max " +
                     std::to_string(options.maxReleaseId) + ": every Windows 10 release would be refused");
  return options;
}

TInspectOptions ParseInspectArguments(const std::vector<std::string>& args) {
  TSeen seen;
  auto takeOption = [&](TScanner& scanner, TInspectOptions& options) {
    if (scanner.Name() != "--json") return false;
    scanner.NoValue();
    seen.Mark("--json");
    options.json = true;
    return true;
  };
  return ParseFileCommand<TInspectOptions>("inspect", args, "inspect", takeOption);
}

TVerifyOptions ParseVerifyArguments(const std::vector<std::string>& args) {
  auto noOptions = [](TScanner&, TVerifyOptions&) { return false; };
  return ParseFileCommand<TVerifyOptions>("verify", args, "verify", noOptions);
}

TExtractOptions ParseExtractArguments(const std::vector<std::string>& args) {
  TSeen seen;
  auto takeOption = [&](TScanner& scanner, TExtractOptions& options) {
    const std::string name = scanner.Name();
    if (name == "-o" || name == "--output") {
      seen.Mark("-o");
      options.output = scanner.Value();
      return true;
    }
    if (name != "--payload") return false;
    seen.Mark(name);
    const std::string which = scanner.Value();
    if (which == "32") {
      options.payload = TPayloadChoiceArg::Payload32;
    } else if (which == "64") {
      options.payload = TPayloadChoiceArg::Payload64;
    } else {
      throw UsageError("--payload takes 32 or 64, not '" + which + "'");
    }
    return true;
  };
  TExtractOptions options = ParseFileCommand<TExtractOptions>("extract", args, "extract from", takeOption);
  if (options.help) return options;
  if (!seen.Has("--payload")) throw UsageError("--payload 32|64 is missing: say which setup program to extract");
  if (options.output.empty()) throw UsageError("-o OUT is missing: say where the setup program goes");
  return options;
}
