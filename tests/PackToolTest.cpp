// tarnwick-pack as a user runs it: the built command in a subprocess, over
// files that each test makes in a folder of its own. Packages that the
// command should refuse or report as damaged are made with our own writer.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "builder/PackageWriter.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Args = std::vector<std::string>;

const char* const DamagedText =
    "An error occurred while trying to read the setup package.  It has most likely been damaged.  Please obtain a new "
    "copy from the vendor.";
const char* const TruncatedText =
    "The setup package has been truncated.  You most likely have an incomplete download.  Try downloading it again.";

struct TRun {
  int status = -1;
  std::string out;
  std::string err;
};

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const fs::path& path) {
  const Bytes bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Bytes that look random to a reader but repeat every 64 KiB, so that LZMA
// finds long matches and even 64 MiB compress in moments.
Bytes Pattern(size_t size, uint32_t seed) {
  const size_t period = 65536;
  Bytes block(std::min(size, period));
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& b : block) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = static_cast<uint8_t>(state);
  }
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = block[i % period];
  // One byte in each period differs, so no two periods are alike.
  for (size_t i = period; i < size; i += period) bytes[i] = static_cast<uint8_t>(i / period);
  return bytes;
}

// The smallest image that signing tools take for a Windows executable: a
// DOS header pointing at a PE32 header at 256 (bytes 128 to 151 left to the
// package header), sixteen data directories and one section of one "ret".
Bytes MinimalPeImage() {
  Bytes image(0x600, 0);
  auto put16 = [&image](size_t at, uint16_t v) {
    image[at] = static_cast<uint8_t>(v);
    image[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  auto put32 = [&put16](size_t at, uint32_t v) {
    put16(at, static_cast<uint16_t>(v));
    put16(at + 2, static_cast<uint16_t>(v >> 16));
  };
  image[0] = 'M';
  image[1] = 'Z';
  put32(0x3C, 0x100);
  image[0x100] = 'P';
  image[0x101] = 'E';
  const size_t coff = 0x104;
  put16(coff, 0x14C);            // i386
  put16(coff + 2, 1);            // one section
  put16(coff + 16, 0xE0);        // size of the optional header
  put16(coff + 18, 0x0102);      // executable, 32-bit
  const size_t optional = coff + 20;
  put16(optional, 0x10B);        // PE32
  put32(optional + 4, 0x200);    // size of code
  put32(optional + 16, 0x1000);  // entry point
  put32(optional + 20, 0x1000);  // base of code
  put32(optional + 24, 0x1000);  // base of data
  put32(optional + 28, 0x400000);
  put32(optional + 32, 0x1000);  // section alignment
  put32(optional + 36, 0x200);   // file alignment
  put16(optional + 40, 4);       // OS version 4.0
  put16(optional + 48, 4);       // subsystem version 4.0
  put32(optional + 56, 0x2000);  // size of image
  put32(optional + 60, 0x400);   // size of headers
  put16(optional + 68, 2);       // GUI
  put32(optional + 72, 0x100000);
  put32(optional + 76, 0x1000);
  put32(optional + 80, 0x100000);
  put32(optional + 84, 0x1000);
  put32(optional + 92, 16);      // data directories
  const size_t section = optional + 0xE0;
  const char name[] = ".text";
  std::copy(name, name + 5, image.begin() + static_cast<std::ptrdiff_t>(section));
  put32(section + 8, 0x200);     // virtual size
  put32(section + 12, 0x1000);   // virtual address
  put32(section + 16, 0x200);    // raw size
  put32(section + 20, 0x400);    // raw data
  put32(section + 36, 0x60000020);
  image[0x400] = 0xC3;
  return image;
}

bool ToolAvailable(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A stand-in for a certificate table, added after the package as signing does.
Bytes CertificateTable() {
  Bytes table(7, 0);
  table.resize(7 + 0x50, 0xCE);
  return table;
}

// The smallest JSON reader the checks need: objects, arrays, strings,
// numbers, true, false, null. Fails the test on anything else.
struct TJson {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<TJson> array;
  std::map<std::string, TJson> object;

  const TJson& operator[](const std::string& key) const {
    static const TJson missing;
    const auto found = object.find(key);
    return found == object.end() ? missing : found->second;
  }
  bool Has(const std::string& key) const { return object.count(key) != 0; }
};

class TJsonReader {
 public:
  explicit TJsonReader(const std::string& text) : text_(text) {}

  bool ReadDocument(TJson& value) {
    if (!ReadValue(value)) return false;
    SkipBlanks();
    return position_ == text_.size();
  }

 private:
  void SkipBlanks() {
    while (position_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[position_]))) ++position_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (position_ >= text_.size() || text_[position_] != c) return false;
    ++position_;
    return true;
  }
  bool TakeWord(const char* word) {
    const size_t length = std::strlen(word);
    if (text_.compare(position_, length, word) != 0) return false;
    position_ += length;
    return true;
  }
  bool ReadString(std::string& out) {
    if (!Take('"')) return false;
    while (position_ < text_.size()) {
      const char c = text_[position_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (position_ >= text_.size()) return false;
      const char e = text_[position_++];
      if (e == 'u') {
        if (position_ + 4 > text_.size()) return false;
        const unsigned long code = std::stoul(text_.substr(position_, 4), nullptr, 16);
        position_ += 4;
        if (code >= 0x80) return false;  // the checks only meet escaped control characters
        out += static_cast<char>(code);
      } else if (e == 'n') {
        out += '\n';
      } else if (e == 't') {
        out += '\t';
      } else if (e == 'r') {
        out += '\r';
      } else if (e == '"' || e == '\\' || e == '/') {
        out += e;
      } else {
        return false;
      }
    }
    return false;
  }
  bool ReadValue(TJson& value) {
    SkipBlanks();
    if (position_ >= text_.size()) return false;
    const char c = text_[position_];
    if (c == '{') {
      ++position_;
      value.kind = TJson::Kind::Object;
      if (Take('}')) return true;
      do {
        std::string key;
        TJson member;
        if (!ReadString(key) || !Take(':') || !ReadValue(member)) return false;
        value.object[key] = member;
      } while (Take(','));
      return Take('}');
    }
    if (c == '[') {
      ++position_;
      value.kind = TJson::Kind::Array;
      if (Take(']')) return true;
      do {
        TJson item;
        if (!ReadValue(item)) return false;
        value.array.push_back(item);
      } while (Take(','));
      return Take(']');
    }
    if (c == '"') {
      value.kind = TJson::Kind::String;
      return ReadString(value.string);
    }
    if (TakeWord("true") || TakeWord("false")) {
      value.kind = TJson::Kind::Bool;
      value.boolean = text_[position_ - 1] == 'e' && text_[position_ - 2] == 'u';
      return true;
    }
    if (TakeWord("null")) return true;
    size_t used = 0;
    try {
      value.number = std::stod(text_.substr(position_), &used);
    } catch (...) {
      return false;
    }
    value.kind = TJson::Kind::Number;
    position_ += used;
    return used > 0;
  }

  const std::string& text_;
  size_t position_ = 0;
};

class PackTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarnwick-pack-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    WriteBytes(Path("stub.exe"), SyntheticLauncherImage());
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  // Starts the command with args; its output goes to files outside dir so
  // that the folder holds only what the command left there.
  pid_t Start(const Args& args) const {
    const std::string outPath = dir.string() + ".out";
    const std::string errPath = dir.string() + ".err";
    std::vector<char*> argv;
    std::string program = TARNWICK_PACK_PATH;
    argv.push_back(&program[0]);
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(out, STDOUT_FILENO);
      dup2(err, STDERR_FILENO);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return child;
  }

  // Runs the command with args to its end.
  TRun Run(const Args& args) const {
    const std::string outPath = dir.string() + ".out";
    const std::string errPath = dir.string() + ".err";
    const pid_t child = Start(args);
    TRun run;
    int waitStatus = 0;
    waitpid(child, &waitStatus, 0);
    run.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    run.out = ReadText(outPath);
    run.err = ReadText(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return run;
  }

  // Builds with the synthetic stub; the build must pass quietly.
  void Build(const std::string& out, const Args& more) const {
    Args args = {"build", "-o", Path(out), "--stub", Path("stub.exe")};
    args.insert(args.end(), more.begin(), more.end());
    const TRun run = Run(args);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.err, "");
  }

  TJson InspectJson(const std::string& file) const {
    const TRun run = Run({"inspect", Path(file), "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    TJson json;
    EXPECT_TRUE(TJsonReader(run.out).ReadDocument(json)) << run.out;
    return json;
  }

  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
};

// --- round trips ---

struct TRoundTripRow {
  const char* name;
  long size32;  // -1: no 32-bit setup program
  long size64;  // -1: no 64-bit setup program
  bool refuse64;
  bool detached;
  bool certificate;
};

TEST_F(PackTool, RoundTripsGiveBackEverySetupProgramByteForByte) {
  const std::vector<TRoundTripRow> rows = {
      {"empty 32-bit", 0, -1, false, false, false},
      {"tiny 32-bit", 1, -1, false, false, false},
      {"tiny 32-bit, signed", 3, -1, false, false, true},
      {"64-bit only", -1, 5000, false, false, false},
      {"64-bit only, empty, detached", -1, 0, false, true, false},
      {"both payloads", 20000, 30000, false, false, false},
      {"both payloads, detached and signed", 20000, 0, false, true, true},
      {"32-bit refusing 64-bit Windows", 4000, -1, true, false, true},
  };
  for (const TRoundTripRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string out = std::string("rt-") + std::to_string(&row - rows.data()) + ".exe";
    Args args;
    Bytes program32 = Pattern(row.size32 < 0 ? 0 : static_cast<size_t>(row.size32), 32);
    Bytes program64 = Pattern(row.size64 < 0 ? 0 : static_cast<size_t>(row.size64), 64);
    if (row.size32 >= 0) {
      WriteBytes(Path("s32"), program32);
      args.insert(args.end(), {"--setup32", Path("s32")});
    }
    if (row.size64 >= 0) {
      WriteBytes(Path("s64"), program64);
      args.insert(args.end(), {"--setup64", Path("s64")});
    }
    if (row.refuse64) args.push_back("--refuse-64bit");
    if (row.detached) args.push_back("--detached");
    Build(out, args);
    const uint64_t packageEnd = fs::file_size(Path(out));
    if (row.certificate) {
      Bytes file = ReadBytes(Path(out));
      const Bytes table = CertificateTable();
      file.insert(file.end(), table.begin(), table.end());
      WriteBytes(Path(out), file);
    }

    const TRun verify = Run({"verify", Path(out)});
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_EQ(verify.err, "");
    EXPECT_NE(verify.out.find("passes the launcher's checks"), std::string::npos) << verify.out;

    const TJson json = InspectJson(out);
    EXPECT_EQ(json["header"]["minFileSize"].number, static_cast<double>(packageEnd));
    EXPECT_EQ(json["header"]["detachedMinSize"].number, row.detached ? static_cast<double>(packageEnd) : 0.0);
    EXPECT_EQ(json["trailingBytes"].number, row.certificate ? static_cast<double>(CertificateTable().size()) : 0.0);
    EXPECT_TRUE(json["crcMatches"].boolean);
    EXPECT_EQ(json["config"]["payload64"]["state"].string,
              row.refuse64 ? "refuses-64-bit" : row.size64 >= 0 ? "present" : "absent");

    for (int bits : {32, 64}) {
      const long size = bits == 32 ? row.size32 : row.size64;
      if (size < 0) continue;
      const std::string extracted = "x" + std::to_string(bits);
      const TRun extract = Run({"extract", Path(out), "--payload", std::to_string(bits), "-o", Path(extracted)});
      EXPECT_EQ(extract.status, 0) << extract.err;
      EXPECT_EQ(ReadBytes(Path(extracted)), bits == 32 ? program32 : program64);
      fs::remove(Path(extracted));
    }
  }
}

TEST_F(PackTool, ASignedFileStillVerifiesAndExtracts) {
  if (!ToolAvailable("osslsigncode") || !ToolAvailable("openssl")) GTEST_SKIP() << "osslsigncode or openssl missing";
  const std::string key = Path("key.pem");
  const std::string cert = Path("cert.pem");
  const std::string pfx = Path("vendor.pfx");
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Vendor -keyout " + key +
                         " -out " + cert + " >/dev/null 2>&1 && openssl pkcs12 -export -passout pass:secret -inkey " +
                         key + " -in " + cert + " -out " + pfx + " >/dev/null 2>&1")
                            .c_str()),
            0);
  WriteBytes(Path("pe.exe"), MinimalPeImage());
  const Bytes program = Pattern(30000, 9);
  WriteBytes(Path("s32"), program);
  const TRun build = Run({"build", "-o", Path("p.exe"), "--stub", Path("pe.exe"), "--setup32", Path("s32")});
  ASSERT_EQ(build.status, 0) << build.err;
  ASSERT_EQ(std::system(("osslsigncode sign -pkcs12 " + pfx + " -pass secret -n Setup -in " + Path("p.exe") +
                         " -out " + Path("signed.exe") + " >/dev/null 2>&1")
                            .c_str()),
            0);
  ASSERT_GT(fs::file_size(Path("signed.exe")), fs::file_size(Path("p.exe")));

  const TRun verify = Run({"verify", Path("signed.exe")});
  EXPECT_EQ(verify.status, 0) << verify.err;
  const TJson json = InspectJson("signed.exe");
  EXPECT_TRUE(json["crcMatches"].boolean);
  EXPECT_EQ(json["trailingBytes"].number,
            static_cast<double>(fs::file_size(Path("signed.exe")) - fs::file_size(Path("p.exe"))));
  const TRun extract = Run({"extract", Path("signed.exe"), "--payload", "32", "-o", Path("out")});
  EXPECT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(ReadBytes(Path("out")), program);
  // The package did not disturb what the signature covers.
  EXPECT_EQ(std::system(("osslsigncode verify -CAfile " + cert + " -in " + Path("signed.exe") + " >/dev/null 2>&1")
                            .c_str()),
            0);
}

TEST_F(PackTool, RoundTripOf64MiB) {
  const Bytes program = Pattern(64u << 20, 7);
  WriteBytes(Path("big"), program);
  const auto start = std::chrono::steady_clock::now();
  // The fastest preset keeps the test to seconds; the size is what is tried.
  Build("big.exe", {"--setup32", Path("big"), "--preset", "1"});
  EXPECT_LT(fs::file_size(Path("big.exe")), program.size() / 16);
  const TRun verify = Run({"verify", Path("big.exe")});
  EXPECT_EQ(verify.status, 0) << verify.err;
  const TRun extract = Run({"extract", Path("big.exe"), "--payload", "32", "-o", Path("big.out")});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_TRUE(ReadBytes(Path("big.out")) == program);
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
  RecordProperty("seconds", static_cast<int>(seconds.count()));
}

// --- inspect ---

TEST_F(PackTool, InspectShowsWhatWasAskedFor) {
  WriteBytes(Path("s32"), Pattern(3000, 1));
  WriteBytes(Path("s64"), Pattern(4000, 2));
  WriteBytes(Path("version.txt"), Text("\xEF\xBB\xBFNot on %USER%.\nSorry."));
  Build("p.exe", {"--setup32", Path("s32"), "--setup64", Path("s64"), "--windows", "win7,win10,later",
                  "--release-min", "1507", "--release-max", "1909", "--elevation", "1", "--bitness-message",
                  "Needs 64-bit \xE2\x80\x94 f\xC3\xBCr dich", "--version-message-file", Path("version.txt"),
                  "--preset", "3", "--dict-size", "1M"});

  const TJson json = InspectJson("p.exe");
  const TJson& config = json["config"];
  ASSERT_EQ(config["windowsVersions"].array.size(), 3u);
  EXPECT_EQ(config["windowsVersions"].array[0].string, "win7");
  EXPECT_EQ(config["windowsVersions"].array[1].string, "win10");
  EXPECT_EQ(config["windowsVersions"].array[2].string, "later");
  EXPECT_EQ(config["windowsVersionBits"].string, "0x8000000000000480");
  EXPECT_EQ(config["minReleaseId"].number, 1507);
  EXPECT_EQ(config["maxReleaseId"].number, 1909);
  EXPECT_EQ(config["elevationMode"].number, 1);
  EXPECT_EQ(config["lzmaProperties"].string, "5D 00 00 10 00");
  EXPECT_EQ(config["dictionarySize"].number, 1 << 20);
  EXPECT_EQ(config["payload32"]["unpackedSize"].number, 3000);
  EXPECT_EQ(config["payload32"]["offset"].number, json["header"]["configOffset"].number + 70);
  EXPECT_EQ(config["payload64"]["unpackedSize"].number, 4000);
  EXPECT_EQ(config["bitnessMessage"]["text"].string, "Needs 64-bit \xE2\x80\x94 f\xC3\xBCr dich");
  EXPECT_EQ(config["bitnessMessage"]["length"].number, 23);
  EXPECT_EQ(config["versionMessage"]["text"].string, "Not on %USER%.\nSorry.");
  EXPECT_EQ(json["header"]["crcLength"].number, json["fileSize"].number - json["header"]["configOffset"].number);
  EXPECT_TRUE(json["crcMatches"].boolean);

  const TRun text = Run({"inspect", Path("p.exe")});
  ASSERT_EQ(text.status, 0) << text.err;
  for (const char* line : {"windowsVersions:    0x8000000000000480: win7, win10, later\n",
                           "releases:           1507 to 1909\n", "elevationMode:      1\n",
                           " (matches)\n", "trailing bytes:     0\n",
                           "bitnessMessage:     23 code units at ",
                           "\"Needs 64-bit \xE2\x80\x94 f\xC3\xBCr dich\"\n",
                           "versionMessage:     21 code units at ", "\"Not on %USER%.\\nSorry.\"\n"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(text.out.find(line), std::string::npos) << text.out;
  }
}

TEST_F(PackTool, InspectReportsDamageWithoutJudging) {
  WriteBytes(Path("s32"), Pattern(3000, 1));
  Build("p.exe", {"--setup32", Path("s32")});
  Bytes file = ReadBytes(Path("p.exe"));
  file[file.size() - 10] ^= 0xFF;
  file.resize(file.size() - 1);
  WriteBytes(Path("p.exe"), file);
  const TJson json = InspectJson("p.exe");
  EXPECT_FALSE(json["crcRegionInside"].boolean);
  EXPECT_TRUE(json["truncated"].boolean);
  EXPECT_TRUE(json["configRead"].boolean);
  EXPECT_FALSE(json["config"]["payload32"]["insideFile"].boolean);

  TPackageSpec layout;
  layout.payload32.program = Pattern(100, 3);
  layout.versionMessage.text.assign(1, u'x');
  layout.versionMessage.offset = 0x7FFFFFF0u;
  layout.windowsVersions = (1ull << 11) | (1ull << 7);
  WriteBytes(Path("odd.exe"), BuildPackage(layout).file);
  const TJson odd = InspectJson("odd.exe");
  EXPECT_TRUE(odd["crcMatches"].boolean);
  EXPECT_EQ(odd["config"]["versionMessage"]["text"].kind, TJson::Kind::Null);
  ASSERT_EQ(odd["config"]["otherVersionBits"].array.size(), 1u);
  EXPECT_EQ(odd["config"]["otherVersionBits"].array[0].number, 11);
}

// --- verify and extract on damaged files ---

struct TDamageRow {
  const char* name;
  std::function<Bytes()> make;
  const char* text;
  const char* payload = "32";  // the one extract asks for
};

Bytes Built(const std::function<void(TPackageSpec&)>& adjust) {
  TPackageSpec layout;
  layout.payload32.program = Pattern(5000, 11);
  adjust(layout);
  return BuildPackage(layout).file;
}

Bytes Changed(Bytes bytes, size_t at) {
  bytes[at] ^= 0x5A;
  return bytes;
}

TEST_F(PackTool, VerifyAndExtractShowTheLaunchersOwnText) {
  const Bytes good = Built([](TPackageSpec&) {});
  const size_t configOffset = SyntheticLauncherImage().size();
  const std::vector<TDamageRow> rows = {
      {"one byte short", [&] { return Bytes(good.begin(), good.end() - 1); }, TruncatedText},
      {"cut inside the payload", [&] { return Bytes(good.begin(), good.begin() + 700); },
       TruncatedText},
      {"changed payload byte", [&] { return Changed(good, configOffset + 100); }, DamagedText},
      {"changed config byte", [&] { return Changed(good, configOffset + 17); }, DamagedText},
      {"changed crcValue", [&] { return Changed(good, 136); }, DamagedText},
      {"least size beyond the file",
       [] { return Built([](TPackageSpec& s) { s.header.minFileSize = 1 << 20; }); }, TruncatedText},
      {"unpackedSize one too large",
       [] { return Built([](TPackageSpec& s) { s.payload32.unpackedSize = 5001; }); }, DamagedText},
      {"payload reaching past the end",
       [] { return Built([](TPackageSpec& s) { s.payload32.packedSize = 1 << 20; }); }, DamagedText},
      {"wrong size of the 64-bit payload only",
       [] {
         return Built([](TPackageSpec& s) {
           s.payload64.program = Pattern(3000, 12);
           s.payload64.unpackedSize = 3001;
         });
       },
       DamagedText, "64"},
      {"properties byte above 224",
       [] {
         return Built([](TPackageSpec& s) { s.lzmaProperties = TLzmaPropertyBytes{225, 0, 0, 0x40, 0}; });
       },
       DamagedText},
      {"no package attached", [] { return SyntheticLauncherImage(); }, DamagedText},
      {"ends before the header", [] { return Bytes(140, 0); }, DamagedText},
  };
  for (const TDamageRow& row : rows) {
    SCOPED_TRACE(row.name);
    WriteBytes(Path("bad.exe"), row.make());
    const TRun verify = Run({"verify", Path("bad.exe")});
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.err, std::string(row.text) + "\n");
    EXPECT_EQ(verify.out, "");
    const TRun extract = Run({"extract", Path("bad.exe"), "--payload", row.payload, "-o", Path("out.exe")});
    EXPECT_EQ(extract.status, 1);
    EXPECT_EQ(extract.err, std::string(row.text) + "\n");
    EXPECT_FALSE(fs::exists(Path("out.exe")));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"bad.exe", "stub.exe"}));
  }
}

TEST_F(PackTool, VerifyWarnsAboutATextOutsideTheFile) {
  WriteBytes(Path("p.exe"), Built([](TPackageSpec& s) {
               s.bitnessMessage.text = u"64";
               s.bitnessMessage.offset = 0x10000;
             }));
  const TRun verify = Run({"verify", Path("p.exe")});
  EXPECT_EQ(verify.status, 0);
  EXPECT_NE(verify.err.find("warning: the bitness message lies outside the file"), std::string::npos) << verify.err;
}

// --- bad arguments and inputs ---

struct TRefusalRow {
  const char* name;
  Args args;  // "@name" stands for the file name in the test's folder
  const char* expected;
  int status;
};

TEST_F(PackTool, EveryBadArgumentOrInputGivesOneLineAndLeavesNothing) {
  WriteBytes(Path("s32"), Pattern(2000, 5));
  WriteBytes(Path("short.exe"), Bytes(100, 'M'));
  WriteBytes(Path("notmz.exe"), Bytes(600, 0));
  WriteBytes(Path("latin1.txt"), Text("f\xFCr"));
  WriteBytes(Path("long.txt"), Bytes(65536, 'a'));
  std::string emoji;
  for (int i = 0; i < 32768; ++i) emoji += "\xF0\x9F\x98\x80";
  WriteBytes(Path("emoji.txt"), Text(emoji));
  WriteBytes(Path("OUT"), Text("the previous installer"));
  fs::create_directory(Path("folder"));
  Build("packaged.exe", {"--setup32", Path("s32")});
  const std::vector<std::string> before = Entries();

  const Args base = {"build", "-o", "@OUT", "--stub", "@stub.exe"};
  auto build = [&base](const Args& more) {
    Args args = base;
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  const std::vector<TRefusalRow> rows = {
      {"no subcommand", {}, "tarnwick-pack: a command is missing: build, inspect, verify or extract", 2},
      {"unknown subcommand", {"pack"}, "tarnwick-pack: unknown command 'pack'", 2},
      {"no setup program", build({}), "tarnwick-pack build: --setup32 or --setup64 is missing", 2},
      {"unknown option", build({"--setup32", "@s32", "--zip"}), "unknown option --zip", 2},
      {"bad Windows name", build({"--setup32", "@s32", "--windows", "win11"}), "unknown Windows version 'win11'", 2},
      {"missing setup program", build({"--setup32", "@none"}), "--setup32: '@none' cannot be opened: No such file", 1},
      {"setup program is a folder", build({"--setup64", "@folder"}), "--setup64: '@folder' is a folder", 1},
      {"missing stub", {"build", "-o", "@OUT", "--stub", "@none", "--setup32", "@s32"}, "--stub: '@none' cannot be opened", 1},
      {"stub too short", {"build", "-o", "@OUT", "--stub", "@short.exe", "--setup32", "@s32"}, "is too short to hold the header at 128", 1},
      {"stub not an image", {"build", "-o", "@OUT", "--stub", "@notmz.exe", "--setup32", "@s32"}, "does not start with MZ", 1},
      {"stub with a package", {"build", "-o", "@OUT", "--stub", "@packaged.exe", "--setup32", "@s32"}, "already carries a package", 1},
      {"message not UTF-8", build({"--setup32", "@s32", "--version-message-file", "@latin1.txt"}), "not valid UTF-8 (at byte 1)", 1},
      {"inline message not UTF-8", build({"--setup32", "@s32", "--bitness-message", "\xFF"}), "--bitness-message: the text is not valid UTF-8", 1},
      {"missing message file", build({"--setup32", "@s32", "--bitness-message-file", "@none"}), "--bitness-message-file: '@none' cannot be opened", 1},
      {"text of 65536 units", build({"--setup32", "@s32", "--version-message-file", "@long.txt"}), "the version message is 65536 (0x10000) UTF-16 code units", 1},
      {"text of 65536 units in pairs", build({"--setup32", "@s32", "--bitness-message-file", "@emoji.txt"}), "the bitness message is 65536", 1},
      {"output folder missing", {"build", "-o", "@none/OUT", "--stub", "@stub.exe", "--setup32", "@s32"}, "cannot create a file in", 1},
      {"output is a folder", {"build", "-o", "@folder", "--stub", "@stub.exe", "--setup32", "@s32"}, "is a folder, not a file name", 1},
      {"setup read short", build({"--setup32", "/proc/version"}), "'/proc/version' changed while it was read", 1},
      {"inspect missing file", {"inspect", "@none"}, "tarnwick-pack inspect: '@none' cannot be opened", 1},
      {"inspect without package", {"inspect", "@stub.exe"}, "carries no package", 1},
      {"inspect short file", {"inspect", "@short.exe"}, "is too short to carry a package", 1},
      {"verify missing file", {"verify", "@none"}, "tarnwick-pack verify: FILE: '@none' cannot be opened", 1},
      {"verify two files", {"verify", "@s32", "@s32"}, "unexpected argument", 2},
      {"extract without payload", {"extract", "@packaged.exe", "-o", "@OUT"}, "--payload 32|64 is missing", 2},
      {"extract absent payload", {"extract", "@packaged.exe", "--payload", "64", "-o", "@OUT"}, "has no 64-bit setup program", 1},
  };
  for (const TRefusalRow& row : rows) {
    SCOPED_TRACE(row.name);
    Args args;
    for (const std::string& arg : row.args) args.push_back(arg[0] == '@' ? Path(arg.substr(1)) : arg);
    std::string expected = row.expected;
    const size_t at = expected.find('@');
    if (at != std::string::npos) {
      const size_t end = expected.find('\'', at);
      expected.replace(at, end - at, Path(expected.substr(at + 1, end - at - 1)));
    }
    const TRun run = Run(args);
    EXPECT_EQ(run.status, row.status);
    EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(ReadText(Path("OUT")), "the previous installer");
    EXPECT_EQ(Entries(), before);
  }
}

TEST_F(PackTool, LimitsAreCheckedBeforeAnythingIsRead) {
  // Sparse files: the sizes are real, the disk space is not used.
  const int setup = open(Path("huge").c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_EQ(ftruncate(setup, 0x7FFE0001), 0);
  close(setup);
  const int stub = open(Path("huge-stub.exe").c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_EQ(ftruncate(stub, 0x80000000ll), 0);
  close(stub);
  const std::vector<std::string> before = Entries();

  const TRun program = Run({"build", "-o", Path("OUT"), "--stub", Path("stub.exe"), "--setup32", Path("huge")});
  EXPECT_EQ(program.status, 1);
  EXPECT_EQ(program.err,
            "tarnwick-pack build: the 32-bit setup program is 2147352577 (0x7FFE0001) bytes; the format holds at most "
            "2147352576 (0x7FFE0000) bytes\n");
  const TRun image = Run({"build", "-o", Path("OUT"), "--stub", Path("huge-stub.exe"), "--setup64", Path("stub.exe")});
  EXPECT_EQ(image.status, 1);
  EXPECT_NE(image.err.find("is 2147483648 bytes; at most 2147483647 can be used"), std::string::npos) << image.err;
  EXPECT_EQ(Entries(), before);
}

TEST_F(PackTool, AnInterruptedBuildLeavesNothing) {
  // Bytes without repeats at the slowest preset: compression takes long
  // enough to be interrupted while the temporary file exists.
  Bytes program(8u << 20);
  uint32_t state = 99;
  for (uint8_t& b : program) b = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
  WriteBytes(Path("s32"), program);
  const std::vector<std::string> before = Entries();

  const pid_t child = Start({"build", "-o", Path("OUT"), "--stub", Path("stub.exe"), "--setup32", Path("s32"),
                             "--preset", "9"});
  bool temporarySeen = false;
  for (int wait = 0; wait < 1000 && !temporarySeen; ++wait) {
    for (const std::string& name : Entries()) temporarySeen = temporarySeen || name.rfind(".OUT.tmp-", 0) == 0;
    if (!temporarySeen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(temporarySeen);
  kill(child, SIGTERM);
  int waitStatus = 0;
  waitpid(child, &waitStatus, 0);
  EXPECT_TRUE(WIFSIGNALED(waitStatus) && WTERMSIG(waitStatus) == SIGTERM);
  fs::remove(dir.string() + ".out");
  fs::remove(dir.string() + ".err");
  EXPECT_EQ(Entries(), before);
}

TEST_F(PackTool, TextsUpToTheLimitAreStored) {
  WriteBytes(Path("s32"), Pattern(10, 5));
  WriteBytes(Path("long.txt"), Bytes(65535, 'a'));
  Build("p.exe", {"--setup32", Path("s32"), "--version-message-file", Path("long.txt")});
  EXPECT_EQ(InspectJson("p.exe")["config"]["versionMessage"]["length"].number, 65535);
  EXPECT_EQ(Run({"verify", Path("p.exe")}).status, 0);
}

TEST_F(PackTool, BuildReplacesAnExistingOutput) {
  WriteBytes(Path("s32"), Pattern(10, 5));
  WriteBytes(Path("p.exe"), Text("old"));
  Build("p.exe", {"--setup32", Path("s32")});
  EXPECT_EQ(Run({"verify", Path("p.exe")}).status, 0);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"p.exe", "s32", "stub.exe"}));
}

TEST_F(PackTool, WithoutStubTheBuiltInOneIsUsedOrMissed) {
  WriteBytes(Path("s32"), Pattern(10, 5));
  const TRun run = Run({"build", "-o", Path("p.exe"), "--setup32", Path("s32")});
  if (TARNWICK_PACK_HAS_STUB) {
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Run({"verify", Path("p.exe")}).status, 0);
  } else {
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "tarnwick-pack build: no default stub is built into this tarnwick-pack; give the launcher image with "
              "--stub FILE\n");
    EXPECT_FALSE(fs::exists(Path("p.exe")));
  }
}

TEST_F(PackTool, EverySubcommandHasHelp) {
  for (const char* command : {"build", "inspect", "verify", "extract"}) {
    SCOPED_TRACE(command);
    const TRun run = Run({command, "--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(std::string("Usage: tarnwick-pack ") + command, 0), 0u) << run.out;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Run({"help", command}).out, run.out);
  }
  const TRun general = Run({"--help"});
  EXPECT_EQ(general.status, 0);
  EXPECT_NE(general.out.find("build    turn setup programs into a launcher file"), std::string::npos);
}

}  // namespace
