// The game's sound files: RIFF/WAVE with 8- or 16-bit PCM samples, mono or stereo, read
// by the game itself into the bytes an OpenAL buffer takes. (ALUT's reader refuses to
// read while the shared OpenAL context holds an error that the other thread raised, so
// a focus change during a load could leave the music silent.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PcmWav {
  std::vector<uint8_t> samples;  // interleaved, little-endian, whole frames only
  int channels = 0;              // 1 or 2
  int bits = 0;                  // 8 or 16
  int rate = 0;                  // samples per second, above 0
};

// Anything no WAV file of the game is: a file over this is refused unread.
constexpr size_t kMaxWavFileBytes = 64u << 20;

// Decodes a file image. Chunks are walked by their sizes with every size checked
// against the image; a data chunk that claims more than the file holds is cut to what
// is there. False (out cleared) for anything but PCM 8/16-bit, 1-2 channels, a rate
// above 0 and at least one frame.
bool DecodePcmWav(const uint8_t* data, size_t size, PcmWav* out);
// Reads and decodes a file; false when it cannot be read or is no such WAV.
bool ReadPcmWav(const char* path, PcmWav* out);
