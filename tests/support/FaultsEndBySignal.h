#pragma once
// A search process that faults ends by the fault's signal in the tests, as it
// does in a release build, not by AddressSanitizer's report of the fault
// (exit code 1): the tests see the text a user sees. The search processes the
// tests start read it from the environment; the tests' own process is not
// changed. Included by the tests that make a search process fault.

#include <cstdlib>
#include <string>

inline const bool kSearchFaultsEndBySignal = [] {
  const char* options = std::getenv("ASAN_OPTIONS");
  ::setenv("ASAN_OPTIONS", ((options ? std::string(options) + ":" : std::string()) + "handle_segv=0").c_str(), 1);
  return true;
}();
