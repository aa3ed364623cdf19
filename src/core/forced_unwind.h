// A thread ended by pthread_exit or by cancellation (as Python ends its
// daemon threads at exit) unwinds through our frames with an exception that
// must reach the thread's start: swallowed, the process aborts. Every
// `catch (...)` on a call's path puts this clause before it.
#pragma once

#if defined(__GLIBCXX__) && !defined(_WIN32)
#include <cxxabi.h>
#define PROCTEX_PASS_FORCED_UNWIND  \
    catch (abi::__forced_unwind&) { \
        throw;                      \
    }
#else
#define PROCTEX_PASS_FORCED_UNWIND
#endif
