#include "core/pipeline.h"

#include <windows.h>

#include "core/pipeline_steps.h"
#include "core/pipeline_watermark.h"
#include "util/magick_path.h"
#include "util/text.h"

const char kPreviewTarget[] = "temp\\preview.jpg";

static std::string systemError(DWORD code)
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

static std::string folderOf(const std::string &path)
{
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    if (slash == 0 || (slash == 2 && path[1] == ':'))
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

static bool writeAll(HANDLE file, const unsigned char *data, size_t length)
{
    while (length > 0) {
        DWORD chunk = length > (1u << 30) ? (1u << 30) : (DWORD)length;
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        length -= written;
    }
    return true;
}

std::string writeJpegFile(MagickWand *picture, const std::string &target)
{
    size_t length = 0;
    unsigned char *blob = MagickGetImageBlob(picture, &length);
    if (!blob || length == 0) {
        if (blob)
            MagickRelinquishMemory(blob);
        std::string reason = takeWandError(picture);
        return reason.empty() ? formatText("无法生成JPEG数据 '%s'", target.c_str()) : reason;
    }
    // Windows refuses to replace a read-only file; Wine would replace it.
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        MagickRelinquishMemory(blob);
        return formatText("无法写入 '%s': %s", target.c_str(), systemError(ERROR_ACCESS_DENIED).c_str());
    }
    char temp[MAX_PATH];
    std::string folder = folderOf(target);
    if (!GetTempFileNameA(folder.c_str(), "vlm", 0, temp)) {
        DWORD code = GetLastError();
        MagickRelinquishMemory(blob);
        return formatText("无法在 '%s' 中创建文件: %s", folder.c_str(), systemError(code).c_str());
    }
    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        MagickRelinquishMemory(blob);
        DeleteFileA(temp);
        return formatText("无法写入 '%s': %s", temp, systemError(code).c_str());
    }
    bool ok = writeAll(file, blob, length);
    DWORD code = ok ? 0 : GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        code = GetLastError();
    }
    MagickRelinquishMemory(blob);
    if (!ok) {
        DeleteFileA(temp);
        return formatText("无法写入 '%s': %s", temp, systemError(code).c_str());
    }
    if (!MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        code = GetLastError();
        DeleteFileA(temp);
        return formatText("无法写入 '%s': %s", target.c_str(), systemError(code).c_str());
    }
    return std::string();
}

static PictureOutcome failed(const std::string &message, const std::string &detail)
{
    PictureOutcome outcome;
    outcome.result = PictureResult::Failed;
    outcome.message = message;
    outcome.detail = detail;
    return outcome;
}

PictureOutcome processPicture(const PipelineInputs &inputs, const std::string &sourcePath,
                              const std::string &targetPath, int flip, int rotation)
{
    static const ProcessSettings kDefaults;
    const ProcessSettings &s = inputs.settings ? *inputs.settings : kDefaults;

    // 1. Read.
    MagickWand *picture = NewMagickWand();
    std::string source = magickPath(sourcePath);
    // Some readers hand back an empty 0 x 0 picture instead of an error (text
    // renamed to .jpg, 12-bit JPEG): that is no picture either.
    if (source.empty() || MagickReadImage(picture, source.c_str()) == MagickFalse ||
        MagickGetNumberImages(picture) == 0 || MagickGetImageWidth(picture) == 0 ||
        MagickGetImageHeight(picture) == 0) {
        std::string detail = source.empty() ? std::string() : takeWandError(picture);
        DestroyMagickWand(picture);
        return failed(formatText("图片读取失败:\r\n%s", sourcePath.c_str()), detail);
    }
    // A damaged but readable file leaves warnings behind; they are no errors.
    MagickClearException(picture);
    char *formatName = MagickGetImageFormat(picture);
    std::string format = formatName ? formatName : "";
    if (formatName)
        MagickRelinquishMemory(formatName);

    // 2. Animations are not taken apart.
    if (format == "GIF" && MagickGetNumberImages(picture) > 1) {
        DestroyMagickWand(picture);
        return failed(formatText("这是一个不受支持的图片格式:\r\n%s", sourcePath.c_str()), std::string());
    }
    // 3. The merged picture of a PSD, the first page of a TIFF.
    if (format == "PSD" || format == "TIFF")
        MagickResetIterator(picture);

    // 4. The resolution as read; the re-canvas below does not keep it.
    int units = (int)MagickGetImageUnits(picture);
    double xResolution = 0.0, yResolution = 0.0;
    MagickGetImageResolution(picture, &xResolution, &yResolution);

    std::string reason;
    bool ok = true;
    flattenTransparency(picture, format);                                       // 5
    if (s.bRemovePhotoOtherInfo)                                                // 6
        removeCameraData(picture);
    if (format == "JPEG")                                                       // 7
        ok = recanvasJpegIfNeeded(picture, s, reason);
    ok = ok && applyResolution(picture, s, units, xResolution, yResolution, reason);  // 8
    ok = ok && rotateAndFlip(picture, flip, rotation, reason);                  // 9
    ok = ok && resizePicture(picture, s, reason);                               // 10
    if (ok) {
        adjustTone(picture, s);                                                 // 11-13
        setCompression(picture, s, format);                                     // 14
        convertColourspace(picture, s, inputs.srgbProfile, inputs.cmykProfile); // 15
    }
    if (ok && s.bSYImage && !s.sy_image.empty() && inputs.imageWatermark) {    // 16
        makeGreyColourable(picture);
        ok = compositeWatermark(picture, inputs.imageWatermark, s.sy_image_w_direction, s.sy_image_w_value,
                                s.sy_image_h_direction, s.sy_image_h_value);
    }
    if (ok && s.bSYText && inputs.textWatermark) {                              // 17
        makeGreyColourable(picture);
        ok = compositeWatermark(picture, inputs.textWatermark, s.sy_text_w_direction, s.sy_text_w_value,
                                s.sy_text_h_direction, s.sy_text_h_value);
    }
    ok = ok && addBorder(picture, s, reason);                                   // 18
    if (!ok) {
        // A picture of the wrong size or without its marks is not the user's
        // result: nothing is written and nothing handed back.
        if (reason.empty())
            reason = takeWandError(picture);
        DestroyMagickWand(picture);
        return failed(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), sourcePath.c_str()),
                      reason);
    }
    if (s.bConvertBlackToWhite)                                                 // 19
        MagickTransformImageColorspace(picture, GRAYColorspace);
    // Whatever the tone and colour steps reported is no reason to refuse the picture.
    MagickClearException(picture);

    // 21. Output.
    PictureOutcome outcome;
    if (targetPath == kPreviewTarget) {
        if (MagickGetImageColorspace(picture) == CMYKColorspace)
            MagickTransformImageColorspace(picture, RGBColorspace);
        MagickSetImageFormat(picture, "JPEG");
        outcome.result = PictureResult::Picture;
        outcome.picture = picture;
        return outcome;
    }
    if (targetPath.empty()) {
        outcome.result = PictureResult::Picture;
        outcome.picture = picture;
        return outcome;
    }
    MagickSetImageFormat(picture, "JPEG");
    reason = writeJpegFile(picture, targetPath);
    DestroyMagickWand(picture);
    if (!reason.empty())
        return failed(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), sourcePath.c_str()),
                      reason);
    outcome.result = PictureResult::Written;
    return outcome;
}
