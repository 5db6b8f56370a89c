#pragma once
// Small guards of the grid's code: a value changed for a scope and put back when
// the scope ends, and a call made when a scope ends, also on a throw.

#include <utility>

template <class T>
class TTemporaryChangeEh {
public:
  TTemporaryChangeEh(T& Target, T Value) : FTarget(Target), FSaved(Target) { FTarget = std::move(Value); }
  ~TTemporaryChangeEh() { FTarget = std::move(FSaved); }
  TTemporaryChangeEh(const TTemporaryChangeEh&) = delete;
  TTemporaryChangeEh& operator=(const TTemporaryChangeEh&) = delete;

private:
  T& FTarget;
  T FSaved;
};

// The call must not throw: it runs while an exception may be passing.
template <class F>
class TScopeExitEh {
public:
  explicit TScopeExitEh(F Fn) : FFn(std::move(Fn)) {}
  ~TScopeExitEh() { FFn(); }
  TScopeExitEh(const TScopeExitEh&) = delete;
  TScopeExitEh& operator=(const TScopeExitEh&) = delete;

private:
  F FFn;
};

// BeginUpdate for a scope, EndUpdate when it ends (the grid holds its repainting
// meanwhile, so a move of many steps paints once).
template <class T>
class TUpdateBracketEh {
public:
  explicit TUpdateBracketEh(T* Target) : FTarget(Target) { FTarget->BeginUpdate(); }
  ~TUpdateBracketEh() { FTarget->EndUpdate(); }
  TUpdateBracketEh(const TUpdateBracketEh&) = delete;
  TUpdateBracketEh& operator=(const TUpdateBracketEh&) = delete;

private:
  T* FTarget;
};
