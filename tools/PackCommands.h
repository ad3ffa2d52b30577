// The command's entry: picks the subcommand, runs it and turns every
// failure into one line on standard error and an exit status. Host-only.
#pragma once

// The exit status of the command for these arguments.
int RunPackTool(int argc, char** argv);
