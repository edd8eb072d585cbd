// Compression, colour-space conversion with ICC profiles, and the grey rule.
#include "core/pipeline_steps.h"

#include "core/resize_geometry.h"

void setCompression(MagickWand *picture, const ProcessSettings &s, const std::string &format)
{
    if (s.bQuanlity && s.qualityMode == 0) {
        MagickSetImageCompression(picture, JPEGCompression);
        MagickSetImageCompressionQuality(picture, (size_t)(s.quanlity > 0 ? s.quanlity : 1));
        return;
    }
    std::string extent = s.bQuanlity && s.qualityMode == 1 ? jpegExtentValue(s.maxFileSize) : std::string();
    if (!extent.empty()) {
        // The JPEG writer searches for the highest quality that fits.
        MagickSetOption(picture, "jpeg:extent", extent.c_str());
        return;
    }
    if (format == "JPEG") {
        // Keeps the quality the reader estimated (or the one the re-canvas set).
        MagickSetImageCompression(picture, NoCompression);
    } else {
        MagickSetImageCompression(picture, JPEGCompression);
        MagickSetImageCompressionQuality(picture, 94);
    }
}

static bool hasIccProfile(MagickWand *picture)
{
    size_t length = 0;
    unsigned char *profile = MagickGetImageProfile(picture, "ICC", &length);
    if (!profile)
        return false;
    MagickRelinquishMemory(profile);
    return length > 0;
}

static void applyProfile(MagickWand *picture, const std::string &bytes)
{
    if (!bytes.empty())
        MagickProfileImage(picture, "ICC", bytes.data(), bytes.size());
}

void convertColourspace(MagickWand *picture, const ProcessSettings &s, const std::string &srgbProfile,
                        const std::string &cmykProfile)
{
    if (!s.bColorspaceTo)
        return;
    ColorspaceType current = MagickGetImageColorspace(picture);
    bool matches = s.fromColorspace == 3 || (s.fromColorspace == 0 && current == CMYKColorspace) ||
                   (s.fromColorspace == 1 && current == RGBColorspace) ||
                   (s.fromColorspace == 2 && current == sRGBColorspace);
    if (!matches)
        return;
    if (current == CMYKColorspace) {
        // Describes the CMYK values so that a later profile converts them properly.
        if (!hasIccProfile(picture))
            applyProfile(picture, cmykProfile);
        if (s.toColorspace == 0)
            return;
    }
    if (s.toColorspace == 1 || s.toColorspace == 2) {
        if (s.bUseSRGB_ICC)
            applyProfile(picture, srgbProfile);
        ColorspaceType target = s.toColorspace == 1 ? RGBColorspace : sRGBColorspace;
        if (current != target)
            MagickTransformImageColorspace(picture, target);
    } else if (s.toColorspace == 0) {
        MagickTransformImageColorspace(picture, CMYKColorspace);
    }
}

void makeGreyColourable(MagickWand *picture)
{
    if (MagickGetImageColorspace(picture) != GRAYColorspace)
        return;
    MagickTransformImageColorspace(picture, sRGBColorspace);
    // The reader's "greyscale" type survives the transform, and the JPEG writer
    // would go by it and write the coloured mark as grey.
    MagickSetImageType(picture, TrueColorType);
}
