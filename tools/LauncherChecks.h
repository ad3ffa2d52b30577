// `verify` and `extract`: the launcher's own steps, with the launcher's own
// code over the real file (through the host platform layer), from reading
// the header up to the decoded setup program. Where the launcher would show
// a message and end, the command prints that very text on standard error
// and ends with a non-zero status. Host-only, linked into the command.
#pragma once

#include "CommandLine.h"

// Runs the size, CRC and config checks and decodes every payload that some
// run of the launcher can choose; prints one line on success.
void RunVerify(const TVerifyOptions& options);

// Runs the same checks, decodes the payload asked for, and writes it to
// the output, which appears only when complete.
void RunExtract(const TExtractOptions& options);
