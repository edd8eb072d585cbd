// Turns any unhandled fault into a message and the crash page, and keeps that
// role against libraries that would install a filter of their own.
#pragma once
#include <windows.h>
#include <string>

// At the very start of the program, once.
void installCrashHandler();

// For the command-line modes instead: a hardware fault (in the program's own code
// or a library's, a decoder's say) calls report with the exception code and ends
// the process with exitCode; no box (it would block a script), no web page.
void installHeadlessFaultHandler(void (*report)(unsigned long exceptionCode), unsigned int exitCode);
// The unhandled-exception filter itself: shows the crash notice, opens the crash
// page and lets the system end the process.
LONG WINAPI onCrash(EXCEPTION_POINTERS *info);

// "Velmora图片批量处理工具 已停止工作。..." shown in the box titled "错误".
extern const char kCrashNoticeText[];
// "exceptionCode:0x%lx, EIP=0x..." (the fault address as fixed-width hex).
std::string crashMessage(unsigned long exceptionCode, const void *faultAddress);
// True when a later SetUnhandledExceptionFilter in this process can no longer
// replace the program's filter.
bool crashHandlerLockedIn();
