#include "core/safe_file.h"

#include <wand/MagickWand.h>

#include "core/pipeline_steps.h"
#include "util/text.h"

SafeWriteStep writeFileSafely(const std::string &path, const void *bytes, size_t size, DWORD *systemError)
{
    DWORD ignored = 0;
    DWORD &error = systemError ? *systemError : ignored;
    error = 0;
    size_t sep = findLastBackslash(path);
    std::string folder = sep == std::string::npos ? std::string(".") : path.substr(0, sep + 1);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        error = ERROR_ACCESS_DENIED;
        return SafeWriteStep::Open;
    }
    char temp[MAX_PATH];
    if (path.empty() || folder.size() > MAX_PATH - 14 || !GetTempFileNameA(folder.c_str(), "vlm", 0, temp)) {
        error = path.empty() ? ERROR_INVALID_NAME : GetLastError();
        return SafeWriteStep::Open;
    }
    HANDLE f = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        DeleteFileA(temp);
        return SafeWriteStep::Open;
    }
    const char *data = static_cast<const char *>(bytes);
    size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        DWORD chunk = (DWORD)((size - done) > 0x40000000 ? 0x40000000 : (size - done));
        DWORD wrote = 0;
        ok = WriteFile(f, data + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    if (ok && !FlushFileBuffers(f))
        ok = false;
    if (!ok)
        error = GetLastError();
    if (!CloseHandle(f) && ok) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileA(temp);
        return SafeWriteStep::Write;
    }
    if (!MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        DeleteFileA(temp);
        return SafeWriteStep::Replace;
    }
    return SafeWriteStep::Done;
}

std::string systemErrorText(DWORD code)
{
    char *text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, (LPSTR)&text, 0, nullptr);
    std::string out;
    if (n && text) {
        out.assign(text, n);
        while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' '))
            out.pop_back();
    }
    if (text)
        LocalFree(text);
    if (out.empty())
        out = formatText("error %lu", (unsigned long)code);
    return out;
}

std::string writeWandSafely(MagickWand *wand, const std::string &target)
{
    size_t length = 0;
    unsigned char *blob = MagickGetImageBlob(wand, &length);
    if (!blob || length == 0) {
        if (blob)
            MagickRelinquishMemory(blob);
        std::string reason = takeWandError(wand);
        return reason.empty() ? formatText("无法生成图片数据 '%s'", target.c_str()) : reason;
    }
    DWORD code = 0;
    SafeWriteStep step = writeFileSafely(target, blob, length, &code);
    MagickRelinquishMemory(blob);
    if (step == SafeWriteStep::Done)
        return std::string();
    return formatText("无法写入 '%s': %s", target.c_str(), systemErrorText(code).c_str());
}
