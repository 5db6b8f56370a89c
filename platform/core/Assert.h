#pragma once
// BORROW_ASSERT(Condition): an invariant the code after it relies on. Debug
// builds check it and, when it does not hold, name the condition and its place
// on standard error and abort: a broken tree, buffer or band geometry then stops
// where it breaks instead of surfacing later as damaged data or a wrong paint.
// Release builds compile the check away (the condition is not evaluated).

#include <cstdio>
#include <cstdlib>

namespace borrow_detail {

[[noreturn]] inline void AssertionFailed(const char* Condition, const char* File, int Line) {
  std::fprintf(stderr, "%s:%d: assertion failed: %s\n", File, Line, Condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace borrow_detail

#ifdef NDEBUG
#define BORROW_ASSERT(Condition) static_cast<void>(sizeof(static_cast<bool>(Condition)))
#else
#define BORROW_ASSERT(Condition)                       \
  (static_cast<bool>(Condition) ? static_cast<void>(0) \
                                : ::borrow_detail::AssertionFailed(#Condition, __FILE__, __LINE__))
#endif
