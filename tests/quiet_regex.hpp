// <regex> for the tests. GCC 12 with the sanitizers warns that std::function may be used
// uninitialized where the regex compiler moves its automaton states: a false positive in
// the library's code, silenced here for GCC alone (Clang does not know the warning).
#pragma once
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
