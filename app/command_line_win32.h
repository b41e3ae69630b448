#pragma once
// Reads the launch argument from the process command line.

// Converts the first command-line argument into text (kArgumentBufferSize bytes).
// Returns false when there is no argument or the command line cannot be split.
bool obtainLaunchArgument(char* text);
