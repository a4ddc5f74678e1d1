// The processor's vector intrinsics, for the x86 pixel loops.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// GCC 12 takes the undefined start value of many vector intrinsics for an
// uninitialised variable (its own headers' lines; GCC 13 no longer does).
#  if !defined(__clang__)
#    pragma GCC diagnostic push
#    pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#  endif
#  include <immintrin.h>
#  if !defined(__clang__)
#    pragma GCC diagnostic pop
#  endif
#endif
