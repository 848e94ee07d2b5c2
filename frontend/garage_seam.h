// SEAM: the garage scene and the race's dirt painter, until they are built. The screen
// machine calls both as it will call the real ones.
#pragma once

// The garage behind the menus; the stand-in leaves an empty scene in the frame texture
// (the backdrop's picture) and the viewport over the screen, as the garage will.
void DrawGarageScene();
// One step of the race's dirt painting; the stand-in paints nothing.
void PaintCarDirt();
