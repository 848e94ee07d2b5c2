// Game data files (under base/) that a reader could not open or refused. Every reader
// names the file and the reason in one line; the loaders compare the count before and
// after a load to refuse a race, or end the start, instead of running on without the
// data.
#pragma once

#include <cstdint>
#include <string>

// Prints "<path>: <why>" on stdout and counts it. Safe from both threads. A file read
// once for the whole run that every race needs (cars.ini, fpoints.ini, an effect a race
// draws) is `lasting`: it is remembered until the process ends, and every race refuses
// to run without it. One read once that no race needs is reported as not lasting.
void ReportUnusableFile(const char* path, const char* why, bool lasting = false);

// The first lasting file reported ("" when none).
std::string LastingUnusableFile();

// How many files were reported since the process started.
uint32_t UnusableFileCount();

// The last file reported ("" when none), for the message that refuses what needed it.
std::string LastUnusableFile();

// The reason a file could not be opened, from errno right after the failed open.
const char* OpenFailureReason();
