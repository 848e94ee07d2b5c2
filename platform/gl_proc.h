// Looking up GL entry points by name. Under GLVND the lookup returns a dispatch stub
// even for names no driver implements, so presence must be judged from the extension
// string, never from a null here. The loader is replaceable so tests can pretend an
// entry point is missing.
#pragma once

namespace platform {

using GlProc = void (*)();
using GlProcLoader = GlProc (*)(const char* name);

GlProc GetGLProcAddress(const char* name);

// nullptr restores the real loader.
void SetGLProcLoader(GlProcLoader loader);

// True when name appears as a whole word in the space-separated extension list.
bool ExtensionListed(const char* extensions, const char* name);

}  // namespace platform
