// SEAM: the race's dirt painter, until it is built. The screen machine calls it as it
// will call the real one.
#pragma once

// One step of the race's dirt painting; the stand-in paints nothing.
void PaintCarDirt();
