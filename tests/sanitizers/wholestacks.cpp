// Linked into the game of sanitizer builds only.
//
// The sanitizers follow frame pointers to record where memory was allocated, and system libraries keep none: past
// their first frame a stack goes on with whatever the stack memory holds, which a suppression may match or miss. The
// game records whole stacks the slow way, so each frame reported at its end is one it went through. (The tests keep
// the fast way: the slow one takes them past their time limit.)

extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
