// The game's two bitmap fonts: a 16 x 16 glyph atlas from the texture table, 256
// glyph widths from a width file and 256 display lists. Made once by the renderer's
// start-up on the main thread and deleted at shutdown.
#pragma once

#include <cstdio>

constexpr int kFontGlyphs = 256;

struct BitmapFont {
  int atlasEntry;             // TextureTable entry of the glyph atlas (8 for font 1, 0 for font 2)
  float widths[kFontGlyphs];  // per unsigned character code; 0 until loaded
  unsigned listBase;          // first of 256 consecutive display lists; 0 until built
};

extern BitmapFont Font1;
extern BitmapFont Font2;

// Font 1 or 2; null for any other number.
BitmapFont* FontByNumber(int font);

// The glyph cell of a character code: s from u to u + 1/16, t from bottom to top.
// Row 0 (codes 0-15) lies at the high-t end of the atlas.
struct GlyphCell {
  float u, bottom, top;
};
GlyphCell GlyphCellOf(unsigned char code);

// Reads a width file: 512 lines, two per code 0-255, the second holding the width as
// its leading number (no number, one that is not finite, or one beyond 16 cells either
// way gives 0). Codes whose lines are missing at the end of a short file get 0. Lines
// longer than the format's 127 characters are read whole so the pairs stay in step.
// False when the file does not open (widths untouched).
bool ReadFontWidths(FILE* file, float widths[kFontGlyphs], int* glyphsRead = nullptr);
// Loads the widths of font 1 or 2 from a path; a file that does not open leaves the
// font's widths as they were.
bool LoadFontWidths(const char* path, int font);

void BuildFontLists1();
void BuildFontLists2();
void DeleteFontLists1();
void DeleteFontLists2();
