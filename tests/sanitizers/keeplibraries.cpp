// Linked into every executable of sanitizer builds (the game, the tools, the
// tests), never into any other.
//
// LeakSanitizer looks at the heap when the process ends. A library unloaded
// before then (Mesa unloads its driver when the last GL context goes; Qt and
// SDL load and drop plugins) takes its globals with it, so what they pointed
// to turns into leaks under frames of an unknown module: no suppression can
// name those, and on another machine the same address may fall into another
// library. Kept loaded for the life of the process, every library's frames
// keep their names and the suppressions match system libraries by name,
// never our code. The executable's own dlclose comes first in symbol lookup,
// before the C library's and the sanitizer's.

extern "C" int dlclose(void *)
{
    return 0;
}
