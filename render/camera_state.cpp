#include "render/camera_state.h"

CameraStateRecord CameraState;
CameraStateRecord RenderCamera;
