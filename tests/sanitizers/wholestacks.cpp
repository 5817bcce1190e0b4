// Linked into the game of sanitizer builds only.
//
// By default the sanitizers record where memory was allocated by following
// frame pointers, which the system libraries do not keep: past their first
// frame a stack goes on with whatever the stack memory holds, and a
// suppression may match such a stray frame, or fail to. The game records
// whole stacks instead, found the slow way, so that each frame LeakSanitizer
// reports at its end is one the game really went through. (The tests keep
// the fast way: the slow one would take them past their time limit.)

extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
