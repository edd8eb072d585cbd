// libjpeg's memory, kept from photo to photo within a run.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <string>
#include <vector>

#include "imaging/jpeg_memory.h"
#include "imaging/picture_read.h"

namespace {

// The pixels of a photo as the batch decodes it (reduced while decoded), as
// ImageMagick's SHA-256 of them, or why it could not be read.
std::string reducedSignature(const std::string &path)
{
    PictureFile file;
    std::string reason;
    if (!readPictureFile(path, file, reason))
        return "unread: " + reason;
    DecodeHint hint;
    hint.width = file.width / 3;
    hint.height = file.height / 3;
    MagickWand *picture = decodeReducedJpeg(file, hint, file.width / 5, file.height / 5, reason);
    if (!picture)
        return "undecoded: " + reason;
    char *signature = MagickGetImageSignature(picture);
    std::string text = signature ? signature : "";
    MagickRelinquishMemory(signature);
    DestroyMagickWand(picture);
    return text;
}

struct Decoding {
    const std::vector<std::string> *paths;
    std::vector<std::string> signatures;
};

DWORD WINAPI decodeEach(LPVOID context)
{
    Decoding *d = static_cast<Decoding *>(context);
    for (const std::string &path : *d->paths)
        d->signatures.push_back(reducedSignature(path));
    return 0;
}

}  // namespace

TEST(JpegMemory, APhotoDecodedInBlocksKeptFromTheLastHasTheSamePixelsAndTheRunLeavesNothingKept)
{
    // The program is linked so that libjpeg asks it for memory, in both builds.
    ASSERT_TRUE(jpegMemoryIsTheProgramsOwn());

    ScratchFolder dir("jpeg_memory");
    const std::string sunset = samplePath("photos/lomiri_sunset.jpg");  // progressive, 12 MP
    const std::string cut = dir.path() + "\\cut.jpg";                   // the same, two thirds of its bytes
    const std::string whole = readFileBytes(sunset);
    ASSERT_TRUE(writeFileBytes(cut, whole.substr(0, whole.size() * 2 / 3)));
    // Large to small and back, a baseline photo and a damaged one between.
    const std::vector<std::string> paths = {
        sunset, samplePath("photos/lomiri_Dragonfly.jpg"), samplePath("photos/lomiri_Wine.jpg"),
        samplePath("photos/mate_Garden.jpg"), cut, sunset,
    };

    std::vector<std::string> alone;
    for (const std::string &path : paths) {
        alone.push_back(reducedSignature(path));
        EXPECT_EQ(jpegMemoryCounts().kept, 0u) << "kept outside a run: " << path;
    }
    ASSERT_EQ(alone.front(), alone.back());

    {
        JpegMemoryReuse run;
        const JpegMemoryCounts before = jpegMemoryCounts();
        Decoding one{&paths, {}};
        decodeEach(&one);
        EXPECT_EQ(one.signatures, alone);
        EXPECT_GT(jpegMemoryCounts().reused, before.reused);

        // Two workers at once, each through the whole list.
        Decoding a{&paths, {}}, b{&paths, {}};
        HANDLE threads[2] = {CreateThread(nullptr, 0, decodeEach, &a, 0, nullptr),
                             CreateThread(nullptr, 0, decodeEach, &b, 0, nullptr)};
        ASSERT_TRUE(threads[0] && threads[1]);
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
        CloseHandle(threads[0]);
        CloseHandle(threads[1]);
        EXPECT_EQ(a.signatures, alone);
        EXPECT_EQ(b.signatures, alone);
    }
    const JpegMemoryCounts after = jpegMemoryCounts();
    EXPECT_EQ(after.kept, 0u);
    EXPECT_EQ(after.keptBytes, 0u);
}
