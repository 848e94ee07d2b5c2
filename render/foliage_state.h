// The cut-out state the grass and the trees draw in: their texels are either leaf or
// nothing, against the world's depth in the frame.
#pragma once

#include <GL/gl.h>

// Alpha-to-coverage when the scene has its multisampled pair, else the alpha test; the
// alpha function (func, ref) for both; colour white; culling off. On a single-sample
// target coverage would keep every fragment and draw the leaves as solid quads.
void BeginAlphaCut(GLenum func, float ref);
// Culling on; the alpha test and alpha-to-coverage off, whichever was on.
void EndAlphaCut();
