# Cross build for 64-bit Windows with MinGW-w64 (posix threads: std::thread and
# std::mutex exist). VELMORA_WINDOWS_ROOTS lists the folders of the cross-built
# libraries (scripts/build-windows.sh passes them); nothing of the Linux system is
# ever found.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

if(NOT VELMORA_WINDOWS_ROOTS AND DEFINED ENV{VELMORA_WINDOWS_ROOTS})
  set(VELMORA_WINDOWS_ROOTS "$ENV{VELMORA_WINDOWS_ROOTS}")
endif()
# try_compile projects read this file again and need the same roots.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_WINDOWS_ROOTS)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VELMORA_WINDOWS_ROOTS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries first: the program ships no DLL of its own.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .lib .dll.a)

set(_pc_dirs "")
foreach(_root IN LISTS VELMORA_WINDOWS_ROOTS)
  list(APPEND _pc_dirs "${_root}/lib/pkgconfig")
endforeach()
list(JOIN _pc_dirs ":" _pc_dirs)
set(ENV{PKG_CONFIG_LIBDIR} "${_pc_dirs}")
set(ENV{PKG_CONFIG_PATH} "")
