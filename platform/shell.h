// Opening a web page in the user's browser when the game exits.
#pragma once

namespace platform {

// Detached xdg-open of the page configured at build time; does nothing when no address
// was configured, xdg-open is missing, or KELVAMOR_NO_BROWSER is set (tests).
void OpenWebPage();

// The configured address, "" when none.
const char* ExitPageAddress();

}  // namespace platform
