// The --help text of the command and of each subcommand. Host-only.
#pragma once

#include <string>

// The overview: what the subcommands are.
std::string GeneralHelp();
// The help of one subcommand; empty for an unknown name.
std::string CommandHelp(const std::string& command);
