// Linked into every executable of sanitizer builds (the game, the tools, the tests).
//
// LeakSanitizer looks at the heap when the process ends. A library unloaded before then (Mesa's driver goes with the
// last GL context; Qt and SDL drop plugins) takes its globals along: what they held turns into leaks under frames of an
// unknown module, which no suppression can name and which another machine may map into another library. Kept loaded,
// every frame keeps its library's name, and the suppressions match system libraries by name, never our code. The
// executable's own dlclose comes first in symbol lookup, before the C library's and the sanitizer's.

extern "C" int dlclose(void *)
{
    return 0;
}
