#pragma once
// Scope guards: cleanup that runs however a scope is left, written once
// instead of once after the work and again in a catch-all that rethrows.
//
//   HoldResync();
//   TScopeExit Release([&] { ReleaseResync(false); });
//
//   TTemporaryChange Saved(FScrollBars, ssNone);  // restored on leaving
//
// When the scope is left by an exception and the cleanup throws too, the
// cleanup's exception is dropped: the first fault is the one reported.

#include <exception>
#include <utility>

template <class Cleanup>
class [[nodiscard]] TScopeExit {
public:
  explicit TScopeExit(Cleanup C) : FCleanup(std::move(C)) {}
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;
  ~TScopeExit() noexcept(false) {
    if (FDismissed) return;
    if (std::uncaught_exceptions() > FUncaught) {
      try {
        FCleanup();
      } catch (...) {
      }
      return;
    }
    FCleanup();
  }
  // The cleanup will not run: the work it undoes was kept.
  void Dismiss() { FDismissed = true; }

private:
  Cleanup FCleanup;
  int FUncaught = std::uncaught_exceptions();
  bool FDismissed = false;
};

// Runs Work and gives back what it returns; when it throws, runs Cleanup
// (dropping a fault of its own, as TScopeExit does) and lets the fault go on.
// For paths run at every cursor step: nothing is asked of the runtime unless
// something is thrown, where a TScopeExit asks it twice how many faults are
// in flight.
template <class Work, class Cleanup>
decltype(auto) RunOrCleanUp(Work&& W, Cleanup&& C) {
  try {
    return W();
  } catch (...) {
    try {
      C();
    } catch (...) {
    }
    throw;
  }
}

// Sets Variable to Value for the life of the guard, then puts the old value back.
template <class T>
class [[nodiscard]] TTemporaryChange {
public:
  template <class U>
  TTemporaryChange(T& Variable, U&& Value) : FVariable(Variable), FOld(std::move(Variable)) {
    FVariable = std::forward<U>(Value);
  }
  TTemporaryChange(const TTemporaryChange&) = delete;
  TTemporaryChange& operator=(const TTemporaryChange&) = delete;
  ~TTemporaryChange() { FVariable = std::move(FOld); }
  const T& OldValue() const { return FOld; }

private:
  T& FVariable;
  T FOld;
};
