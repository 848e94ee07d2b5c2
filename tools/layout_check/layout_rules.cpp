#include "tools/layout_check/layout_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace layout {

namespace {

// Texture table entries drawn as pictures, plates or buttons: a text may lie only on
// its own widget's.
bool IsPictogram(int texture) {
  switch (texture) {
    case 6:   // intro badge
    case 7:   // title picture
    case 12:  // option arrows
    case 16:  // dialog panel picture
    case 17:  // corner button backing
    case 18:  // item bar ends
    case 22:  // corner button plate
    case 23:  // stamp sheet and panel emblem
    case 24:  // corner button icons
    case 26:  // medals and locks
    case 38:  // dialog panel shade
    case 40:  // map backing
    case 59:  // stage icons
      return true;
    default: return false;
  }
}

bool IsButtonArt(int texture) { return texture == 17 || texture == 22; }

// Coverage above which a picture counts as drawn at a point.
constexpr float kDrawnAlpha = 0.3f;
// Texts this faint are on their way in or out; the settled page is what is judged.
constexpr float kShownTextAlpha = 0.3f;
constexpr float kNeededContrast = 4.5f;
// Units kept between the ends of two texts on one line, at the least.
constexpr float kSmallestGap = 2.0f;
// Two texts on one line closer than a word space of theirs read as one phrase (a lorry's
// name running on into its race time). The main menu's item bar sets its neighbours
// exactly a word space apart, so a gap short of that by float noise is still a space.
constexpr float kSpaceSlack = 0.05f;

float Cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }

std::string Describe(const TextItem& t) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "\"%s\" (font %d, size %.2f, at %.0f,%.0f-%.0f,%.0f)", t.text.c_str(), t.font,
                t.size, t.box.c[0].x, t.box.c[0].y, t.box.c[2].x, t.box.c[2].y);
  return buf;
}

std::string DescribeQuad(const QuadItem& q) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "texture %d at %.0f,%.0f-%.0f,%.0f", q.texture, q.box.c[0].x, q.box.c[0].y,
                q.box.c[2].x, q.box.c[2].y);
  return buf;
}

float Width(const Quad& q) { return std::hypot(q.c[1].x - q.c[0].x, q.c[1].y - q.c[0].y); }

struct Box {
  float x0, y0, x1, y1;
};
Box Bound(const Quad& q) {
  Box b{q.c[0].x, q.c[0].y, q.c[0].x, q.c[0].y};
  for (const Point& p : q.c) {
    b.x0 = std::min(b.x0, p.x);
    b.y0 = std::min(b.y0, p.y);
    b.x1 = std::max(b.x1, p.x);
    b.y1 = std::max(b.y1, p.y);
  }
  return b;
}

// The box grown by `share` of its width at both ends.
Quad Grown(const Quad& q, float share) {
  Quad g;
  g.c[0] = At(q, -share, 0.0f);
  g.c[1] = At(q, 1.0f + share, 0.0f);
  g.c[2] = At(q, 1.0f + share, 1.0f);
  g.c[3] = At(q, -share, 1.0f);
  return g;
}

bool Shown(const TextItem& t) { return t.alpha >= kShownTextAlpha && Width(t.box) > 0.5f && !t.text.empty(); }

// Share of a grid over the text's box (inset by `inset` of each side) for which `hit`
// holds.
template <typename Hit>
float Share(const Quad& box, float inset, int nx, int ny, Hit hit) {
  int n = 0, in = 0;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const float s = inset + (1.0f - 2.0f * inset) * (i + 0.5f) / nx;
      const float t = inset + (1.0f - 2.0f * inset) * (j + 0.5f) / ny;
      ++n;
      if (hit(At(box, s, t))) ++in;
    }
  return n ? static_cast<float>(in) / n : 0.0f;
}

float QuadAlpha(const QuadItem& q, Point p, const AlphaLookup& alpha) {
  float s, t;
  if (!Inside(q.box, p, &s, &t)) return 0.0f;
  if (q.texture < 0) return q.alpha;
  // Bilinear in the corners' texture coordinates: the quads are parallelograms.
  const float u = q.uv[0].x + s * (q.uv[1].x - q.uv[0].x) + t * (q.uv[3].x - q.uv[0].x);
  const float v = q.uv[0].y + s * (q.uv[1].y - q.uv[0].y) + t * (q.uv[3].y - q.uv[0].y);
  return q.alpha * alpha(q.texture, u, v);
}

bool IsPanel(const QuadItem& q, const Bounds& screen) {
  if (q.texture >= 0 || q.alpha < 0.5f) return false;
  const Box b = Bound(q.box);
  const float w = b.x1 - b.x0, h = b.y1 - b.y0;
  return w >= 500.0f && h >= 40.0f && w < 0.95f * (screen.right - screen.left);
}

bool InPanels(const std::vector<const QuadItem*>& panels, Point p) {
  float s, t;
  for (const QuadItem* q : panels)
    if (Inside(q->box, p, &s, &t)) return true;
  return false;
}

void TextsOverlap(const FrameTrace& f, std::vector<std::string>* out) {
  for (size_t a = 0; a < f.texts.size(); ++a)
    for (size_t b = a + 1; b < f.texts.size(); ++b) {
      const TextItem& ta = f.texts[a];
      const TextItem& tb = f.texts[b];
      if (!Shown(ta) || !Shown(tb)) continue;
      if (ta.owner != 0 && ta.owner == tb.owner) continue;
      // A text printed twice in one place is one text (a glow over itself).
      if (ta.text == tb.text && std::fabs(ta.box.c[0].x - tb.box.c[0].x) < 0.5f &&
          std::fabs(ta.box.c[0].y - tb.box.c[0].y) < 0.5f)
        continue;
      // Along A's line every 2 units, at three heights of its middle, against B's box
      // grown at both ends by a share of its width.
      const float wa = std::max(Width(ta.box), 1.0f), wb = std::max(Width(tb.box), 1.0f);
      const int n = std::max(2, static_cast<int>(wa / 2.0f));
      auto meets = [&](float grow) {
        const Quad grown = Grown(tb.box, grow);
        for (int i = 0; i <= n; ++i)
          for (float tt : {0.3f, 0.5f, 0.7f}) {
            float s, t;
            if (Inside(grown, At(ta.box, static_cast<float>(i) / n, tt), &s, &t) && t > 0.1f && t < 0.9f)
              return true;
          }
        return false;
      };
      const float gap = std::max(kSmallestGap, std::max(ta.space, tb.space) - kSpaceSlack);
      if (!meets(gap / wb)) continue;
      out->push_back((meets(0.0f) ? "texts overlap: " : "texts run together: ") + Describe(ta) + " and " +
                     Describe(tb));
    }
}

void TextsOnPictures(const FrameTrace& f, const AlphaLookup& alpha, std::vector<std::string>* out) {
  for (const TextItem& t : f.texts) {
    if (!Shown(t)) continue;
    for (const QuadItem& q : f.quads) {
      if (!IsPictogram(q.texture)) continue;
      // A widget's own plate and backing are what its label is meant to lie on.
      if (q.owner != 0 && q.owner == t.owner) continue;
      const float share = Share(t.box, 0.06f, 16, 4, [&](Point p) { return QuadAlpha(q, p, alpha) > kDrawnAlpha; });
      if (share >= 0.05f)
        out->push_back(std::string(q.order < t.order ? "text on a picture: " : "text hidden by a picture: ") +
                       Describe(t) + " and " + DescribeQuad(q));
    }
  }
}

void TextsInside(const FrameTrace& f, const Bounds& screen, std::vector<std::string>* out) {
  std::vector<const QuadItem*> panels;
  for (const QuadItem& q : f.quads)
    if (IsPanel(q, screen)) panels.push_back(&q);
  constexpr float kSlack = 1.0f;
  for (const TextItem& t : f.texts) {
    if (!Shown(t)) continue;
    bool onScreen = true;
    for (const Point& p : t.box.c)
      onScreen = onScreen && p.x >= screen.left - kSlack && p.x <= screen.right + kSlack &&
                 p.y >= screen.bottom - kSlack && p.y <= screen.top + kSlack;
    if (!onScreen) {
      out->push_back("text crosses the screen's edge: " + Describe(t));
      continue;
    }
    if (panels.empty() || !InPanels(panels, At(t.box, 0.5f, 0.5f))) continue;
    // Corners pulled in by the slack: a text may touch its panel's edge.
    bool inside = true;
    for (int i = 0; i < 4; ++i) {
      const float s = (i == 1 || i == 2) ? 1.0f : 0.0f, tt = i >= 2 ? 1.0f : 0.0f;
      Point p = At(t.box, s, tt);
      p.x += (s > 0.5f ? -kSlack : kSlack);
      p.y += (tt > 0.5f ? -kSlack : kSlack);
      inside = inside && InPanels(panels, p);
    }
    if (!inside) out->push_back("text crosses its panel's edge: " + Describe(t));
  }
}

void ButtonsOverlap(const FrameTrace& f, const AlphaLookup& alpha, std::vector<std::string>* out) {
  std::vector<std::pair<int, int>> reported;
  for (size_t a = 0; a < f.quads.size(); ++a)
    for (size_t b = a + 1; b < f.quads.size(); ++b) {
      const QuadItem& qa = f.quads[a];
      const QuadItem& qb = f.quads[b];
      if (!IsButtonArt(qa.texture) || !IsButtonArt(qb.texture)) continue;
      if (qa.owner == 0 || qb.owner == 0 || qa.owner == qb.owner) continue;
      const std::pair<int, int> key(std::min(qa.owner, qb.owner), std::max(qa.owner, qb.owner));
      if (std::find(reported.begin(), reported.end(), key) != reported.end()) continue;
      const Box ba = Bound(qa.box), bb = Bound(qb.box);
      const float x0 = std::max(ba.x0, bb.x0), x1 = std::min(ba.x1, bb.x1);
      const float y0 = std::max(ba.y0, bb.y0), y1 = std::min(ba.y1, bb.y1);
      bool both = false;
      for (float y = y0 + 1.0f; y < y1 && !both; y += 2.0f)
        for (float x = x0 + 1.0f; x < x1 && !both; x += 2.0f)
          both = QuadAlpha(qa, {x, y}, alpha) > 0.5f && QuadAlpha(qb, {x, y}, alpha) > 0.5f;
      if (both) {
        reported.push_back(key);
        char buf[120];
        std::snprintf(buf, sizeof buf, "buttons overlap: slots %d and %d (", key.first - 1000, key.second - 1000);
        out->push_back(buf + DescribeQuad(qa) + ", " + DescribeQuad(qb) + ")");
      }
    }
}

// The text colour schemes as PrintText draws them; false for the others (they keep
// whatever colour was current).
bool SchemeColour(int scheme, float rgb[3]) {
  static const float kSchemes[5][3] = {
      {0.08f, 0.08f, 0.08f}, {0.94f, 0.92f, 0.88f}, {0.5f, 0.5f, 0.5f}, {0.748f, 0.935f, 0.055f}, {0.6f, 0.6f, 0.6f}};
  if (scheme < 0 || scheme > 4) return false;
  for (int i = 0; i < 3; ++i) rgb[i] = kSchemes[scheme][i];
  return true;
}

float Linear(float c) { return c <= 0.03928f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); }

}  // namespace

Point At(const Quad& q, float s, float t) {
  return {q.c[0].x + s * (q.c[1].x - q.c[0].x) + t * (q.c[3].x - q.c[0].x),
          q.c[0].y + s * (q.c[1].y - q.c[0].y) + t * (q.c[3].y - q.c[0].y)};
}

bool Inside(const Quad& q, Point p, float* s, float* t) {
  const Point e1{q.c[1].x - q.c[0].x, q.c[1].y - q.c[0].y};
  const Point e2{q.c[3].x - q.c[0].x, q.c[3].y - q.c[0].y};
  const float det = Cross(e1, e2);
  if (std::fabs(det) < 1e-6f) return false;
  const Point d{p.x - q.c[0].x, p.y - q.c[0].y};
  *s = Cross(d, e2) / det;
  *t = Cross(e1, d) / det;
  return *s >= 0.0f && *s <= 1.0f && *t >= 0.0f && *t <= 1.0f;
}

float Luminance(float r, float g, float b) { return 0.2126f * Linear(r) + 0.7152f * Linear(g) + 0.0722f * Linear(b); }

float ContrastRatio(float a, float b) { return (std::max(a, b) + 0.05f) / (std::min(a, b) + 0.05f); }

std::vector<std::string> CheckLayout(const FrameTrace& frame, const AlphaLookup& alpha, const Bounds& screen) {
  std::vector<std::string> out;
  TextsOverlap(frame, &out);
  TextsOnPictures(frame, alpha, &out);
  TextsInside(frame, screen, &out);
  ButtonsOverlap(frame, alpha, &out);
  return out;
}

namespace {

// The flat box drawn last under the text's middle, when no picture lies over it there and
// its own colour already denies the scheme the contrast: what the page fixes, not what a
// texture gives.
bool OnFixedColours(const FrameTrace& f, const TextItem& t, float text, const AlphaLookup& alpha,
                    std::string* pair) {
  if (t.backdrop && t.colour != 0 && t.colour != 1) {  // its plate keeps the current colour
    *pair = "on its own plate";
    return true;
  }
  const Point mid = At(t.box, 0.5f, 0.5f);
  const QuadItem* flat = nullptr;
  for (const QuadItem& q : f.quads) {
    if (q.order > t.order) break;
    float s, u;
    if (!Inside(q.box, mid, &s, &u)) continue;
    if (q.texture < 0 && q.alpha >= 0.75f) flat = &q;
  }
  if (flat == nullptr) return false;
  for (const QuadItem& q : f.quads) {
    if (q.order <= flat->order || q.order > t.order || q.texture < 0) continue;
    const float share = Share(t.box, 0.06f, 16, 4, [&](Point p) { return QuadAlpha(q, p, alpha) > kDrawnAlpha; });
    if (share > 0.0f) return false;
  }
  const float ratio = ContrastRatio(text, Luminance(flat->rgb[0], flat->rgb[1], flat->rgb[2]));
  char buf[96];
  std::snprintf(buf, sizeof buf, "on the page's box (%.2f, %.2f, %.2f, alpha %.2f): %.2f : 1", flat->rgb[0],
                flat->rgb[1], flat->rgb[2], flat->alpha, ratio);
  *pair = buf;
  return ratio < kNeededContrast;
}

}  // namespace

std::vector<std::string> CheckContrast(const FrameTrace& frame, const Surface& surface, const Bounds& screen,
                                       const AlphaLookup& alpha, std::vector<std::string>* fixed) {
  std::vector<std::string> out;
  if (surface.rgba == nullptr || surface.width <= 0 || surface.height <= 0) return out;
  for (const TextItem& t : frame.texts) {
    float rgb[3];
    if (!Shown(t) || t.alpha < 0.9f || !SchemeColour(t.colour, rgb)) continue;
    const float text = Luminance(rgb[0], rgb[1], rgb[2]);
    std::vector<float> ratios;
    // The middle of the box, where the glyphs' ink lies; 2 units in from the ends.
    const float w = std::max(Width(t.box), 1.0f);
    const float inset = std::min(0.2f, 2.0f / w);
    const int nx = std::max(4, static_cast<int>(w / 2.0f));
    for (int j = 0; j < 5; ++j)
      for (int i = 0; i < nx; ++i) {
        const Point p = At(t.box, inset + (1.0f - 2.0f * inset) * (i + 0.5f) / nx, 0.25f + 0.5f * (j + 0.5f) / 5.0f);
        const int px = static_cast<int>((p.x - screen.left) / (screen.right - screen.left) * surface.width);
        const int py = static_cast<int>((p.y - screen.bottom) / (screen.top - screen.bottom) * surface.height);
        if (px < 0 || py < 0 || px >= surface.width || py >= surface.height) continue;
        const uint8_t* c = surface.rgba + 4 * (static_cast<size_t>(py) * surface.width + px);
        ratios.push_back(ContrastRatio(text, Luminance(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f)));
      }
    if (ratios.empty()) continue;
    std::sort(ratios.begin(), ratios.end());
    const float tenth = ratios[ratios.size() / 10];
    if (tenth < kNeededContrast) {
      char buf[80];
      std::snprintf(buf, sizeof buf, "contrast %.2f : 1 (scheme %d): ", tenth, t.colour);
      std::string pair;
      if (fixed != nullptr && OnFixedColours(frame, t, text, alpha, &pair)) {
        char scheme[64];
        std::snprintf(scheme, sizeof scheme, "(%.3g, %.3g, %.3g) ", rgb[0], rgb[1], rgb[2]);
        fixed->push_back(std::string("page's own colours, ") + buf + Describe(t) + ", text " + scheme + pair);
      }
      else
        out.push_back(buf + Describe(t));
    }
  }
  return out;
}

}  // namespace layout
