#include "gfx/font.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "gfx/data_files.h"

BitmapFont Font1 = {8, {}, 0};
BitmapFont Font2 = {0, {}, 0};

namespace {

constexpr float kCell = 1.0f / 16.0f;
// The width file's line limit; longer lines are consumed but not stored.
constexpr int kLineBytes = 128;
// Widths are in glyph cells; one wider than the atlas's whole row of 16 is no width.
constexpr float kMaxGlyphWidth = 16.0f;

// Reads one line (without its end) into buf, keeping at most kLineBytes - 1
// characters; false at end of file with nothing read.
bool ReadLine(FILE* f, char buf[kLineBytes]) {
  int n = 0, c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (n < kLineBytes - 1) buf[n++] = static_cast<char>(c);
  }
  buf[n] = '\0';
  return any;
}

// One display list per code: half an advance, the glyph, the other half, so calling
// the lists of a string advances the pen by the width times the font's step with each
// glyph centred in its advance.
void BuildLists(BitmapFont* font, float step, float x0, float y0, float x1, float y1) {
  if (font->listBase != 0) glDeleteLists(font->listBase, kFontGlyphs);
  font->listBase = glGenLists(kFontGlyphs);
  for (int c = 0; c < kFontGlyphs; ++c) {
    const GlyphCell cell = GlyphCellOf(static_cast<unsigned char>(c));
    const float half = static_cast<float>(font->widths[c] * step) * 0.5f;
    glNewList(font->listBase + c, GL_COMPILE);
    glTranslatef(half, 0.0f, 0.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(cell.u, cell.bottom);
    glVertex2f(x0, y0);
    glTexCoord2f(cell.u + kCell, cell.bottom);
    glVertex2f(x1, y0);
    glTexCoord2f(cell.u + kCell, cell.top);
    glVertex2f(x1, y1);
    glTexCoord2f(cell.u, cell.top);
    glVertex2f(x0, y1);
    glEnd();
    glTranslatef(half, 0.0f, 0.0f);
    glEndList();
  }
}

void DeleteLists(BitmapFont* font) {
  if (font->listBase != 0) glDeleteLists(font->listBase, kFontGlyphs);
  font->listBase = 0;
}

}  // namespace

BitmapFont* FontByNumber(int font) {
  if (font == 1) return &Font1;
  if (font == 2) return &Font2;
  return nullptr;
}

GlyphCell GlyphCellOf(unsigned char code) {
  const float u = static_cast<float>(code % 16) / 16.0f;
  const float v = static_cast<float>(code / 16) / 16.0f;
  return GlyphCell{u, 1.0f - v - kCell, 1.0f - v};
}

bool ReadFontWidths(FILE* file, float widths[kFontGlyphs], int* glyphsRead) {
  if (glyphsRead) *glyphsRead = 0;
  if (file == nullptr) return false;
  char line[kLineBytes];
  int code = 0;
  for (; code < kFontGlyphs; ++code) {
    if (!ReadLine(file, line) || !ReadLine(file, line)) break;
    // "nan", "inf" or a number past the float range would carry into every pen
    // translation of the text and leave the modelview matrix without a number; a huge
    // finite one does the same once multiplied by the font's step, or moves the pen so
    // far that the step back cannot find where it was.
    const float w = static_cast<float>(std::atof(line));
    widths[code] = std::fabs(w) <= kMaxGlyphWidth ? w : 0.0f;
  }
  if (glyphsRead) *glyphsRead = code;
  for (; code < kFontGlyphs; ++code) widths[code] = 0.0f;
  return true;
}

bool LoadFontWidths(const char* path, int font) {
  BitmapFont* f = FontByNumber(font);
  if (f == nullptr || path == nullptr) return false;
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) {
    ReportUnusableFile(path, OpenFailureReason());
    return false;
  }
  int glyphs = 0;
  ReadFontWidths(file, f->widths, &glyphs);
  std::fclose(file);
  // Glyphs without a width draw nothing: a cut file blanks every text that uses them.
  bool anyWidth = false;
  for (float w : f->widths) anyWidth = anyWidth || w != 0.0f;
  if (glyphs < kFontGlyphs || !anyWidth) {
    const std::string why = "holds widths for " + std::to_string(anyWidth ? glyphs : 0) + " of the " +
                            std::to_string(kFontGlyphs) + " glyphs";
    ReportUnusableFile(path, why.c_str());
    return false;
  }
  return true;
}

void BuildFontLists1() { BuildLists(&Font1, 15.0f, 0.0f, -3.0f, 17.0f, 20.0f); }
void BuildFontLists2() { BuildLists(&Font2, 27.0f, 0.0f, 0.0f, 60.0f, 60.0f); }
void DeleteFontLists1() { DeleteLists(&Font1); }
void DeleteFontLists2() { DeleteLists(&Font2); }
