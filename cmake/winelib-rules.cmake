# Loaded after the Linux platform files (also inside try_compile).
# winegcc writes only the ELF module when the output already ends in .exe.so;
# with a bare name it writes a launcher too and CMake's own checks fail.
set(CMAKE_EXECUTABLE_SUFFIX .exe.so)
set(CMAKE_RC_COMPILE_OBJECT "<CMAKE_RC_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -o <OBJECT> <SOURCE>")
set(CMAKE_C_IMPLICIT_LINK_LIBRARIES "")
set(CMAKE_CXX_IMPLICIT_LINK_LIBRARIES "")
