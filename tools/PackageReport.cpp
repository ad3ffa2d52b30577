#include "PackageReport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "../stub/Integrity.h"
#include "Crc32Accumulator.h"
#include "TextCodec.h"
#include "ToolError.h"

namespace {

constexpr size_t CrcChunk = 1 << 20;
constexpr uint32_t NoPayloadOffset = 0;
constexpr uint64_t BytesPerCodeUnit = 2;
constexpr uint32_t LowHalfBits = 32;

bool ReadExactly(const TReadAt& read, uint64_t offset, void* buffer, size_t count) {
  return read(offset, buffer, count) == count;
}

TPayloadReport DescribePayload(const TPayloadRef& ref, bool is64, uint64_t fileSize) {
  TPayloadReport report;
  report.ref = ref;
  if (ref.offset == NoPayloadOffset) return report;
  if (is64 && ref.offset == Refuse64BitOffset) {
    report.state = TPayloadState::RefusesWindows64;
    return report;
  }
  report.state = TPayloadState::Present;
  report.insideFile = ref.offset <= MaxStoredOffset && ref.packedSize >= 0 &&
                      static_cast<uint64_t>(ref.offset) + static_cast<uint64_t>(ref.packedSize) <= fileSize;
  return report;
}

TTextReport DescribeText(const TMessageRef& ref, const TReadAt& read) {
  TTextReport report;
  report.ref = ref;
  if (ref.length == 0) {
    report.insideFile = true;
    return report;
  }
  std::vector<uint8_t> bytes(ref.length * BytesPerCodeUnit);
  if (ref.offset > MaxStoredOffset || !ReadExactly(read, ref.offset, bytes.data(), bytes.size())) return report;
  report.insideFile = true;
  report.text = Utf16FromLittleEndian(bytes.data(), ref.length);
  return report;
}

void DescribeCrc(TPackageReport& report, const TReadAt& read) {
  const TStubHeader& header = report.header;
  if (!CrcRegionInFile(header, report.fileSize)) return;
  const uint64_t end = static_cast<uint64_t>(header.configOffset) + static_cast<uint64_t>(header.crcLength);
  if (end > report.fileSize) return;
  report.crcRegionInside = true;
  TCrc32Accumulator crc;
  std::vector<uint8_t> chunk(CrcChunk);
  for (uint64_t position = header.configOffset; position < end;) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(chunk.size(), end - position));
    if (!ReadExactly(read, position, chunk.data(), count)) {
      report.crcRegionInside = false;
      return;
    }
    crc.Update(chunk.data(), count);
    position += count;
  }
  report.crcComputed = crc.Value();
  report.crcMatches = report.crcComputed == header.crcValue;
}

}  // namespace

TPackageReport DescribePackage(uint64_t fileSize, const TReadAt& read) {
  TPackageReport report;
  report.fileSize = fileSize;
  uint8_t headerBytes[StubHeaderSize];
  if (!ReadExactly(read, StubHeaderOffset, headerBytes, sizeof headerBytes)) return report;
  report.headerRead = true;
  report.header = DecodeStubHeader(headerBytes);
  const TStubHeader& header = report.header;
  if (header.configOffset == 0) return report;

  report.leastSize = header.detachedMinSize != 0 ? header.detachedMinSize
                     : header.minFileSize > 0    ? static_cast<uint64_t>(header.minFileSize)
                                                 : 0;
  report.truncated = FileIsTruncated(header, static_cast<uint32_t>(fileSize),
                                     static_cast<uint32_t>(fileSize >> LowHalfBits));
  report.trailingBytes = fileSize > report.leastSize ? fileSize - report.leastSize : 0;
  DescribeCrc(report, read);

  uint8_t configBytes[PackageConfigSize];
  if (header.configOffset > MaxStoredOffset || !ReadExactly(read, header.configOffset, configBytes, sizeof configBytes))
    return report;
  report.configRead = true;
  report.config = DecodePackageConfig(configBytes);
  report.payload32 = DescribePayload(report.config.payload32, false, fileSize);
  report.payload64 = DescribePayload(report.config.payload64, true, fileSize);
  report.bitnessMessage = DescribeText(report.config.bitnessMessage, read);
  report.versionMessage = DescribeText(report.config.versionMessage, read);
  return report;
}

TPackageReport DescribePackageFile(const std::string& path) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) throw WorkError("'" + path + "' cannot be opened: " + std::strerror(errno));
  struct stat info;
  const bool examined = fstat(descriptor, &info) == 0;
  if (!examined || !S_ISREG(info.st_mode)) {
    close(descriptor);
    throw WorkError("'" + path + "' is not a regular file");
  }
  bool readFailed = false;
  const TReadAt read = [descriptor, &readFailed](uint64_t offset, void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
      const ssize_t got = pread(descriptor, static_cast<uint8_t*>(buffer) + done, count - done,
                                static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) readFailed = true;
      if (got <= 0) break;
      done += static_cast<size_t>(got);
    }
    return done;
  };
  const TPackageReport report = DescribePackage(static_cast<uint64_t>(info.st_size), read);
  close(descriptor);
  if (readFailed) throw WorkError("'" + path + "' cannot be read: " + std::strerror(EIO));
  return report;
}
