// GoogleTest under Winelib: gtest's headers take _WIN32 for the Windows C library,
// but here the C library is glibc.
#pragma once
#ifdef __WINE__
#pragma push_macro("_WIN32")
#pragma push_macro("_WIN64")
#pragma push_macro("WIN32")
#pragma push_macro("WIN64")
#pragma push_macro("__WIN32__")
#undef _WIN32
#undef _WIN64
#undef WIN32
#undef WIN64
#undef __WIN32__
#include <gtest/gtest.h>
#pragma pop_macro("_WIN32")
#pragma pop_macro("_WIN64")
#pragma pop_macro("WIN32")
#pragma pop_macro("WIN64")
#pragma pop_macro("__WIN32__")
#else
#include <gtest/gtest.h>
#endif
