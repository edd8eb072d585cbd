#include "test_util.h"

#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <wand/MagickWand.h>

#include "util/magick_path.h"
#include "util/text.h"

static std::string toDos(const std::string &unixPath)
{
    return dosPathFromArgument(unixPath);
}

std::string samplePath(const std::string &relative)
{
    return toDos(SAMPLES_DIR) + "\\" + replaceAll(relative, "/", "\\");
}

std::string sourcePath(const std::string &relative)
{
    return toDos(SOURCE_DIR) + "\\" + replaceAll(relative, "/", "\\");
}

ScratchFolder::ScratchFolder(const std::string &name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = formatText("%s%s_%lu_%u", temp, name.c_str(), (unsigned long)GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            path_.clear();
            break;
        }
    }
}

ScratchFolder::~ScratchFolder()
{
    if (!path_.empty())
        removeTree(path_);
}

bool copyFileTo(const std::string &from, const std::string &to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool writeFileBytes(const std::string &path, const std::string &bytes)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(f);
    return ok && written == bytes.size();
}

std::string readFileBytes(const std::string &path)
{
    std::string out;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    CloseHandle(f);
    return out;
}

bool pathExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void removeTree(const std::string &path)
{
    DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES)
        return;
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY) || (attr & FILE_ATTRIBUTE_REPARSE_POINT)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(path.c_str()))
            RemoveDirectoryA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            removeTree(path + "\\" + name);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> folderEntries(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            name += "\\";
        names.push_back(name);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string thisTestProgram()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string program = path;
    // A Winelib module reports the .exe name; the file on disk is the .exe.so.
    if (!pathExists(program) && pathExists(program + ".so"))
        program += ".so";
    return program;
}

int runProcess(const std::string &commandLine)
{
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    std::string cmd = commandLine;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

PictureInfo readPictureBack(const std::string &path)
{
    PictureInfo info;
    MagickWand *wand = NewMagickWand();
    std::string unixPath = magickPath(path);
    if (!unixPath.empty() && MagickReadImage(wand, unixPath.c_str())) {
        char *format = MagickGetImageFormat(wand);
        info.format = format ? format : "";
        if (format)
            MagickRelinquishMemory(format);
        info.width = MagickGetImageWidth(wand);
        info.height = MagickGetImageHeight(wand);
    }
    DestroyMagickWand(wand);
    return info;
}

std::string identifyFirstImage(const std::string &dosPath, const std::string &format)
{
    // ImageMagick's own -format escapes on a wand of its own: what identify prints.
    std::string out;
    std::string path = magickPath(dosPath);
    MagickWand *wand = NewMagickWand();
    if (!path.empty() && MagickReadImage(wand, (path + "[0]").c_str())) {
        ImageInfo *info = AcquireImageInfo();
        char *text = InterpretImageProperties(info, GetImageFromMagickWand(wand), format.c_str());
        if (text) {
            out = text;
            DestroyString(text);
        }
        DestroyImageInfo(info);
    }
    DestroyMagickWand(wand);
    return out;
}

std::string unixPath(const std::string &dosPath)
{
    return unixPathUnderWine(dosPath);
}

bool runTool(const std::string &folder, const std::string &commandLine)
{
    // Wine starts a Unix program without a handle to wait on, so the command
    // leaves its exit code in a marker file that is polled for.
    std::string marker = folder + "\\tool_exit_code.txt";
    DeleteFileA(marker.c_str());
    std::string command = "/bin/sh -c \"" + commandLine + "; echo $? > " + unixPath(folder) + "/tool_exit_code.txt\"";
    // The command line is handed over in the ANSI code page; Wine gives it to the
    // Unix program in UTF-8 again, so non-ASCII paths arrive as they were.
    runProcess(utf8ToGbk(command));
    for (int waited = 0; waited < 120000; waited += 50) {
        std::string code = readFileBytes(marker);
        if (!code.empty() && code.back() == '\n') {
            DeleteFileA(marker.c_str());
            return code == "0\n";
        }
        Sleep(50);
    }
    return false;
}

bool runMagickTool(const std::string &tool, const std::vector<std::string> &arguments)
{
    std::string command = tool, last;
    for (const std::string &argument : arguments) {
        std::string word = argument;
        if (argument.size() > 2 && argument.front() == '{' && argument.back() == '}') {
            last = argument.substr(1, argument.size() - 2);
            word = unixPath(last);
        }
        command += " '" + word + "'";
    }
    ScratchFolder marker("tool");
    return runTool(marker.path(), command + " 2>/dev/null") && (last.empty() || pathExists(last));
}
