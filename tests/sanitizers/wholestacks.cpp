// Linked into the game of sanitizer builds only. System libraries keep no frame pointers, so the fast unwinder's
// stacks past them are guesses a suppression may miss; the tests keep it, the slow one takes them past their limit.
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
