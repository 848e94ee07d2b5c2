// Message boxes: always written to stderr with their caption; a blocking dialog only
// when a real desktop can show one (never under a virtual X server or in tests).
#pragma once

namespace platform {

enum class MessageIcon { kInformation, kWarning, kStop };

void ShowMessageBox(const char* text, const char* caption, MessageIcon icon);

// Tests and headless runs turn the dialog off; it is on only when DISPLAY looks like a
// real desktop and KELVAMOR_NO_DIALOGS is unset.
void SetDialogsEnabled(bool enabled);

}  // namespace platform
