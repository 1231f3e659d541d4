/* Export macro and basic types shared by every header of the core library. */
#ifndef VORCORE_H
#define VORCORE_H

#if defined(_WIN32)
/* MinGW defines __int64 in its runtime headers; pull one in so this header stands alone. */
# include <stddef.h>
# if defined(VORCORE_BUILD)
#  define VORCORE_API __declspec(dllexport)
# elif defined(VORCORE_STATIC)
#  define VORCORE_API
# else
#  define VORCORE_API __declspec(dllimport)
# endif
#else
# define VORCORE_API __attribute__((visibility("default")))
/* The Windows compilers know __int64; elsewhere it is a plain 64-bit int. */
typedef long long __int64;
#endif

#endif
