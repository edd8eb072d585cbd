// The header sniffer through its file reader: the input is written to a scratch
// file and read back by path. The reader's cached window must be invisible: the
// answers are the ones the same bytes give from memory.
#include "fuzz_target.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "input/header_sniff.h"

namespace {

std::string scratchPath()
{
    char folder[MAX_PATH] = "";
    DWORD n = GetTempPathA(sizeof folder, folder);
    return std::string(folder, n < sizeof folder ? n : 0) + "velmora-sniff-" + std::to_string(GetCurrentProcessId()) +
           ".bin";
}

bool writeScratch(const std::string &path, const uint8_t *data, size_t size)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = size == 0 || (WriteFile(f, data, (DWORD)size, &written, nullptr) && written == size);
    CloseHandle(f);
    return ok;
}

}  // namespace

FUZZ_TARGET(sniff_file)
{
    static const std::string path = scratchPath();
    FUZZ_CHECK(writeScratch(path, data, size));

    PictureHeader fromMemory;
    const bool known = readPictureHeaderBytes(data, size, &fromMemory);
    FUZZ_CHECK(sniffPictureType(path.c_str()) == sniffPictureBytes(data, size));

    char name[kPictureTypeNameSize] = "?";
    int width = -1, height = -1;
    FUZZ_CHECK(readPictureHeader(path.c_str(), name, &width, &height) == known);
    if (known)
        FUZZ_CHECK(strcmp(name, fromMemory.typeName) == 0 && width == fromMemory.width &&
                   height == fromMemory.height);

    char text[kPictureDescriptionSize] = "", expected[kPictureDescriptionSize] = "";
    const bool described = describePictureFile(path.c_str(), text);
    FUZZ_CHECK(described == (known && formatPictureDescription(fromMemory.width, fromMemory.height,
                                                                fromMemory.typeName, fromMemory.fileSize, expected)));
    if (described)
        FUZZ_CHECK(strcmp(text, expected) == 0);
    DeleteFileA(path.c_str());
    return 0;
}
