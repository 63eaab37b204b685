// Sanitizer settings built into the test executables of a TREVASK_SANITIZE build. The
// runtimes read them before main, so they hold when the build lists the tests, under ctest
// and when a test executable is run by hand; ASAN_OPTIONS and UBSAN_OPTIONS in the
// environment still override them. Nothing here reaches the programs the tests start (GT.M,
// the shell, socat): they are not instrumented, and their environment stays as it was.
extern "C" {

// Beyond the defaults: a local used through a pointer or reference after its function has
// returned (a callback that outlives what it captured), and globals read before they are
// constructed.
const char* __asan_default_options()
{
    return "detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1";
}

// Leaks of system libraries that are not ours (listed in the file).
const char* __lsan_default_options()
{
    return "suppressions=" TREVASK_LEAK_SUPPRESSIONS;
}

// Undefined behaviour is reported with the calls that led to it.
const char* __ubsan_default_options()
{
    return "print_stacktrace=1";
}
}
