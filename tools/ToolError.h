// How the command reports a failure: one line of text and an exit status.
// Host-only; thrown by every subcommand and caught once in the entry.
#pragma once

#include <stdexcept>
#include <string>

// Exit statuses of the command.
constexpr int ExitSuccess = 0;
// The package, an input file or the system refused what was asked.
constexpr int ExitFailure = 1;
// The command line itself is wrong; nothing was read or written.
constexpr int ExitUsage = 2;

// A failure with the one line that describes it (without the program name
// and without a line break) and the status the command ends with.
class TToolError : public std::runtime_error {
 public:
  TToolError(const std::string& message, int exitCode) : std::runtime_error(message), exitCode_(exitCode) {}
  int ExitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

// A wrong command line: ends with ExitUsage.
inline TToolError UsageError(const std::string& message) { return TToolError(message, ExitUsage); }
// A failure while doing the work: ends with ExitFailure.
inline TToolError WorkError(const std::string& message) { return TToolError(message, ExitFailure); }
