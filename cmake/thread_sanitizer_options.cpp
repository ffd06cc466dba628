// Defaults of ThreadSanitizer in every program of the thread sanitizer build;
// TSAN_OPTIONS still overrides them. A report ends the program with a
// failure, so that a test cannot pass over it.

extern "C" const char *__tsan_default_options()
{
    return "halt_on_error=1:second_deadlock_stack=1";
}
