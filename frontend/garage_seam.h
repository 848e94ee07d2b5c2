// SEAM: the garage scene, until it is built. The screen machine calls it as it will call
// the real one.
#pragma once

// The garage behind the menus; the stand-in leaves an empty scene in the frame texture
// (the backdrop's picture) and the viewport over the screen, as the garage will.
void DrawGarageScene();
