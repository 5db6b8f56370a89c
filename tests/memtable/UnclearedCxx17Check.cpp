// Built as C++17, where std::allocator still declares construct of its own:
// the uncleared vectors must still construct through TUnclearedConstruct, or
// growing one clears the elements it adds. Compile-time only, so nothing built
// under one standard is linked with what another built.

#include <type_traits>

#include "platform/core/Uncleared.h"

static_assert(__cplusplus == 201703L, "this check is built as C++17 (tests/memtable/CMakeLists.txt)");

namespace {

// Whether construct, asked of A for an int as the vector asks, is
// TUnclearedConstruct's: not ambiguous, nor another base's.
template <class A, class = void>
struct ConstructsUncleared : std::false_type {};
template <class A>
struct ConstructsUncleared<A, std::void_t<decltype(static_cast<void (TUnclearedConstruct::*)(int*)>(&A::construct))>>
    : std::true_type {};

static_assert(ConstructsUncleared<TUnclearedAllocator<int>>::value);

}  // namespace
