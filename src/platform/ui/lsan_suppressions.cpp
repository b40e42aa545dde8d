// fontconfig keeps a few small allocations of its configuration for the life of the process
// and never frees them; the leak checker of the sanitizer build should not count them.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
