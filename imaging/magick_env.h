// Starting ImageMagick: its policy, its resource limits and the proof that its
// decoders work before anything else uses it.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

extern const unsigned char kSelfTestPng[];
extern const size_t kSelfTestPngSize;
extern const unsigned char kSelfTestJpeg[];
extern const size_t kSelfTestJpegSize;
extern const unsigned char kSelfTestGif[];
extern const size_t kSelfTestGifSize;
extern const unsigned char kSelfTestBmp[];
extern const size_t kSelfTestBmpSize;

struct SelfTestPicture {
    const char *format;
    std::vector<unsigned char> bytes;
};

// The four built-in pictures: PNG, JPEG, GIF, BMP.
std::vector<SelfTestPicture> builtInSelfTestPictures();

// Decodes each picture from memory in a fresh wand. False when any fails; then
// failedFormats (if given) names them, e.g. "JPEG, GIF".
bool validateImageMagick(const std::vector<SelfTestPicture> &pictures, std::string *failedFormats = nullptr);
bool validateImageMagick();

// Folder of the running program (GBK, no trailing backslash).
std::string programFolder();

// Points ImageMagick at the policy shipped in "<program folder>\config" and its
// temporary files at a folder of this process (removing the folders that killed
// processes left), starts MagickWand and sets the resource limits. Call once,
// before any other use.
void startImageMagick();

// The folder ImageMagick's temporary files go to (empty before the start or when
// no temporary folder could be made).
std::string imageMagickCacheFolder();

// Lowers ImageMagick's disk-cache limit to half the free space of the cache
// folder's disk (never above the policy's value), so that a picture too large for
// memory fails with a reason instead of filling the disk. Called at the start and
// before each batch run.
void limitImageMagickDiskCache();

// How many threads ImageMagick's own loops (resize, colour conversion) may use;
// returns the number before. A batch run with one worker per processor sets 1.
int setImageMagickThreads(int threads);
