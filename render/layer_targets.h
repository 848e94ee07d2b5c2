// Where the race passes draw: the shared screen framebuffer (`PassFramebuffer`) with one
// screen-size rectangle texture as colour, or the multisampled scene framebuffer, and
// the resolve from the second into the first.
//
// The multisampled path follows the pair that start-up made (multisampleSamples > 0),
// never the anti-aliasing setting: the setting may ask for samples the driver could not
// give, and a framebuffer bound without the pair has no attachment at all.
#pragma once

#include <GL/gl.h>

// The multisampled pair exists and can be resolved.
bool SceneIsMultisampled();
// The layers draw single-sampled over a depth buffer with stencil bits, which the
// scene's depth attachments bring with them.
bool SceneHasStencil();

// Binds the screen framebuffer with `colour` (a rectangle texture) as colour attachment
// 0 and `depth` (a renderbuffer) as depth attachment; a depth of 0 detaches it. Every
// bind of this framebuffer must say which depth it wants: it is shared by passes of
// every size, and a 128 x 128 depth buffer left attached by one of them clips every
// later draw to 128 x 128 without any GL error.
void BindPassFramebuffer(GLuint colour, GLuint depth);

// A layer's target: the multisampled framebuffer with its pair when it exists, else the
// screen framebuffer with `texture` and the screen-size depth buffer.
void BindLayerTarget(GLuint texture);
// With the multisampled pair: blits colour and depth from it into `texture` and the
// screen depth buffer, and leaves the screen framebuffer bound. Without: nothing, the
// layer was drawn straight into its texture.
void ResolveLayer(GLuint texture);

// Clears both small post textures to transparent black, so nothing that samples them
// before their first pass reads what the driver left in fresh memory. Leaves the
// default framebuffer bound; the viewport is the caller's to set again.
void ClearPostTextures();

// Draws a rectangle texture of `texelsWide` x `texelsHigh` over the virtual screen's
// whole frame, with the orthographic projection and rectangle texturing the caller set.
// A filter other than GL_LINEAR is used for this quad alone: a screen-size layer drawn
// texel for pixel looks the same with GL_NEAREST at a fraction of a software
// rasteriser's cost, and the texture goes back to linear for anyone who scales it.
void DrawTextureOverFrame(GLuint texture, float texelsWide, float texelsHigh, GLint filter);
// A screen-size layer texel for pixel over the whole frame (nearest filtering).
void DrawLayerOverFrame(GLuint texture);
