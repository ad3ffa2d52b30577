// The entry of tarnwick-pack, and nothing else.
#include "PackCommands.h"

int main(int argc, char** argv) { return RunPackTool(argc, argv); }
