// Linked into every executable of sanitizer builds. A library unloaded before LeakSanitizer looks at the heap leaves
// its leaks under an unknown module no suppression can name; kept loaded, each frame keeps its library's name.
extern "C" int dlclose(void *)
{
    return 0;
}
