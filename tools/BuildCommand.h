// `tarnwick-pack build`: turns setup programs into a launcher file.
// Host-only.
#pragma once

#include "CommandLine.h"
#include "StubImage.h"

// Builds the package that options ask for onto the image given with --stub,
// or onto defaultStub, and puts it at options.output only when it is
// complete. Throws a TToolError (nothing left at the output) on any failure.
void RunBuild(const TBuildOptions& options, const TEmbeddedImage& defaultStub);

// The UTF-16 text of a message option: the inline UTF-8 text, or the UTF-8
// content of the file (a byte order mark at its start dropped). role names
// the option in errors. Throws a work TToolError for unreadable files and
// text that is not UTF-8.
std::u16string MessageText(const std::string& role, const TTextSource& source);
