// Text drawing with the two bitmap fonts: PrintText draws textured glyph quads in the
// current modelview frame (HUD and most menu text), the display-list routines draw
// in their own 2D projection over the virtual screen (menus, frames-per-second line).
// Main thread only. Formatted text is cut at 255 characters.
#pragma once

// The menus set these around their calls; the routines read them at each call.
extern bool TextBackdrop;         // PrintText draws a box behind the text while set
extern int ListTextColour;        // colour scheme of the display-list routines
extern float ListTextAlpha;       // their alpha, 1 at start
extern float ListTextOrbitAngle;  // degrees about the screen normal, before the move to (x, y)
extern float ListTextAngle;       // degrees about the screen normal, after it

constexpr int kTextBufferBytes = 256;

// When set, PrintText hands every text it draws to this function: the formatted text,
// where its anchor lands in VirtualScreen units (the modelview applied), and its
// scheme, alpha, font, size and alignment. Tests read the screens through it; the game
// leaves it null.
using TextTraceFn = void (*)(const char* text, float x, float y, int colour, float alpha, int font, float size,
                             int align);
extern TextTraceFn TextTrace;

// The layout check's view of a text: the box its glyphs' ink can cover (the glyph
// heights above and below the anchor line, the measured advance across) as four corners
// in VirtualScreen units, counter-clockwise from the lower left, with the modelview's
// rotation applied. `owner` is TextTraceOwner at the call. When the hook returns true
// the glyphs are not drawn (the check's picture of the surface under the texts).
struct TracedTextBox {
  const char* text;
  float corners[4][2];
  int colour;
  float alpha;
  int font;
  float size;
  int align;
  bool backdrop;
  bool shadow;
  int owner;
};
using TextBoxTraceFn = bool (*)(const TracedTextBox& box);
extern TextBoxTraceFn TextBoxTrace;
// The widget whose texts follow (0: none); widgets set it around their own texts so the
// check knows which texts and quads belong together.
extern int TextTraceOwner;
// The ink box of a font's glyphs at size 1 about the anchor line, in text units.
float GlyphInkTop(int font);
float GlyphInkBottom(int font);

// Width PrintText gives the text at this size: the sum of the glyph widths times
// size x 20.5 (font 1) or size x 8.9 (font 2). 0 for a null format or another font.
float MeasureText(int font, float size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Draws formatted text at (x, y) of the current modelview frame and leaves that frame
// where it was. colour: scheme 0-4 (others keep the current colour); align: 0 left,
// 1 centred on x, 2 ending at x. Leaves depth testing off, blending on and the colour
// white. A null format draws nothing; a size below 1e-6 in magnitude draws no glyphs
// (the backdrop still).
void PrintText(float x, float y, int colour, float alpha, int font, float size, bool shadow,
               int align, const char* format, ...) __attribute__((format(printf, 9, 10)));

// Display-list text at virtual-screen (x, y); scale and set are accepted and unused.
void PrintTextLists1(float x, float y, float scale, int set, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
void PrintTextLists2(float x, float y, int set, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
