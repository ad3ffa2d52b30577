#include "PackCommands.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "BuildCommand.h"
#include "CommandLine.h"
#include "HelpTexts.h"
#include "LauncherChecks.h"
#include "PackageReport.h"
#include "Progress.h"
#include "ReportFormat.h"
#include "ToolError.h"

namespace {

void Print(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

void RunInspect(const TInspectOptions& options) {
  const TPackageReport report = DescribePackageFile(options.file);
  // A file without a package has nothing to show beyond the fact.
  if (!report.headerRead)
    throw WorkError("'" + options.file + "' is too short to carry a package (" + std::to_string(report.fileSize) +
                    " bytes; the header ends at byte 152)");
  if (report.header.configOffset == 0)
    throw WorkError("'" + options.file + "' carries no package: its header at 128 is empty");
  Print(options.json ? FormatReportJson(options.file, report) : FormatReportText(options.file, report));
  if (!report.configRead) throw WorkError("'" + options.file + "': the config record lies outside the file");
}

void RunCommand(const std::string& command, const std::vector<std::string>& args) {
  if (command == "build") {
    const TBuildOptions options = ParseBuildArguments(args);
    if (options.help) return Print(CommandHelp(command));
    RunBuild(options, EmbeddedStub());
  } else if (command == "inspect") {
    const TInspectOptions options = ParseInspectArguments(args);
    if (options.help) return Print(CommandHelp(command));
    RunInspect(options);
  } else if (command == "verify") {
    const TVerifyOptions options = ParseVerifyArguments(args);
    if (options.help) return Print(CommandHelp(command));
    RunVerify(options);
  } else if (command == "extract") {
    const TExtractOptions options = ParseExtractArguments(args);
    if (options.help) return Print(CommandHelp(command));
    RunExtract(options);
  }
}

int Report(const std::string& where, const std::string& message, int status) {
  ClearProgress();
  std::fprintf(stderr, "tarnwick-pack%s: %s\n", where.c_str(), message.c_str());
  return status;
}

}  // namespace

int RunPackTool(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  if (args.empty())
    return Report("", "a command is missing: build, inspect, verify or extract (see tarnwick-pack --help)", ExitUsage);
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "-h" || command == "--help") {
    Print(GeneralHelp());
    return ExitSuccess;
  }
  if (command == "help") {
    if (args.empty()) {
      Print(GeneralHelp());
      return ExitSuccess;
    }
    const std::string help = CommandHelp(args[0]);
    if (help.empty()) return Report("", "unknown command '" + args[0] + "' (see tarnwick-pack --help)", ExitUsage);
    Print(help);
    return ExitSuccess;
  }
  if (CommandHelp(command).empty())
    return Report("", "unknown command '" + command + "' (see tarnwick-pack --help)", ExitUsage);
  try {
    RunCommand(command, args);
    return ExitSuccess;
  } catch (const TToolError& error) {
    return Report(" " + command, error.what(), error.ExitCode());
  } catch (const std::bad_alloc&) {
    return Report(" " + command, "out of memory", ExitFailure);
  } catch (const std::exception& error) {
    return Report(" " + command, error.what(), ExitFailure);
  }
}
