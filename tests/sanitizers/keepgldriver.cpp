// Linked into the tests of sanitizer builds only.
//
// Mesa unloads its driver when the last GL context goes, before
// LeakSanitizer looks at the heap at exit. What the driver still holds then
// shows up from an unknown module that no suppression can name. Loading the
// driver once at start, never to be unloaded, keeps those frames named.
#include <dlfcn.h>

namespace {

__attribute__((constructor)) void keepGlDriverLoaded()
{
    dlopen(TORVANE_GL_DRIVER, RTLD_LAZY | RTLD_NODELETE);
}

} // namespace
