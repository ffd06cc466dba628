// Defaults of the sanitizer runtimes in every program of the sanitizer
// build; ASAN_OPTIONS, UBSAN_OPTIONS and LSAN_OPTIONS still override them.

extern "C" const char *__asan_default_options()
{
    return "detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1";
}

extern "C" const char *__ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

extern "C" const char *__lsan_default_options()
{
    return "suppressions='" LSAN_SUPPRESSIONS "'";
}
