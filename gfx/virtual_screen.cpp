#include "gfx/virtual_screen.h"

VirtualScreenFrame VirtualScreen;
