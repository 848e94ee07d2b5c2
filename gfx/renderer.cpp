#include "gfx/renderer.h"

RendererSetup RenderSetup;
SceneLighting Lighting;
RendererObjects Renderer;
