#include "gfx/text.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/texture.h"
#include "gfx/virtual_screen.h"

bool TextBackdrop = false;
int ListTextColour = 0;
float ListTextAlpha = 1.0f;
float ListTextOrbitAngle = 0.0f;
float ListTextAngle = 0.0f;

namespace {

// Advance per width unit at size 1, and the glyph quad's half-size, per font.
constexpr float kFont1Advance = 20.5f;
constexpr float kFont2Advance = 8.9f;
constexpr float kFont1HalfSize = 16.0f;
constexpr float kFont2HalfSize = 7.0f;
constexpr float kCell = 1.0f / 16.0f;
constexpr float kSmallestGlyphScale = 1e-6f;

// Formats into the caller's 256-byte buffer; the text is cut rather than overrun.
void Format(char* buf, const char* format, va_list args) {
  const int n = std::vsnprintf(buf, kTextBufferBytes, format, args);
  if (n < 0) buf[0] = '\0';
}

float AdvanceFactor(int font, float size) {
  return font == 1 ? size * kFont1Advance : size * kFont2Advance;
}

float SumAdvances(const BitmapFont& f, float factor, const char* text) {
  float sum = 0.0f;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
    sum += f.widths[*p] * factor;
  return sum;
}

void BindAtlas(const BitmapFont& f) {
  const int name = TextureTable[f.atlasEntry].name;
  glBindTexture(GL_TEXTURE_2D, name > 0 ? static_cast<GLuint>(name) : 0);
}

// One pass over the text, inside the caller's glBegin(GL_QUADS): each glyph centred in
// its advance, drawn at the given offset and scale. The pen walks on the vertices, not
// on the modelview matrix: a matrix change between glyphs would end each glyph's quad
// as a draw of its own, and a software rasteriser pays dearly for every draw.
void GlyphPass(const BitmapFont& f, float factor, const char* text, float size, float h,
               float dx, float dy) {
  const float s = size * h;
  float pen = 0.0f;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    const float adv = f.widths[*p] * factor;
    const float x = pen + adv * 0.5f + dx;
    const GlyphCell cell = GlyphCellOf(*p);
    glTexCoord2f(cell.u, cell.bottom);
    glVertex2f(x - s, dy - s);
    glTexCoord2f(cell.u + kCell, cell.bottom);
    glVertex2f(x + s, dy - s);
    glTexCoord2f(cell.u + kCell, cell.top);
    glVertex2f(x + s, dy + s);
    glTexCoord2f(cell.u, cell.top);
    glVertex2f(x - s, dy + s);
    pen += adv;
  }
}

bool SetSchemeColour(int scheme, float alpha) {
  static const float kSchemes[5][3] = {
      {0.08f, 0.08f, 0.08f}, {0.94f, 0.92f, 0.88f}, {0.5f, 0.5f, 0.5f},
      {0.748f, 0.935f, 0.055f}, {0.6f, 0.6f, 0.6f}};
  if (scheme < 0 || scheme > 4) return false;
  glColor4f(kSchemes[scheme][0], kSchemes[scheme][1], kSchemes[scheme][2], alpha);
  return true;
}

void ListTextSchemeColour(int font) {
  static const float kFont1[4][3] = {
      {0.85f, 0.85f, 0.85f}, {0.0f, 0.0f, 0.0f}, {1.0f, 0.75f, 0.0f}, {0.22f, 0.89f, 1.0f}};
  static const float kFont2[3][3] = {
      {1.0f, 0.75f, 0.0f}, {0.22f, 0.89f, 1.0f}, {0.95f, 0.95f, 0.95f}};
  const int c = ListTextColour;
  if (font == 1 && c >= 0 && c < 4) glColor4f(kFont1[c][0], kFont1[c][1], kFont1[c][2], ListTextAlpha);
  if (font == 2 && c >= 0 && c < 3) glColor4f(kFont2[c][0], kFont2[c][1], kFont2[c][2], ListTextAlpha);
}

void DrawListText(int font, float x, float y, const char* text) {
  const BitmapFont& f = *FontByNumber(font);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(VirtualScreen.left, VirtualScreen.right, VirtualScreen.bottom, VirtualScreen.top,
          -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glRotatef(ListTextOrbitAngle, 0.0f, 0.0f, 1.0f);
  glTranslatef(x, font == 1 ? y - 3.0f : y, 0.0f);
  glRotatef(ListTextAngle, 0.0f, 0.0f, 1.0f);
  glListBase(f.listBase);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  ListTextSchemeColour(font);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  BindAtlas(f);
  // Lists are only called once built: list base 0 would call whatever lists 0-255 are.
  if (f.listBase != 0)
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

// Both list-text entries: the formatted text in the given font; a null format draws nothing.
void DrawFormattedListText(int font, float x, float y, const char* format, va_list args) {
  if (format == nullptr) return;
  char text[kTextBufferBytes];
  Format(text, format, args);
  DrawListText(font, x, y, text);
}

}  // namespace

float MeasureText(int font, float size, const char* format, ...) {
  const BitmapFont* f = FontByNumber(font);
  if (format == nullptr || f == nullptr) return 0.0f;
  char text[kTextBufferBytes];
  va_list args;
  va_start(args, format);
  Format(text, format, args);
  va_end(args);
  return SumAdvances(*f, AdvanceFactor(font, size), text);
}

TextTraceFn TextTrace = nullptr;
TextBoxTraceFn TextBoxTrace = nullptr;
int TextTraceOwner = 0;

// The atlas draws the nine rows of the glyph table over the middle 50 of each cell's 64
// pixels, seven of them above the baseline: font 1's quad is 32 units a cell, font 2's 14.
float GlyphInkTop(int font) { return font == 1 ? 12.5f : 5.5f; }
float GlyphInkBottom(int font) { return font == 1 ? -12.5f : -5.5f; }

namespace {

bool TraceTextBox(const char* text, float x0, float y, float width, int colour, float alpha, int font,
                  float size, int align, bool shadow) {
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  const float top = y + GlyphInkTop(font) * size, bottom = y + GlyphInkBottom(font) * size;
  const float local[4][2] = {{x0, bottom}, {x0 + width, bottom}, {x0 + width, top}, {x0, top}};
  TracedTextBox box{text, {}, colour, alpha, font, size, align, TextBackdrop, shadow, TextTraceOwner};
  for (int i = 0; i < 4; ++i) {
    box.corners[i][0] = m[0] * local[i][0] + m[4] * local[i][1] + m[12];
    box.corners[i][1] = m[1] * local[i][0] + m[5] * local[i][1] + m[13];
  }
  return TextBoxTrace(box);
}

}  // namespace

void PrintText(float x, float y, int colour, float alpha, int font, float size, bool shadow,
               int align, const char* format, ...) {
  const BitmapFont* fp = FontByNumber(font);
  // A size that is no number would carry into every translation below.
  if (format == nullptr || fp == nullptr || !std::isfinite(size)) return;
  const BitmapFont& f = *fp;
  char text[kTextBufferBytes];
  va_list args;
  va_start(args, format);
  Format(text, format, args);
  va_end(args);

  if (TextTrace) {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    TextTrace(text, m[0] * x + m[4] * y + m[12], m[1] * x + m[5] * y + m[13], colour, alpha, font, size, align);
  }

  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  BindAtlas(f);

  const float factor = AdvanceFactor(font, size);
  const float total = SumAdvances(f, factor, text);
  const float w = align == 1 ? total * 0.5f : align == 2 ? total : 0.0f;
  const bool hideGlyphs =
      TextBoxTrace != nullptr && TraceTextBox(text, x - w, y, total, colour, alpha, font, size, align, shadow);
  glTranslatef(x - w, y, 0.0f);

  if (TextBackdrop) {
    if (colour == 0) glColor4f(0.94f, 0.92f, 0.88f, alpha);
    if (colour == 1) glColor4f(0.08f, 0.08f, 0.08f, alpha);
    glDisable(GL_TEXTURE_2D);
    glTranslatef(w, 0.0f, 0.0f);
    const float x0 = font == 1 ? -w - 2.0f : -w - 1.0f;
    const float x1 = font == 1 ? w + 3.0f : w + 2.0f;
    const float y0 = font == 1 ? -9.0f * size : -6.3f * size;
    const float y1 = font == 1 ? 15.0f * size : 7.0f * size;
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
    glTranslatef(-w, 0.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
  }

  // Far below size 1 a glyph is a millionth of a pixel: such sizes draw no glyphs. The
  // shadow and the glyphs over it are one draw.
  const bool drawGlyphs = std::fabs(size) >= kSmallestGlyphScale && !hideGlyphs;
  const float h = font == 1 ? kFont1HalfSize : kFont2HalfSize;
  if (drawGlyphs) {
    glBegin(GL_QUADS);
    if (shadow) {
      glColor4f(0.0f, 0.0f, 0.0f, alpha);
      const float offset = font == 1 ? 1.0f : 1.5f;
      GlyphPass(f, factor, text, size, h, offset, -offset);
    }
    SetSchemeColour(colour, alpha);
    GlyphPass(f, factor, text, size, h, 0.0f, 0.0f);
    glEnd();
  }

  glTranslatef(w - x, -y, 0.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void PrintTextLists1(float x, float y, float, int, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DrawFormattedListText(1, x, y, format, args);
  va_end(args);
}

void PrintTextLists2(float x, float y, int, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DrawFormattedListText(2, x, y, format, args);
  va_end(args);
}
