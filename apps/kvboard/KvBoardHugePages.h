#pragma once

// A board of 40,000 pieces touches about 100 MB of fresh heap as it arrives or loads, and the
// kernel takes a fault for each 4 KiB page of it: about a fifth of the time a newcomer waits for
// the board. glibc's heap can ask for transparent huge pages instead, but only through
// GLIBC_TUNABLES, read when the process starts. This sets the tunable and starts the program
// again (same process, same arguments); it returns at once when the tunable is already set
// (including by the user, whose choice stands), and carries on with the ordinary heap when the
// program cannot be started again. Call it first thing in main(), before any thread exists.
void kvboardUseHugePages(char **argv);
