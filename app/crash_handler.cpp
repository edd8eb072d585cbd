// The crash handler. Libraries loaded later (codecs, printer drivers, shell
// extensions) like to install an unhandled-exception filter of their own and
// would silence ours, so after installing it the system function that installs
// filters is made to do nothing: its first bytes become "return no previous
// filter" in the machine code of the running architecture.
#include "app/crash_handler.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "ui/web_pages.h"
#include "util/text.h"

const char kCrashNoticeText[] =
    "Velmora图片批量处理工具 已停止工作。\n\n出现了一个问题，导致软件停止工作。请进入软件官网联系客服。";

namespace {

bool g_lockedIn = false;
volatile LONG g_handlingThread = 0;
void (*g_headlessReport)(unsigned long code) = nullptr;
UINT g_headlessExitCode = 1;

#if defined(__i386__) || defined(_M_IX86)
// xor eax, eax; ret 4 (stdcall, one argument)
const unsigned char kReturnNoFilter[] = {0x33, 0xC0, 0xC2, 0x04, 0x00};
#elif defined(__x86_64__) || defined(_M_X64)
// xor eax, eax; ret (the caller removes nothing)
const unsigned char kReturnNoFilter[] = {0x33, 0xC0, 0xC3};
#else
const unsigned char kReturnNoFilter[] = {0};
#define VELMORA_NO_FILTER_LOCK 1
#endif

bool overwriteCode(void *target, const unsigned char *bytes, size_t count)
{
    // Executable and writable first, so that another thread running code on
    // the same page is not hurt; plain read-write where that is refused.
    const DWORD tries[] = {PAGE_EXECUTE_READWRITE, PAGE_READWRITE};
    for (DWORD protection : tries) {
        DWORD former = 0;
        if (!VirtualProtect(target, count, protection, &former))
            continue;
        memcpy(target, bytes, count);
        DWORD ignored = 0;
        VirtualProtect(target, count, former, &ignored);
        FlushInstructionCache(GetCurrentProcess(), target, count);
        return true;
    }
    return false;
}

bool lockInFilter()
{
#ifdef VELMORA_NO_FILTER_LOCK
    return false;
#else
    // kernel32's export may be forwarded to kernelbase; patch every distinct
    // entry point so that no caller gets through.
    void *entries[2] = {};
    int count = 0;
    for (const char *module : {"kernel32.dll", "kernelbase.dll"}) {
        HMODULE h = GetModuleHandleA(module);
        void *entry = h ? (void *)GetProcAddress(h, "SetUnhandledExceptionFilter") : nullptr;
        if (entry && (count == 0 || entries[0] != entry))
            entries[count++] = entry;
    }
    bool any = false;
    for (int i = 0; i < count; ++i)
        any = overwriteCode(entries[i], kReturnNoFilter, sizeof kReturnNoFilter) || any;
    return any;
#endif
}

#ifdef __WINE__
// Under Wine the frames of the program's own code (and of the Unix libraries it
// calls, such as ImageMagick) are ELF code that the exception dispatcher cannot
// walk: a fault there never reaches the unhandled-exception filter, it ends in
// nested faults inside the unwinder. Nothing in that code handles hardware
// faults, so a vectored handler can take them as crashes at once; faults in the
// system DLLs keep going through their own handlers and the filter.
bool isHardwareFault(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return true;
    }
    return false;
}

bool isInProgramOrUnixCode(const void *address)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCSTR)address, &module))
        return true;  // no Windows module: Unix library code
    return module == GetModuleHandleA(nullptr);
}

// A command-line run: no box, no web page; the run says where it stopped.
LONG CALLBACK onHeadlessFault(EXCEPTION_POINTERS *info)
{
    const EXCEPTION_RECORD *record = info ? info->ExceptionRecord : nullptr;
    if (!record || !isHardwareFault(record->ExceptionCode) || !isInProgramOrUnixCode(record->ExceptionAddress))
        return EXCEPTION_CONTINUE_SEARCH;
    LONG self = (LONG)GetCurrentThreadId();
    if (InterlockedCompareExchange(&g_handlingThread, self, 0) == 0 && g_headlessReport)
        g_headlessReport((unsigned long)record->ExceptionCode);
    TerminateProcess(GetCurrentProcess(), g_headlessExitCode);
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG CALLBACK onFaultInUnixFrames(EXCEPTION_POINTERS *info)
{
    const EXCEPTION_RECORD *record = info ? info->ExceptionRecord : nullptr;
    if (!record || !isHardwareFault(record->ExceptionCode) || !isInProgramOrUnixCode(record->ExceptionAddress))
        return EXCEPTION_CONTINUE_SEARCH;
    onCrash(info);
    // Searching on would only fault again in the unwinder: end here, with the
    // fault's code as the exit code, as the system does.
    TerminateProcess(GetCurrentProcess(), record->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}
#endif

HWND crashOwnerWindow()
{
    HWND active = GetActiveWindow();
    if (active)
        return GetAncestor(active, GA_ROOT);
    HWND main = FindWindowA(kMainWindowClass, nullptr);
    DWORD process = 0;
    if (main)
        GetWindowThreadProcessId(main, &process);
    return process == GetCurrentProcessId() ? main : nullptr;
}

}  // namespace

std::string crashMessage(unsigned long exceptionCode, const void *faultAddress)
{
    return formatText("exceptionCode:0x%lx, EIP=0x%0*llX", exceptionCode, (int)(2 * sizeof(void *)),
                      (unsigned long long)(uintptr_t)faultAddress);
}

LONG WINAPI onCrash(EXCEPTION_POINTERS *info)
{
    // One report per process: a fault inside the handler lets the system end
    // the process, a second faulting thread waits for the first report.
    LONG self = (LONG)GetCurrentThreadId();
    LONG previous = InterlockedCompareExchange(&g_handlingThread, self, 0);
    if (previous == self)
        return EXCEPTION_CONTINUE_SEARCH;
    if (previous != 0) {
        Sleep(INFINITE);
        return EXCEPTION_CONTINUE_SEARCH;
    }

    unsigned long code = 0;
    const void *address = nullptr;
    if (info && info->ExceptionRecord) {
        code = (unsigned long)info->ExceptionRecord->ExceptionCode;
        address = info->ExceptionRecord->ExceptionAddress;
    }
    std::string message = crashMessage(code, address);
    OutputDebugStringA(message.c_str());
    consoleWrite(message + "\n", true);

    MessageBoxA(crashOwnerWindow(), kCrashNoticeText, "错误", MB_OK | MB_ICONERROR);
    openWebPage(crashPageAddress(code, address).c_str());
    return EXCEPTION_CONTINUE_SEARCH;
}

void installCrashHandler()
{
    SetUnhandledExceptionFilter(onCrash);
    g_lockedIn = lockInFilter();
#ifdef __WINE__
    AddVectoredExceptionHandler(1, onFaultInUnixFrames);
#endif
}

#ifndef __WINE__
static LONG WINAPI onHeadlessCrash(EXCEPTION_POINTERS *info)
{
    if (info && info->ExceptionRecord && g_headlessReport)
        g_headlessReport((unsigned long)info->ExceptionRecord->ExceptionCode);
    TerminateProcess(GetCurrentProcess(), g_headlessExitCode);
    return EXCEPTION_CONTINUE_SEARCH;
}
#endif

void installHeadlessFaultHandler(void (*report)(unsigned long exceptionCode), unsigned int exitCode)
{
    g_headlessReport = report;
    g_headlessExitCode = exitCode;
#ifdef __WINE__
    AddVectoredExceptionHandler(1, onHeadlessFault);
#else
    SetUnhandledExceptionFilter(onHeadlessCrash);
#endif
}

bool crashHandlerLockedIn()
{
    return g_lockedIn;
}
