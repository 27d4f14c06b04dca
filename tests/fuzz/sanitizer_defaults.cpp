// AddressSanitizer's settings for every fuzz target, before any ASAN_OPTIONS given at run time.
//
// A freed block waits in quarantine, still poisoned, until this much more has been freed: a use
// after free is caught within that window. With the default of 256 MB the raster targets stood
// near a gigabyte resident within minutes, and cycling that much memory cost a fifth of their time.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}
