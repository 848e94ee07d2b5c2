#include "render/camera_state.h"

CameraStateRecord CameraState;
CameraStateRecord RenderCamera;
float FarDistance = 15000.0f;

const ChaseCamera kChaseCameras[4] = {{11.5f, 4.2f, 1.7f}, {16.5f, 4.2f, 0.7f}, {5.5f, 3.2f, 1.2f}, {12.5f, 3.2f, 0.7f}};
