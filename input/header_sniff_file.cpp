// The path-based side of header sniffing: opens the file through Win32 and feeds
// the byte-level readers, plus the slower description decoded by ImageMagick.
#include "input/header_sniff.h"

#include <windows.h>
#include <wand/MagickWand.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/picture_read.h"

const char kNotAValidPictureText[] = "注意: 这不是一个有效的图片";

namespace {

// Reads the file through a small window of cached bytes: the block walks of GIF
// and JPEG ask for one byte at a time.
struct FileReader {
    HANDLE file = INVALID_HANDLE_VALUE;
    uint64_t size = 0;
    std::vector<unsigned char> cache;
    uint64_t cacheStart = 0;
    size_t cacheLength = 0;

    explicit FileReader(const char *path)
    {
        if (!path || !*path)
            return;
        file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        LARGE_INTEGER length;
        if (!GetFileSizeEx(file, &length) || length.QuadPart < 0) {
            CloseHandle(file);
            file = INVALID_HANDLE_VALUE;
            return;
        }
        size = (uint64_t)length.QuadPart;
    }
    ~FileReader()
    {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    bool isOpen() const { return file != INVALID_HANDLE_VALUE; }

    size_t readRaw(uint64_t offset, unsigned char *out, size_t count)
    {
        LARGE_INTEGER to;
        to.QuadPart = (LONGLONG)offset;
        if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN))
            return 0;
        size_t total = 0;
        while (total < count) {
            DWORD want = (DWORD)((count - total) > 0x10000000 ? 0x10000000 : (count - total));
            DWORD got = 0;
            if (!ReadFile(file, out + total, want, &got, nullptr) || got == 0)
                break;
            total += got;
        }
        return total;
    }

    size_t read(uint64_t offset, unsigned char *out, size_t count)
    {
        if (offset >= size || count == 0)
            return 0;
        const size_t kBlock = 16384;
        if (count > kBlock)
            return readRaw(offset, out, count);
        if (offset < cacheStart || offset + count > cacheStart + cacheLength) {
            cache.resize(kBlock);
            cacheStart = offset;
            cacheLength = readRaw(offset, cache.data(), kBlock);
        }
        size_t available = (offset - cacheStart < cacheLength) ? cacheLength - (size_t)(offset - cacheStart) : 0;
        size_t n = count < available ? count : available;
        memcpy(out, cache.data() + (offset - cacheStart), n);
        return n;
    }

    static size_t readThunk(void *context, uint64_t offset, unsigned char *out, size_t count)
    {
        return static_cast<FileReader *>(context)->read(offset, out, count);
    }

    HeaderSource source()
    {
        HeaderSource s;
        s.read = readThunk;
        s.context = this;
        s.size = size;
        return s;
    }
};

}  // namespace

int sniffPictureType(const char *path)
{
    FileReader reader(path);
    if (!reader.isOpen())
        return kSniffCannotOpen;
    return sniffPictureType(reader.source());
}

bool readPictureHeader(const char *path, char *typeName, int *width, int *height)
{
    FileReader reader(path);
    if (!reader.isOpen())
        return false;
    PictureHeader header;
    if (!readPictureHeader(reader.source(), &header))
        return false;
    if (typeName)
        snprintf(typeName, kPictureTypeNameSize, "%s", header.typeName);
    if (width)
        *width = header.width;
    if (height)
        *height = header.height;
    return true;
}

bool describePictureFile(const char *path, char *text)
{
    FileReader reader(path);
    if (!reader.isOpen())
        return false;
    PictureHeader header;
    if (!readPictureHeader(reader.source(), &header))
        return false;
    return formatPictureDescription(header.width, header.height, header.typeName, header.fileSize, text);
}

bool describePictureWithMagick(const char *path, char *text, std::string *reason)
{
    if (!text)
        return false;
    snprintf(text, kPictureDescriptionSize, "%s", kNotAValidPictureText);
    PictureFile file;
    std::string why;
    if (!path || !readPictureFile(path, file, why)) {
        if (reason)
            *reason = why;
        return false;
    }
    // Only a decode proves that the file is a picture (at 1/8 for a JPEG). A
    // picture over the size limits is described from its header all the same:
    // it is one, only too large to be processed.
    MagickWand *wand = decodePictureFile(file, DecodeHint{1, 1}, why);
    if (wand) {
        DestroyMagickWand(wand);
    } else {
        PictureLimits limits = currentPictureLimits();
        if (file.width <= limits.maxWidth && file.height <= limits.maxHeight && file.pixels <= limits.maxPixels) {
            if (reason)
                *reason = why;
            return false;
        }
    }
    // A layered, multi-page or animated file reports its first image.
    const long long length = (long long)file.bytes.size();
    if (length < 1024)
        snprintf(text, kPictureDescriptionSize, "尺寸: %zu x %zu, 类型: %s 图片, 大小: %lld 字节", file.width,
                 file.height, file.format.c_str(), length);
    else
        formatPictureDescription((int)file.width, (int)file.height, file.format.c_str(), (int64_t)length, text);
    return true;
}

bool describePicture(const char *path, char *text, std::string *reason)
{
    return describePictureFile(path, text) || describePictureWithMagick(path, text, reason);
}
