/* Keeps this prefix's wineserver and desktop alive for the whole test run, so each
   test process starts in milliseconds instead of starting Wine's services again. */
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    GetDesktopWindow();
    if (argc > 1) {
        HANDLE f = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (f != INVALID_HANDLE_VALUE)
            CloseHandle(f);
    }
    for (;;)
        Sleep(INFINITE);
    return 0;
}
