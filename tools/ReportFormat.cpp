#include "ReportFormat.h"

#include <cstdio>
#include <vector>

#include "../package/LzmaDecoder.h"
#include "TextCodec.h"
#include "WindowsNames.h"

namespace {

constexpr unsigned char FirstPrintable = 0x20;

std::string Hex32(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", value);
  return buffer;
}

std::string Hex64(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%016llX", static_cast<unsigned long long>(value));
  return buffer;
}

std::string PropertyBytes(const uint8_t* bytes) {
  std::string out;
  for (uint32_t i = 0; i < LzmaPropertiesSize; ++i) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02X", bytes[i]);
    if (!out.empty()) out += ' ';
    out += buffer;
  }
  return out;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += separator;
    out += item;
  }
  return out;
}

std::string Quoted(const std::string& text) { return "\"" + JsonEscaped(text) + "\""; }

std::string Flag(bool value) { return value ? "true" : "false"; }

std::string UnnamedBitsText(uint64_t set) {
  std::vector<std::string> bits;
  for (uint32_t bit : UnnamedWindowsBits(set)) bits.push_back(std::to_string(bit));
  return Joined(bits, ", ");
}

std::string PayloadLine(const TPayloadReport& payload) {
  switch (payload.state) {
    case TPayloadState::Absent:
      return "none";
    case TPayloadState::RefusesWindows64:
      return "none, and 64-bit Windows is refused (offset 0xFFFFFFFF)";
    case TPayloadState::Present:
      break;
  }
  std::string line = "at " + Hex32(payload.ref.offset) + ", " + std::to_string(payload.ref.packedSize) +
                     " bytes packed, " + std::to_string(payload.ref.unpackedSize) + " bytes unpacked";
  if (!payload.insideFile) line += " (reaches past the end of the file)";
  return line;
}

std::string TextLine(const TTextReport& text) {
  if (text.ref.length == 0) return "empty";
  std::string line = std::to_string(text.ref.length) + " code units at " + Hex32(text.ref.offset) + ": ";
  if (!text.insideFile) return line + "(lies outside the file)";
  return line + Quoted(Utf16ToUtf8(text.text));
}

const char* PayloadStateName(TPayloadState state) {
  switch (state) {
    case TPayloadState::Absent:
      return "absent";
    case TPayloadState::RefusesWindows64:
      return "refuses-64-bit";
    case TPayloadState::Present:
      break;
  }
  return "present";
}

std::string PayloadJson(const TPayloadReport& payload) {
  return "{\"state\": \"" + std::string(PayloadStateName(payload.state)) + "\", \"offset\": " +
         std::to_string(payload.ref.offset) + ", \"packedSize\": " + std::to_string(payload.ref.packedSize) +
         ", \"unpackedSize\": " + std::to_string(payload.ref.unpackedSize) +
         ", \"insideFile\": " + Flag(payload.insideFile) + "}";
}

std::string TextJson(const TTextReport& text) {
  const std::string content = text.insideFile ? Quoted(Utf16ToUtf8(text.text)) : "null";
  return "{\"offset\": " + std::to_string(text.ref.offset) + ", \"length\": " + std::to_string(text.ref.length) +
         ", \"text\": " + content + "}";
}

}  // namespace

std::string JsonEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (byte < FirstPrintable) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", byte);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out;
}

std::string FormatReportText(const std::string& path, const TPackageReport& report) {
  std::string out = "file:               " + path + " (" + std::to_string(report.fileSize) + " bytes)\n";
  if (!report.headerRead) return out + "header:             missing (the file ends before byte 152)\n";
  const TStubHeader& header = report.header;
  out += "configOffset:       " + Hex32(header.configOffset) + "\n";
  if (header.configOffset == 0) return out + "package:            none attached\n";
  out += "crcLength:          " + std::to_string(header.crcLength) + "\n";
  out += "crcValue:           " + Hex32(header.crcValue);
  if (!report.crcRegionInside) out += " (the region lies outside the file)\n";
  else if (report.crcMatches) out += " (matches)\n";
  else out += " (does not match: the region's CRC is " + Hex32(report.crcComputed) + ")\n";
  out += "minFileSize:        " + std::to_string(header.minFileSize) + "\n";
  out += "detachedMinSize:    " + std::to_string(header.detachedMinSize) +
         (header.detachedMinSize != 0 ? " (detached: the launcher does not wait)\n" : " (the launcher waits)\n");
  out += "trailing bytes:     " + std::to_string(report.trailingBytes);
  out += report.truncated ? " (the file is shorter than its least size)\n" : "\n";
  if (!report.configRead) return out + "config:             outside the file\n";
  const TPackageConfig& config = report.config;
  const TLzmaProperties lzma = DecodeLzmaProperties(config.lzmaProperties);
  out += "lzmaProperties:     " + PropertyBytes(config.lzmaProperties) + " (lc " +
         std::to_string(lzma.literalContextBits) + ", lp " + std::to_string(lzma.literalPositionBits) + ", pb " +
         std::to_string(lzma.positionBits) + ", dictionary " + std::to_string(lzma.dictionarySize) + " bytes)\n";
  const uint64_t set = config.windowsVersions.bits;
  out += "windowsVersions:    " + Hex64(set) + ": " + Joined(WindowsSwitchNames(set), ", ");
  if (!UnnamedWindowsBits(set).empty()) out += " (and bits " + UnnamedBitsText(set) + ")";
  out += "\n";
  out += "releases:           " + std::to_string(config.minReleaseId) + " to " + std::to_string(config.maxReleaseId) + "\n";
  out += "elevationMode:      " + std::to_string(config.elevationMode) + "\n";
  out += "payload32:          " + PayloadLine(report.payload32) + "\n";
  out += "payload64:          " + PayloadLine(report.payload64) + "\n";
  out += "bitnessMessage:     " + TextLine(report.bitnessMessage) + "\n";
  out += "versionMessage:     " + TextLine(report.versionMessage) + "\n";
  return out;
}

std::string FormatReportJson(const std::string& path, const TPackageReport& report) {
  std::string out = "{\"file\": " + Quoted(path) + ", \"fileSize\": " + std::to_string(report.fileSize);
  out += ", \"headerRead\": " + Flag(report.headerRead);
  if (report.headerRead) {
    const TStubHeader& header = report.header;
    out += ", \"header\": {\"configOffset\": " + std::to_string(header.configOffset) +
           ", \"crcLength\": " + std::to_string(header.crcLength) + ", \"crcValue\": " +
           std::to_string(header.crcValue) + ", \"minFileSize\": " + std::to_string(header.minFileSize) +
           ", \"detachedMinSize\": " + std::to_string(header.detachedMinSize) + "}";
    out += ", \"hasPackage\": " + Flag(header.configOffset != 0);
  }
  if (report.headerRead && report.header.configOffset != 0) {
    out += ", \"crcRegionInside\": " + Flag(report.crcRegionInside) + ", \"crcMatches\": " + Flag(report.crcMatches) +
           ", \"crcComputed\": " + std::to_string(report.crcComputed);
    out += ", \"leastFileSize\": " + std::to_string(report.leastSize) + ", \"truncated\": " + Flag(report.truncated) +
           ", \"trailingBytes\": " + std::to_string(report.trailingBytes);
    out += ", \"configRead\": " + Flag(report.configRead);
  }
  if (report.configRead) {
    const TPackageConfig& config = report.config;
    const TLzmaProperties lzma = DecodeLzmaProperties(config.lzmaProperties);
    std::vector<std::string> names;
    for (const std::string& name : WindowsSwitchNames(config.windowsVersions.bits)) names.push_back(Quoted(name));
    std::vector<std::string> bits;
    for (uint32_t bit : UnnamedWindowsBits(config.windowsVersions.bits)) bits.push_back(std::to_string(bit));
    out += ", \"config\": {\"lzmaProperties\": " + Quoted(PropertyBytes(config.lzmaProperties)) +
           ", \"lc\": " + std::to_string(lzma.literalContextBits) + ", \"lp\": " +
           std::to_string(lzma.literalPositionBits) + ", \"pb\": " + std::to_string(lzma.positionBits) +
           ", \"dictionarySize\": " + std::to_string(lzma.dictionarySize) + ", \"windowsVersions\": [" +
           Joined(names, ", ") + "], \"otherVersionBits\": [" + Joined(bits, ", ") + "], \"windowsVersionBits\": " +
           Quoted(Hex64(config.windowsVersions.bits)) + ", \"minReleaseId\": " + std::to_string(config.minReleaseId) +
           ", \"maxReleaseId\": " + std::to_string(config.maxReleaseId) +
           ", \"elevationMode\": " + std::to_string(config.elevationMode) + ", \"payload32\": " +
           PayloadJson(report.payload32) + ", \"payload64\": " + PayloadJson(report.payload64) +
           ", \"bitnessMessage\": " + TextJson(report.bitnessMessage) +
           ", \"versionMessage\": " + TextJson(report.versionMessage) + "}";
  }
  return out + "}\n";
}
