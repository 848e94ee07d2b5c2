// What every widget shares: the numbered menu textures, quads in the current modelview
// frame, the Sound-setting check before a menu sound, and the input gate of a settled
// screen.
#pragma once

#include "app/sound.h"

// Entries of the numbered texture table ("base/textures/texNN.tga").
constexpr int kArrowSheetTexture = 12;     // left half the arrow, right half its backing
constexpr int kCellHighlightTexture = 13;  // bracket and race cells
constexpr int kButtonBackingTexture = 17;
constexpr int kBarCapTexture = 18;
constexpr int kLoadingBoxTexture = 19;  // the box's light tone with a dark window for its word
constexpr int kLabelPlateTexture = 22;
constexpr int kStampSheetTexture = 23;     // 2 columns x 4 rows of cells
constexpr int kButtonIconTexture = 24;     // five cells side by side, one per button id
constexpr int kRatingFillTexture = 34;
constexpr int kRowHighlightTexture = 35;

// Binds a table entry with texturing on; an entry never loaded binds no texture, so the
// quad still shows its colour rather than whatever was bound last.
void BindMenuTexture(int entry);
// A textured quad of w x h centred on (cx, cy) showing u0..u1 left to right and v0..v1
// bottom to top (u0 > u1 mirrors it).
void TexturedBox(float cx, float cy, float w, float h, float u0, float v0, float u1, float v1);
// An untextured quad from (x0, y0) to (x1, y1) in the current colour; texturing is on
// again afterwards, as the 2D pass expects it.
void FlatBox(float x0, float y0, float x1, float y1);

// The layout check's view of a widget quad: its corners in VirtualScreen units
// (counter-clockwise from the lower left, the modelview applied), the texture
// coordinates at them, the texture table entry bound (-1 for a flat quad or a texture
// outside the table), the colour and TextTraceOwner at the call. The game leaves the
// hook null.
struct TracedQuad {
  float corners[4][2];
  float uv[4][2];
  int texture;
  float colour[4];
  int owner;
};
using WidgetQuadTraceFn = void (*)(const TracedQuad& quad);
extern WidgetQuadTraceFn WidgetQuadTrace;
// TextTraceOwner of the corner button in slot s: kButtonTraceOwner + s.
constexpr int kButtonTraceOwner = 1000;

// Blending by source alpha with depth testing off for one widget's quads; the depth
// test is given back as it was found (text drawing leaves it off), blending is left on.
class WidgetDrawScope {
 public:
  WidgetDrawScope();
  ~WidgetDrawScope();
  WidgetDrawScope(const WidgetDrawScope&) = delete;
  WidgetDrawScope& operator=(const WidgetDrawScope&) = delete;

 private:
  bool depthTest_;
};

// Menu sounds are heard only with the Sound setting on.
void PlayMenuSound(SoundSource& sound);
// A screen change by a widget: the click and the change sound in the same frame.
void PlayConfirmSounds();

// Widgets take input only on a settled screen: the target reached and the fade-in at
// least 95 % through.
bool ScreenSettled();
// Activating a button or an item also needs the menu content loaded and no car being
// reloaded behind the menus.
bool ActivationAllowed();
// The activation key (virtual-key code) of a menu button id, -1 for ids that have none.
int MenuButtonKey(int id);
