// The two forms in which `inspect` prints its report: lines for people and
// one JSON object for programs. Host-only.
#pragma once

#include <string>

#include "PackageReport.h"

// Several lines, each ending in a line break.
std::string FormatReportText(const std::string& path, const TPackageReport& report);

// One JSON object and a line break. Field names follow the format's record
// fields; texts are UTF-8 strings, or null when they lie outside the file.
std::string FormatReportJson(const std::string& path, const TPackageReport& report);

// text as the inside of a JSON string: quotes, backslashes and control
// characters escaped, the rest as UTF-8.
std::string JsonEscaped(const std::string& text);
