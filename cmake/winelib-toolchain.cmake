# Winelib build: Win32 sources compiled by wineg++ into ELF modules that Wine loads.
set(CMAKE_C_COMPILER winegcc)
set(CMAKE_CXX_COMPILER wineg++)
set(CMAKE_RC_COMPILER wrc)
# Without this find_library misses /usr/lib/x86_64-linux-gnu.
set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-gnu)
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/winelib-rules.cmake)
