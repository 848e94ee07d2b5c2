// Process entry: start-up, the message-or-frame loop, shutdown.
#include "app/game.h"

int main() { return RunGame(); }
