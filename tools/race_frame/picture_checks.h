// What the race frame check asks of a picture, as plain functions over pixels: the sky
// band, the spread of light, coverage to the corners, the difference a HUD element
// makes, and where a world point lands on the screen. Pictures are RGBA, bottom row
// first, as GL reads them.
#pragma once

#include <cstdint>

#include "tools/race_frame/png_file.h"

// Pixels x0..x1, y0..y1 (ends exclusive), y counted from the bottom row.
struct PictureRect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int Area() const { return x1 > x0 && y1 > y0 ? (x1 - x0) * (y1 - y0) : 0; }
};

// The 2D frame the HUD is laid out in (gfx/virtual_screen.h): 800 units across, the
// height following the screen's aspect.
struct VirtualFrame {
  float left = -400.0f, right = 400.0f, bottom = -300.0f, top = 300.0f;
};

// A virtual-screen point in pixels of a width x height picture.
void VirtualToPixel(const VirtualFrame& frame, int width, int height, float vx, float vy, float* px, float* py);
// The pixels of a box centred on (cx, cy) in virtual units, clipped to the picture: at
// 16:9 the screen's bottom edge cuts into what sits low on it.
PictureRect VirtualBox(const VirtualFrame& frame, int width, int height, float cx, float cy, float halfWidth,
                       float halfHeight);

struct MeanRgb {
  double r = 0.0, g = 0.0, b = 0.0;
  double Brightness() const { return (r + g + b) / 3.0; }
};
MeanRgb MeanColour(const Picture& picture, const PictureRect& rect);

// The sky as a person sees it: bright (mean of the channels over 120) and blue (blue
// over red by more than 25). One rule for a band's mean and for a single pixel.
bool SkyColour(double r, double g, double b);

// The top or bottom share (0..1) of the picture's rows, whole width.
PictureRect TopRows(const Picture& picture, double share);
PictureRect BottomRows(const Picture& picture, double share);

// The standard deviation of the pixels' luminance (0.299 R + 0.587 G + 0.114 B): a
// picture of one flat colour (a missing pass, a black frame) spreads by 0.
double LuminanceSpread(const Picture& picture);
// The share (0..1) of the rectangle's pixels that look like sky.
double SkyLikeShare(const Picture& picture, const PictureRect& rect);

enum Corner : int { kBottomLeft = 0, kBottomRight = 1, kTopLeft = 2, kTopRight = 3, kNoCorner = -1 };
const char* CornerName(int corner);
// The first corner whose block x block pixels all hold `untouched` (RGBA, each channel
// within tolerance): what a texture keeps where no pass drew. kNoCorner when every
// corner was drawn over.
int UntouchedCorner(const Picture& picture, const uint8_t untouched[4], int tolerance, int block);

// The share (0..1) of pixels where two pictures of one size differ by more than
// threshold in a colour channel: over a rectangle, or over the pixels whose centres lie
// within radius of (cx, cy) (both in pixels). Pixels outside the picture do not count;
// with none left the share is 0.
double DifferingShare(const Picture& a, const Picture& b, const PictureRect& rect, int threshold);
double DifferingShareInDisc(const Picture& a, const Picture& b, float cx, float cy, float radius, int threshold);
// The pixels of a disc that lie inside the picture, and all of them.
int DiscPixelsInside(const Picture& picture, float cx, float cy, float radius);

// What drawing changed in a rectangle: the share of its pixels and their centre.
struct Change {
  double share = 0.0;
  double x = 0.0, y = 0.0;  // pixels; meaningless when share is 0
};
Change ChangedPixels(const Picture& before, const Picture& after, const PictureRect& rect, int threshold);

// Where a world point shows on the mini-map's disc, in virtual units from the disc's
// centre: the track map turned so the lorry's heading (degrees, as MiniMapHeading
// gives it) points up, (dx, dz) the point's offset from the lorry on the ground.
void MiniMapOffset(float headingDegrees, float dx, float dz, float* ox, float* oy);
// Whether some pixel within radius (a square) of (x, y) differs between two pictures
// by more than threshold in a colour channel.
bool DifferingNear(const Picture& a, const Picture& b, int x, int y, int radius, int threshold);

// A world point through a projection and a view (column-major, as GL keeps them) to a
// pixel of a width x height viewport, y from the bottom. False when it falls outside
// the view volume, behind the eye included.
bool ProjectPoint(const float projection[16], const float view[16], float x, float y, float z, int width, int height,
                  float* px, float* py);
// Whether some pixel within radius (a square) of (x, y) differs from the background
// by more than tolerance in a colour channel.
bool DrawnNear(const Picture& picture, int x, int y, const uint8_t background[4], int tolerance, int radius);
