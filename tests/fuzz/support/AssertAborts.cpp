// The fuzz targets link with --wrap for AssertFailed, so a failed MV_ASSERT
// in the program's code lands here: it is reported and ends with abort(),
// which libFuzzer records as a crash. No crash report is written and no
// uploader is started.
#include "include/crash/Assert.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>

// The wrapped name below is the mangled form of this signature.
static_assert(std::is_same_v<decltype(&AssertFailed), bool (*)(const wchar_t*, const char*, int)>);

extern "C" [[noreturn]] bool __wrap__Z12AssertFailedPKwPKci(const wchar_t* expression, const char* srcFile,
                                                            int line) {
    std::fprintf(stderr, "Assertion: %ls at %s:%d\n", expression, srcFile, line);
    std::abort();
}
