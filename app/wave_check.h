// The layout of a .wav file checked before the sound loader reads it: ALUT allocates
// what a data chunk claims before it finds the file short, so a 44-byte file claiming
// 4 GiB would ask for 4 GiB. Only chunk headers are read here, never sample data.
#pragma once

#include <cstdio>
#include <string>

// True when `f` (positioned anywhere) holds "RIFF" .. "WAVE", a "fmt " chunk of at
// least 16 bytes with a sample rate SampleRateHz takes, and then a "data" chunk, each chunk on the way lying wholly inside the
// file. Otherwise false with the reason in `why`. Leaves the file position at its end.
bool WaveChunksFit(std::FILE* f, std::string* why);

// The same for a file by name; a file that cannot be opened does not fit.
bool WaveFileChunksFit(const char* path, std::string* why);

// No sound hardware plays faster than this; a header claiming more is damaged.
constexpr unsigned kMaxWaveRate = 768000;

// The sample rate a reader reported, as the whole hertz OpenAL takes; 0 when it is not
// a rate at all (not positive, not a number, or above kMaxWaveRate), which an int
// conversion of the float could not even represent.
int SampleRateHz(float rate);
