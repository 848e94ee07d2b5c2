// The viewport and the 3D perspective of a full-window pass.
#pragma once

// Viewport (0, 0, width, height) and the projection: in the race a field of view that
// widens with the camera's speed factor and the current far distance, elsewhere a
// fixed 30 degrees with the garage zoom's near plane. Leaves the modelview matrix
// current and loaded with the identity. A height of 0 counts as 1.
void SetPerspective(int width, int height);
