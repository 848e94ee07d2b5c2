// What the screens draw alike beyond the widgets' quads (frontend/widget_draw.h): the
// picture textures stretched over the whole frame, the side pillars and the dialog
// panel that most pages share. Everything is drawn in VirtualScreen units at the
// current modelview.
#pragma once

#include <GL/gl.h>

// Entries of the numbered texture table ("base/textures/texNN.tga").
constexpr int kIntroLogoTexture = 1;
constexpr int kPillarTexture = 5;
constexpr int kIntroBadgeTexture = 6;     // left half shown
constexpr int kTitlePictureTexture = 7;
constexpr int kPanelPictureTexture = 16;
constexpr int kPanelEmblemTexture = 23;
constexpr int kPointerTexture = 29;
constexpr int kPanelShadeTexture = 38;
constexpr int kMapBackingTexture = 40;

// The light and the dark tone of the panels (the text plates use the same two).
constexpr float kPanelLight[3] = {0.94f, 0.92f, 0.88f};
constexpr float kPanelDark = 0.08f;

// A rectangle texture over the whole VirtualScreen frame, its texture coordinates in
// texels up to (s, t). Leaves 2D texturing on and rectangle texturing off.
void RectTextureOverFrame(GLuint texture, float s, float t);
// The backdrop: a screen-size picture (rectangle texture) over the whole frame with 0.85
// of the small glow texture added, in one pass where a second texture unit allows.
// Blending is off afterwards, unit 0 active with 2D texturing on, the colour white.
void DrawPictureWithGlow(GLuint picture, GLuint glow);
// The whole VirtualScreen frame in the current colour, untextured.
void FlatFrame();

// The two pillars at the screen's sides, the right one mirrored, in colour (c, c, c)
// at alpha 0.85.
void DrawSidePillars(float c = 1.0f);

// The dialog panel of the pages that ask or show one thing: the glow over the frame,
// the pillars, the light panel with its dark strip and pictures. Everything after it,
// up to EndDialogPanel, moves with the panel's bounce as the screen fades.
void BeginDialogPanel();
// The page title on the panel's top line, plated.
void DrawPanelTitle(const char* title, float x);
// Takes the bounce back before the page's buttons.
void EndDialogPanel();
// After the buttons: the later texts fade with the panel's slide.
void FadeTextsAfterButtons();

