#include "app/input.h"

#include <cstring>

InputState Input;

void ClearKeyAndButtonStates() {
  std::memset(Input.KeyStates, 0, sizeof Input.KeyStates);
  Input.MouseButtons[0] = Input.MouseButtons[1] = 0;
}
