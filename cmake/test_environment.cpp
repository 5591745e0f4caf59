// SPDX-License-Identifier: BSD-2-Clause
// Built into every test binary: the environment the tests need, compiled in
// as defaults so that a binary runs by hand exactly as under CTest. A
// variable already set in the environment wins.
#include <cstdlib>

namespace {

void Default(const char* name, const char* value)
{
    ::setenv(name, value, 0);
}

// Runs before main, so the tests and the programs they start see the values.
const bool g_defaults = [] {
#ifdef LUMIVO_TEST_SOURCE_DIR
    Default("LUMIVO_SOURCE_DIR", LUMIVO_TEST_SOURCE_DIR);
#endif
#ifdef LUMIVO_TEST_CONTENT_DIR
    Default("LUMIVO_CONTENT_DIR", LUMIVO_TEST_CONTENT_DIR);
#endif
#ifdef LUMIVO_TEST_QVRBUILD
    Default("QVRBUILD", LUMIVO_TEST_QVRBUILD);
#endif
    Default("QT_QPA_PLATFORM", "offscreen");
    return true;
}();

} // namespace
