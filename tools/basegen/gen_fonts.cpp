// The two bitmap fonts: glyph atlases "textures/tex08.tga" (font 1, bold) and
// "textures/tex00.tga" (font 2, condensed) and their width files "font1.ini" and
// "font2.ini", measured from the same bitmaps.
//
// The glyphs come from the small pixel table below (5 x 7 with two descender rows,
// wider where a letter needs it), drawn as round strokes between neighbouring pixels
// and supersampled, so they stay smooth when the HUD draws them large. Atlas layout:
// 16 x 16 cells of 64 pixels, code c in column c % 16 and row c / 16, row 0 at the top
// of the image, white with the coverage in alpha, each glyph centred in its cell on a
// baseline common to all.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/font.h"
#include "gfx/image_tga.h"
#include "tools/basegen/basegen.h"
#include "tools/basegen/generators.h"

namespace basegen {

namespace {

constexpr int kCellPixels = 64;
constexpr int kAtlasPixels = 16 * kCellPixels;
constexpr int kSupersample = 4;
constexpr int kDesignRows = 9;  // 7 above the baseline, 2 below

// Code-page-1251 glyphs: '#' ink, '.' paper, rows top to bottom separated by spaces.
struct GlyphArt {
  unsigned char code;
  const char* rows;
};

const GlyphArt kGlyphs[] = {
    {'!', "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#.."},
    {'"', ".#.#. .#.#. .#.#. ..... ..... ..... ....."},
    {'#', ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#."},
    {'$', "..#.. .#### #.#.. .###. ..#.# ####. ..#.."},
    {'%', "##... ##..# ...#. ..#.. .#... #..## ...##"},
    {'&', ".##.. #..#. #.#.. .#... #.#.# #..#. .##.#"},
    {'\'', "..#.. ..#.. .#... ..... ..... ..... ....."},
    {'(', "...#. ..#.. .#... .#... .#... ..#.. ...#."},
    {')', ".#... ..#.. ...#. ...#. ...#. ..#.. .#..."},
    {'*', "..... ..#.. #.#.# .###. #.#.# ..#.. ....."},
    {'+', "..... ..#.. ..#.. ##### ..#.. ..#.. ....."},
    {',', "..... ..... ..... ..... ..... .##.. ..#.. .#..."},
    {'-', "..... ..... ..... ##### ..... ..... ....."},
    {'.', "..... ..... ..... ..... ..... .##.. .##.."},
    {'/', "..... ....# ...#. ..#.. .#... #.... ....."},
    {'0', ".###. #...# #...# #...# #...# #...# .###."},
    {'1', "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'2', ".###. #...# ....# ...#. ..#.. .#... #####"},
    {'3', ".###. #...# ....# ..##. ....# #...# .###."},
    {'4', "...#. ..##. .#.#. #..#. ##### ...#. ...#."},
    {'5', "##### #.... ####. ....# ....# #...# .###."},
    {'6', "..##. .#... #.... ####. #...# #...# .###."},
    {'7', "##### ....# ...#. ..#.. .#... .#... .#..."},
    {'8', ".###. #...# #...# .###. #...# #...# .###."},
    {'9', ".###. #...# #...# .#### ....# ...#. .##.."},
    {':', "..... .##.. .##.. ..... .##.. .##.. ....."},
    {';', "..... .##.. .##.. ..... .##.. ..#.. .#..."},
    {'<', "...#. ..#.. .#... #.... .#... ..#.. ...#."},
    {'=', "..... ..... ##### ..... ##### ..... ....."},
    {'>', ".#... ..#.. ...#. ....# ...#. ..#.. .#..."},
    {'?', ".###. #...# ....# ...#. ..#.. ..... ..#.."},
    {'@', ".###. #...# ....# .##.# #.#.# #.#.# .###."},
    {'A', ".###. #...# #...# ##### #...# #...# #...#"},
    {'B', "####. #...# #...# ####. #...# #...# ####."},
    {'C', ".###. #...# #.... #.... #.... #...# .###."},
    {'D', "###.. #..#. #...# #...# #...# #..#. ###.."},
    {'E', "##### #.... #.... ####. #.... #.... #####"},
    {'F', "##### #.... #.... ####. #.... #.... #...."},
    {'G', ".###. #...# #.... #.### #...# #...# .####"},
    {'H', "#...# #...# #...# ##### #...# #...# #...#"},
    {'I', ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'J', "..### ...#. ...#. ...#. ...#. #..#. .##.."},
    {'K', "#...# #..#. #.#.. ##... #.#.. #..#. #...#"},
    {'L', "#.... #.... #.... #.... #.... #.... #####"},
    {'M', "#...# ##.## #.#.# #.#.# #...# #...# #...#"},
    {'N', "#...# #...# ##..# #.#.# #..## #...# #...#"},
    {'O', ".###. #...# #...# #...# #...# #...# .###."},
    {'P', "####. #...# #...# ####. #.... #.... #...."},
    {'Q', ".###. #...# #...# #...# #.#.# #..#. .##.#"},
    {'R', "####. #...# #...# ####. #.#.. #..#. #...#"},
    {'S', ".#### #.... #.... .###. ....# ....# ####."},
    {'T', "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'U', "#...# #...# #...# #...# #...# #...# .###."},
    {'V', "#...# #...# #...# #...# #...# .#.#. ..#.."},
    {'W', "#...# #...# #...# #.#.# #.#.# ##.## #...#"},  // its feet apart, or it reads as V
    {'X', "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {'Y', "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.."},
    {'Z', "##### ....# ...#. ..#.. .#... #.... #####"},
    {'[', ".###. .#... .#... .#... .#... .#... .###."},
    {'\\', "..... #.... .#... ..#.. ...#. ....# ....."},
    {']', ".###. ...#. ...#. ...#. ...#. ...#. .###."},
    {'^', "..#.. .#.#. #...# ..... ..... ..... ....."},
    {'_', "..... ..... ..... ..... ..... ..... ..... #####"},
    {'`', ".#... ..#.. ...#. ..... ..... ..... ....."},
    {'a', "..... ..... .###. ....# .#### #...# .####"},
    {'b', "#.... #.... #.##. ##..# #...# #...# ####."},
    {'c', "..... ..... .###. #.... #.... #...# .###."},
    {'d', "....# ....# .##.# #..## #...# #...# .####"},
    {'e', "..... ..... .###. #...# ##### #.... .###."},
    {'f', "..##. .#..# .#... ###.. .#... .#... .#..."},
    {'g', "..... ..... .#### #...# #...# .#### ....# #...# .###."},
    {'h', "#.... #.... #.##. ##..# #...# #...# #...#"},
    {'i', "..#.. ..... .##.. ..#.. ..#.. ..#.. .###."},
    {'j', "...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##.."},
    {'k', "#.... #.... #..#. #.#.. ##... #.#.. #..#."},
    {'l', ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'m', "....... ....... ###.##. #..#..# #..#..# #..#..# #..#..#"},
    {'n', "..... ..... #.##. ##..# #...# #...# #...#"},
    {'o', "..... ..... .###. #...# #...# #...# .###."},
    {'p', "..... ..... ####. #...# #...# ####. #.... #.... #...."},
    {'q', "..... ..... .#### #...# #...# .#### ....# ....# ....#"},
    {'r', "..... ..... #.##. ##..# #.... #.... #...."},
    {'s', "..... ..... .###. #.... .###. ....# ####."},
    {'t', ".#... .#... ###.. .#... .#... .#..# ..##."},
    {'u', "..... ..... #...# #...# #...# #..## .##.#"},
    {'v', "..... ..... #...# #...# #...# .#.#. ..#.."},
    {'w', "....... ....... #..#..# #..#..# #..#..# #..#..# .##.##."},
    {'x', "..... ..... #...# .#.#. ..#.. .#.#. #...#"},
    {'y', "..... ..... #...# #...# #...# .#### ....# #...# .###."},
    {'z', "..... ..... ##### ...#. ..#.. .#... #####"},
    {'{', "...#. ..#.. ..#.. .#... ..#.. ..#.. ...#."},
    {'|', "..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'}', ".#... ..#.. ..#.. ...#. ..#.. ..#.. .#..."},
    {'~', "..... ..... .#... #.#.# ...#. ..... ....."},
    // Code page 1251 punctuation the menus use.
    {0x96, "..... ..... ..... ##### ..... ..... ....."},              // en dash
    {0x97, "....... ....... ....... ####### ....... ....... ......."},  // em dash
    {0xAB, "..... ..#.# .#.#. #.#.. .#.#. ..#.# ....."},              // «
    {0xBB, "..... #.#.. .#.#. ..#.# .#.#. #.#.. ....."},              // »
    {0xB0, ".##.. #..#. #..#. .##.. ..... ..... ....."},              // degree
    {0xB9, "#..#... ##.#.## #.##.## #..#... #..#.## #..#... #..#..."},  // №, narrow: it ends lorry names
    {0xA8, ".#.#. ##### #.... ####. #.... #.... #####"},  // Ё
    {0xB8, ".#.#. ..... .###. #...# ##### #.... .###."},  // ё
    // Capitals А-Я.
    {0xC0, ".###. #...# #...# ##### #...# #...# #...#"},
    {0xC1, "##### #.... #.... ####. #...# #...# ####."},
    {0xC2, "####. #...# #...# ####. #...# #...# ####."},
    {0xC3, "##### #.... #.... #.... #.... #.... #...."},
    {0xC4, "..##. .#.#. .#.#. .#.#. .#.#. ##### #...#"},
    {0xC5, "##### #.... #.... ####. #.... #.... #####"},
    {0xC6, "#.#.# #.#.# #.#.# .###. #.#.# #.#.# #.#.#"},
    {0xC7, ".###. #...# ....# ..##. ....# #...# .###."},
    {0xC8, "#...# #...# #..## #.#.# ##..# #...# #...#"},
    {0xC9, ".#.#. #...# #..## #.#.# ##..# #...# #...#"},
    {0xCA, "#...# #..#. #.#.. ##... #.#.. #..#. #...#"},
    {0xCB, "..### .#..# .#..# .#..# .#..# .#..# #...#"},
    {0xCC, "#...# ##.## #.#.# #.#.# #...# #...# #...#"},
    {0xCD, "#...# #...# #...# ##### #...# #...# #...#"},
    {0xCE, ".###. #...# #...# #...# #...# #...# .###."},
    {0xCF, "##### #...# #...# #...# #...# #...# #...#"},
    {0xD0, "####. #...# #...# ####. #.... #.... #...."},
    {0xD1, ".###. #...# #.... #.... #.... #...# .###."},
    {0xD2, "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {0xD3, "#...# #...# #...# .#### ....# #...# .###."},
    {0xD4, "..#.. .###. #.#.# #.#.# #.#.# .###. ..#.."},
    {0xD5, "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {0xD6, "#..#. #..#. #..#. #..#. #..#. #..#. ##### ....#"},
    {0xD7, "#...# #...# #...# .#### ....# ....# ....#"},
    {0xD8, "#.#.# #.#.# #.#.# #.#.# #.#.# #.#.# #####"},
    {0xD9, "#.#.# #.#.# #.#.# #.#.# #.#.# #.#.# ##### ....#"},
    {0xDA, "##... .#... .#... .###. .#..# .#..# .###."},
    {0xDB, "#...# #...# #...# ##..# #.#.# #.#.# ##..#"},
    {0xDC, "#.... #.... #.... ####. #...# #...# ####."},
    {0xDD, ".###. #...# ....# ..### ....# #...# .###."},
    {0xDE, "#..#. #.#.# #.#.# ###.# #.#.# #.#.# #..#."},
    {0xDF, ".#### #...# #...# .#### ..#.# .#..# #...#"},
    // Small letters а-я.
    {0xE0, "..... ..... .###. ....# .#### #...# .####"},
    {0xE1, ".###. #.... #.... ####. #...# #...# .###."},
    {0xE2, "..... ..... ####. #...# ####. #...# ####."},
    {0xE3, "..... ..... ##### #.... #.... #.... #...."},
    {0xE4, "..... ..... .###. .#.#. .#.#. ##### #...#"},
    {0xE5, "..... ..... .###. #...# ##### #.... .###."},
    {0xE6, "..... ..... #.#.# #.#.# .###. #.#.# #.#.#"},
    {0xE7, "..... ..... .###. ....# ..##. ....# .###."},
    {0xE8, "..... ..... #...# #..## #.#.# ##..# #...#"},
    {0xE9, ".#.#. ..#.. #...# #..## #.#.# ##..# #...#"},
    {0xEA, "..... ..... #..#. #.#.. ##... #.#.. #..#."},
    {0xEB, "..... ..... ..### .#..# .#..# .#..# #...#"},
    {0xEC, "..... ..... #...# ##.## #.#.# #...# #...#"},
    {0xED, "..... ..... #...# #...# ##### #...# #...#"},
    {0xEE, "..... ..... .###. #...# #...# #...# .###."},
    {0xEF, "..... ..... ##### #...# #...# #...# #...#"},
    {0xF0, "..... ..... ####. #...# #...# ####. #.... #.... #...."},
    {0xF1, "..... ..... .###. #.... #.... #...# .###."},
    {0xF2, "..... ..... ##### ..#.. ..#.. ..#.. ..#.."},
    {0xF3, "..... ..... #...# #...# #...# .#### ....# #...# .###."},
    {0xF4, "..#.. ..#.. .###. #.#.# #.#.# .###. ..#.. ..#.."},
    {0xF5, "..... ..... #...# .#.#. ..#.. .#.#. #...#"},
    {0xF6, "..... ..... #..#. #..#. #..#. #..#. ##### ....#"},
    {0xF7, "..... ..... #...# #...# .#### ....# ....#"},
    {0xF8, "..... ..... #.#.# #.#.# #.#.# #.#.# #####"},
    {0xF9, "..... ..... #.#.# #.#.# #.#.# #.#.# ##### ....#"},
    {0xFA, "..... ..... ##... .#... .###. .#..# .###."},
    {0xFB, "..... ..... #...# #...# ##..# #.#.# ##..#"},
    {0xFC, "..... ..... #.... #.... ####. #...# ####."},
    {0xFD, "..... ..... .###. ....# ..### ....# .###."},
    {0xFE, "..... ..... #..#. #.#.# ###.# #.#.# #..#."},
    {0xFF, "..... ..... .#### #...# .#### .#..# #...#"},
};

// How a font draws the pixel table: the size of one table pixel in atlas pixels
// across and down, the stroke radius in table pixels, and the spacing its width file
// adds to the ink (in text units at size 1).
struct FontStyle {
  const char* atlas;
  const char* widths;
  float pixelX, pixelY;
  float strokeRadius;
  float unitsPerAtlasPixel;  // PrintText: glyph quad size at size 1 over the cell
  float advancePerWidth;     // PrintText: units of advance per width unit at size 1
  float gapUnits;
  float spaceUnits;
};

// Font 1: the HUD and menu face, quad 32 units per cell, advance 20.5 per unit. The
// menus' layouts give a text little room across (the controls page puts a label and
// its key side by side in 211 units at size 0.75), so the face is condensed: a table
// pixel is 2.9 atlas pixels across and 5.4 down, with strokes about 0.6 of one across.
const FontStyle kFont1 = {"textures/tex08.tga", "font1.ini", 2.9f, 5.4f, 0.6f,
                          32.0f / kCellPixels, 20.5f, 1.0f, 5.0f};
// Font 2: lighter, quad 14 units per cell, advance 8.9 per unit, condensed the same
// way; its display lists space glyphs tighter than its quads, so it keeps a wider gap.
const FontStyle kFont2 = {"textures/tex00.tga", "font2.ini", 3.0f, 5.4f, 0.5f,
                          14.0f / kCellPixels, 8.9f, 1.0f, 2.4f};

struct Pixels {
  int width = 0;
  std::vector<std::string> rows;
};

Pixels ParseArt(const char* art) {
  Pixels p;
  std::string row;
  for (const char* c = art;; ++c) {
    if (*c == ' ' || *c == '\0') {
      if (!row.empty()) p.rows.push_back(row);
      if (static_cast<int>(row.size()) > p.width) p.width = static_cast<int>(row.size());
      row.clear();
      if (*c == '\0') break;
    } else {
      row.push_back(*c);
    }
  }
  return p;
}

bool On(const Pixels& p, int x, int y) {
  if (y < 0 || y >= static_cast<int>(p.rows.size())) return false;
  if (x < 0 || x >= static_cast<int>(p.rows[y].size())) return false;
  return p.rows[y][x] == '#';
}

// A stroke between two table-pixel centres (a disc when both ends coincide), in
// supersample coordinates.
struct Stroke {
  float ax, ay, bx, by;
};

float DistanceSq(float px, float py, const Stroke& s) {
  const float dx = s.bx - s.ax, dy = s.by - s.ay;
  const float len2 = dx * dx + dy * dy;
  float t = len2 > 0.0f ? ((px - s.ax) * dx + (py - s.ay) * dy) / len2 : 0.0f;
  t = t < 0.0f ? 0.0f : t > 1.0f ? 1.0f : t;
  const float ex = px - (s.ax + t * dx), ey = py - (s.ay + t * dy);
  return ex * ex + ey * ey;
}

// Coverage 0-255 of one cell: each table pixel a disc, joined to its right and lower
// neighbours, and diagonally where no straight neighbour already joins the two.
std::vector<uint8_t> RasterizeGlyph(const Pixels& p, const FontStyle& style) {
  const int S = kCellPixels * kSupersample;
  const float sx = style.pixelX * kSupersample, sy = style.pixelY * kSupersample;
  // Centre the glyph across the cell; down, every glyph shares the table's box so
  // they share a baseline.
  const float left = 0.5f * (S - (p.width - 1) * sx);
  const float top = 0.5f * (S - (kDesignRows - 1) * sy);
  std::vector<Stroke> strokes;
  auto centre = [&](int x, int y, float* cx, float* cy) {
    *cx = left + x * sx;
    *cy = top + y * sy;
  };
  for (int y = 0; y < static_cast<int>(p.rows.size()); ++y)
    for (int x = 0; x < p.width; ++x) {
      if (!On(p, x, y)) continue;
      float ax, ay, bx, by;
      centre(x, y, &ax, &ay);
      strokes.push_back({ax, ay, ax, ay});
      const int next[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};
      for (int n = 0; n < 4; ++n) {
        const int nx = x + next[n][0], ny = y + next[n][1];
        if (!On(p, nx, ny)) continue;
        const bool diagonal = next[n][0] != 0 && next[n][1] != 0;
        if (diagonal && (On(p, nx, y) || On(p, x, ny))) continue;
        centre(nx, ny, &bx, &by);
        strokes.push_back({ax, ay, bx, by});
      }
    }
  const float radius = style.strokeRadius * 0.5f * (sx + sy);
  const float r2 = radius * radius;
  std::vector<uint8_t> hit(static_cast<size_t>(S) * S, 0);
  for (const Stroke& s : strokes) {
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min(s.ax, s.bx) - radius)));
    const int x1 = std::min(S - 1, static_cast<int>(std::ceil(std::max(s.ax, s.bx) + radius)));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min(s.ay, s.by) - radius)));
    const int y1 = std::min(S - 1, static_cast<int>(std::ceil(std::max(s.ay, s.by) + radius)));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (DistanceSq(x + 0.5f, y + 0.5f, s) <= r2) hit[static_cast<size_t>(y) * S + x] = 1;
  }
  std::vector<uint8_t> cover(kCellPixels * kCellPixels, 0);
  for (int y = 0; y < kCellPixels; ++y)
    for (int x = 0; x < kCellPixels; ++x) {
      int n = 0;
      for (int j = 0; j < kSupersample; ++j)
        for (int i = 0; i < kSupersample; ++i)
          n += hit[static_cast<size_t>(y * kSupersample + j) * S + x * kSupersample + i];
      cover[y * kCellPixels + x] = static_cast<uint8_t>((n * 255 + 8) / 16);
    }
  return cover;
}

// Columns of the cell holding any ink; 0 for an empty cell.
int InkColumns(const std::vector<uint8_t>& cover) {
  int first = kCellPixels, last = -1;
  for (int y = 0; y < kCellPixels; ++y)
    for (int x = 0; x < kCellPixels; ++x)
      if (cover[y * kCellPixels + x] != 0) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  return last < first ? 0 : last - first + 1;
}

struct BuiltFont {
  std::vector<uint8_t> rgba;  // top row first, as seen
  float widths[kFontGlyphs] = {};
};

BuiltFont BuildFont(const FontStyle& style) {
  BuiltFont f;
  f.rgba.assign(static_cast<size_t>(kAtlasPixels) * kAtlasPixels * 4, 0);
  for (size_t i = 0; i < f.rgba.size(); i += 4) f.rgba[i] = f.rgba[i + 1] = f.rgba[i + 2] = 255;
  for (const GlyphArt& g : kGlyphs) {
    const std::vector<uint8_t> cover = RasterizeGlyph(ParseArt(g.rows), style);
    const int cx = (g.code % 16) * kCellPixels, cy = (g.code / 16) * kCellPixels;
    for (int y = 0; y < kCellPixels; ++y)
      for (int x = 0; x < kCellPixels; ++x)
        f.rgba[(static_cast<size_t>(cy + y) * kAtlasPixels + cx + x) * 4 + 3] =
            cover[y * kCellPixels + x];
    const float ink = InkColumns(cover) * style.unitsPerAtlasPixel;
    f.widths[g.code] = (ink + style.gapUnits) / style.advancePerWidth;
  }
  const unsigned char space = ' ';
  f.widths[space] = style.spaceUnits / style.advancePerWidth;
  f.widths[0xA0] = f.widths[space];  // no-break space
  return f;
}

std::vector<uint8_t> AtlasFile(const BuiltFont& f) {
  // The game uploads rows in stored order and wants row 0 of the grid at the high-t
  // end, so the file stores the bottom row of the picture first, as TGA does anyway.
  std::vector<uint8_t> bottomUp(f.rgba.size());
  const size_t rowBytes = static_cast<size_t>(kAtlasPixels) * 4;
  for (int y = 0; y < kAtlasPixels; ++y)
    std::memcpy(&bottomUp[static_cast<size_t>(kAtlasPixels - 1 - y) * rowBytes],
                &f.rgba[static_cast<size_t>(y) * rowBytes], rowBytes);
  std::vector<uint8_t> file;
  EncodeTGA(kAtlasPixels, kAtlasPixels, 4, bottomUp.data(), &file);
  return file;
}

std::string WidthFile(const BuiltFont& f) {
  std::string text;
  char line[64];
  for (int c = 0; c < kFontGlyphs; ++c) {
    std::snprintf(line, sizeof line, "code %d\n%.6f\n", c, f.widths[c]);
    text += line;
  }
  return text;
}

void Write(Output& out, const FontStyle& style) {
  const BuiltFont f = BuildFont(style);
  out.Write(style.atlas, AtlasFile(f));
  out.WriteText(style.widths, WidthFile(f));
}

void Check(const std::string& root, const FontStyle& style, std::vector<std::string>* problems) {
  const std::string atlasPath = root + "/" + style.atlas;
  TgaImage image;
  if (ReadTGAFile(atlasPath.c_str(), &image) != TgaResult::kOk || image.width != kAtlasPixels ||
      image.height != kAtlasPixels || image.components != 4) {
    problems->push_back(atlasPath + ": not a 1024 x 1024 32-bit atlas");
    return;
  }
  const std::string widthPath = root + "/" + style.widths;
  float widths[kFontGlyphs];
  FILE* file = std::fopen(widthPath.c_str(), "r");
  if (!ReadFontWidths(file, widths)) {
    problems->push_back(widthPath + ": does not open");
    return;
  }
  std::fclose(file);
  // The game reads a width that is no number as 0, which a glyph without ink would
  // agree with: the text itself must hold numbers.
  if (FILE* text = std::fopen(widthPath.c_str(), "r")) {
    char line[256];
    for (int row = 0; std::fgets(line, sizeof line, text) != nullptr; ++row) {
      if (row % 2 == 0) continue;
      const float w = std::strtof(line, nullptr);
      if (!std::isfinite(w)) {
        problems->push_back(widthPath + ": width of code " + std::to_string(row / 2) +
                            " differs from its glyph: it is not a number");
        std::fclose(text);
        return;
      }
    }
    std::fclose(text);
  }
  const BuiltFont expected = BuildFont(style);
  for (int c = 0; c < kFontGlyphs; ++c) {
    // Stored order is bottom-up: grid row r occupies file rows from the end.
    const int cx = (c % 16) * kCellPixels;
    const int fileTop = kAtlasPixels - (c / 16 + 1) * kCellPixels;
    bool ink = false;
    for (int y = 0; y < kCellPixels && !ink; ++y)
      for (int x = 0; x < kCellPixels && !ink; ++x)
        ink = image.pixels[(static_cast<size_t>(fileTop + y) * kAtlasPixels + cx + x) * 4 + 3] != 0;
    // Written so that a width that is not a number fails too (a glyph without ink
    // would otherwise let it through the ink rule below as well).
    if (!(std::fabs(widths[c] - expected.widths[c]) <= 1e-5f)) {
      problems->push_back(widthPath + ": width of code " + std::to_string(c) +
                          " differs from its glyph");
      return;
    }
    if (ink != (widths[c] > 0.0f && c != ' ' && c != 0xA0)) {
      problems->push_back(atlasPath + ": code " + std::to_string(c) +
                          (ink ? " has ink but no width" : " has a width but no ink"));
      return;
    }
  }
}

}  // namespace

WordInk DrawWord(const char* word, float pixelX, float pixelY, float strokeRadius, int gap) {
  const FontStyle style = {"", "", pixelX, pixelY, strokeRadius, 1.0f, 1.0f, 0.0f, 0.0f};
  std::vector<std::vector<uint8_t>> columns;  // one column of 64 per ink column, left to right
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(word); *c; ++c) {
    const GlyphArt* art = nullptr;
    for (const GlyphArt& g : kGlyphs)
      if (g.code == *c) art = &g;
    if (art == nullptr) {  // a space
      for (int i = 0; i < 3 * gap; ++i) columns.emplace_back(kCellPixels, 0);
      continue;
    }
    const std::vector<uint8_t> cover = RasterizeGlyph(ParseArt(art->rows), style);
    for (int x = 0; x < kCellPixels; ++x) {
      std::vector<uint8_t> column(kCellPixels);
      bool ink = false;
      for (int y = 0; y < kCellPixels; ++y) {
        column[y] = cover[y * kCellPixels + x];
        ink = ink || column[y] != 0;
      }
      if (ink) columns.push_back(column);
    }
    if (c[1] != '\0')
      for (int i = 0; i < gap; ++i) columns.emplace_back(kCellPixels, 0);
  }
  WordInk w;
  w.width = static_cast<int>(columns.size());
  w.cover.assign(static_cast<size_t>(w.width) * kCellPixels, 0);
  for (int x = 0; x < w.width; ++x)
    for (int y = 0; y < kCellPixels; ++y) w.cover[static_cast<size_t>(y) * w.width + x] = columns[x][y];
  return w;
}

void GenerateFonts(Output& out) {
  Write(out, kFont1);
  Write(out, kFont2);
}

void CheckFonts(const std::string& root, std::vector<std::string>* problems) {
  Check(root, kFont1, problems);
  Check(root, kFont2, problems);
}

}  // namespace basegen
