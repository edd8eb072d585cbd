// Photos as people see them: the orientation tag applied wherever a picture is
// read, and the camera data written with a picture kept true to it. (The GPS
// removal and the kept dates are tested from the command line, orientation_cli.sh.)
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include "app/view_original.h"
#include "core/batch_loops.h"
#include "core/pipeline.h"
#include "imaging/camera_data.h"
#include "input/thumbnail_render.h"
#include "util/text.h"

namespace {

// Mean difference (0..255) a JPEG decoded at a smaller scale or encoded again
// stays under; the test below makes sure a photo turned the wrong way does not.
const double kJpegTolerance = 10.0;

std::string property(MagickWand *w, const char *name)
{
    char *value = MagickGetImageProperty(w, name);
    std::string text = value ? value : "";
    if (value)
        MagickRelinquishMemory(value);
    return text;
}

// The pictures ImageMagick's own tools make of a sample: as stored, turned by
// -auto-orient, and turned and shrunk to 300 wide.
struct References {
    std::string stored, upright, resized;
};
References makeReferences(const ScratchFolder &dir, const std::string &source)
{
    References r{dir / "stored.png", dir / "upright.png", dir / "resized.png"};
    const std::string in = "'" + unixPath(source) + "'";
    EXPECT_TRUE(runTool(dir.path(), "convert-im6.q16 " + in + " '" + unixPath(r.stored) + "'"));
    EXPECT_TRUE(runTool(dir.path(), "convert-im6.q16 " + in + " -auto-orient +repage '" + unixPath(r.upright) + "'"));
    EXPECT_TRUE(runTool(dir.path(), "convert-im6.q16 " + in + " -auto-orient +repage -resize '300x>' '" +
                                        unixPath(r.resized) + "'"));
    return r;
}

double thumbnailDifference(const std::string &a, bool autoOrientA, const std::string &b, int rotation = 0)
{
    MagickWand *x = nullptr, *y = nullptr;
    double d = 999;
    if (renderThumbnail(a.c_str(), 0, rotation, &x, nullptr, autoOrientA) == kThumbnailRendered &&
        renderThumbnail(b.c_str(), 0, rotation, &y, nullptr, false) == kThumbnailRendered)
        d = meanDifference(x, y);
    if (x)
        DestroyMagickWand(x);
    if (y)
        DestroyMagickWand(y);
    return d;
}

double fileDifference(const std::string &a, const std::string &b)
{
    MagickWand *x = readPicture(a), *y = readPicture(b);
    double d = x && y ? meanDifference(x, y) : 999;
    if (x)
        DestroyMagickWand(x);
    if (y)
        DestroyMagickWand(y);
    return d < 0 ? 999 : d;
}

BatchItem itemOf(const std::string &path, int rotation = 0, int flip = 0)
{
    BatchItem it;
    it.path = path;
    it.rotation = rotation;
    it.flip = flip;
    return it;
}

struct Sample {
    const char *file;
    bool turned;  // stored otherwise than shown (orientation 2..8)
    bool cameraTags;  // carries a camera model and a date taken
};
const Sample kSamples[] = {
    {"meta/vips_rotation_orient1.jpg", false, false},  {"meta/vips_rotation_orient2.jpg", true, false},
    {"meta/vips_rotation_orient3.jpg", true, false},   {"meta/vips_rotation_orient4.jpg", true, false},
    {"meta/vips_rotation_orient5.jpg", true, false},   {"meta/vips_rotation_orient6.jpg", true, false},
    {"meta/vips_rotation_orient7.jpg", true, false},   {"meta/vips_rotation_orient8.jpg", true, false},
    {"meta/exiv2_canon_300d_orient6.jpg", true, true}, {"meta/goexif_iphone4s_orient6_gps.jpg", true, true},
};

}  // namespace

TEST(PhotoOrientation, ThumbnailPreviewViewerAndBatchShowThePhotoAsPeopleSeeIt)
{
    for (const Sample &sample : kSamples) {
        SCOPED_TRACE(sample.file);
        const std::string source = samplePath(sample.file);
        ScratchFolder dir("orientation");
        References ref = makeReferences(dir, source);
        MagickWand *original = readPicture(source);
        ASSERT_TRUE(original);
        const std::string model = property(original, "exif:Model"), taken = property(original, "exif:DateTimeOriginal");
        DestroyMagickWand(original);
        if (sample.cameraTags)
            ASSERT_FALSE(model.empty() || taken.empty());

        // Thumbnails: turned with the switch on, as stored with it off; the
        // tolerance tells the two apart.
        EXPECT_LT(thumbnailDifference(source, true, ref.upright), kJpegTolerance);
        EXPECT_LT(thumbnailDifference(source, false, ref.stored), kJpegTolerance);
        if (sample.turned)
            EXPECT_GT(thumbnailDifference(source, false, ref.upright), 2 * kJpegTolerance);

        // The viewer's picture.
        ViewerSource shown = prepareViewerPicture(source, dir / "viewer.jpg", true);
        ASSERT_TRUE(shown.ok) << gbkToUtf8(shown.message);
        EXPECT_LT(fileDifference(shown.path, ref.upright), kJpegTolerance);

        ProcessSettings settings;
        settings.bSize = 1;
        settings.sizeValue = 300;
        PipelineInputs inputs;
        inputs.settings = &settings;

        // The preview's picture.
        PictureOutcome preview = processPicture(inputs, source, kPreviewTarget, 0, 0);
        ASSERT_EQ(preview.result, PictureResult::Picture);
        MagickWand *expected = readPicture(ref.resized);
        ASSERT_TRUE(expected);
        double d = meanDifference(preview.picture, expected);
        EXPECT_TRUE(d >= 0 && d < kJpegTolerance) << d;
        DestroyMagickWand(preview.picture);
        DestroyMagickWand(expected);

        // The batch, with the camera data kept and removed.
        for (int remove : {0, 1}) {
            settings.bRemovePhotoOtherInfo = remove;
            const std::string target = dir / formatText("out%d.jpg", remove);
            ItemOutcome out = processIntoTarget(inputs, itemOf(source), target);
            ASSERT_EQ(out.status, ItemStatus::Written) << gbkToUtf8(out.reason);
            EXPECT_LT(fileDifference(target, ref.resized), kJpegTolerance) << remove;
            MagickWand *written = readPicture(target);
            ASSERT_TRUE(written);
            const std::string orientation = property(written, "exif:Orientation");
            EXPECT_TRUE(orientation.empty() || orientation == "1") << orientation;
            EXPECT_EQ(property(written, "exif:thumbnail:JPEGInterchangeFormat"), "");
            EXPECT_EQ(hasProfile(written, "exif"), remove == 0);
            if (remove == 0) {
                EXPECT_EQ(property(written, "exif:Model"), model);
                EXPECT_EQ(property(written, "exif:DateTimeOriginal"), taken);
            }
            DestroyMagickWand(written);
        }
    }
}

TEST(PhotoOrientation, AReducedPhotoIsTurnedAfterItsReduction)
{
    // A photo of 800 x 600 stored lying on its side (orientation 6): 100 wide lets
    // libjpeg decode it at a quarter and the rows be reduced as they come, 300
    // wide only the reduction.
    ScratchFolder dir("orientation_reduced");
    const std::string lying = dir / "lying.jpg";
    ASSERT_TRUE(runTool(dir.path(), "convert-im6.q16 '" +
                                        unixPath(samplePath("meta/kphotoalbum_pool_olympus_icc.jpg")) +
                                        "' -orient RightTop '" + unixPath(lying) + "'"));
    ProcessSettings settings;
    settings.bSize = 1;
    PipelineInputs inputs;
    inputs.settings = &settings;
    for (int width : {100, 300}) {
        settings.sizeValue = width;
        const std::string ref = dir / formatText("ref%d.png", width), target = dir / formatText("out%d.jpg", width);
        ASSERT_TRUE(runTool(dir.path(), formatText("convert-im6.q16 '%s' -auto-orient +repage -resize %dx '%s'",
                                                   unixPath(lying).c_str(), width, unixPath(ref).c_str())));
        ASSERT_EQ(processIntoTarget(inputs, itemOf(lying), target).status, ItemStatus::Written);
        PictureInfo info = readPictureBack(target);
        EXPECT_EQ(info.width, (size_t)width);
        EXPECT_EQ(info.height, (size_t)width * 4 / 3);
        EXPECT_LT(fileDifference(target, ref), kJpegTolerance) << width;
    }
}

TEST(PhotoOrientation, TheListsTurnsActOnThePhotoAsShown)
{
    // Orientation 5 (a mirrored quarter turn) turned right and flipped: the
    // thumbnail and the written picture are ImageMagick's upright photo turned
    // and flipped the same way.
    const std::string source = samplePath("meta/vips_rotation_orient5.jpg");
    ScratchFolder dir("orientation_turns");
    const std::string upright = dir / "upright.png", turned = dir / "turned.png";
    ASSERT_TRUE(runTool(dir.path(), "convert-im6.q16 '" + unixPath(source) + "' -auto-orient +repage '" +
                                        unixPath(upright) + "'"));
    ASSERT_TRUE(runTool(dir.path(),
                        "convert-im6.q16 '" + unixPath(upright) + "' -rotate 90 -flip '" + unixPath(turned) + "'"));
    MagickWand *mine = nullptr, *theirs = nullptr;
    ASSERT_EQ(renderThumbnail(source.c_str(), 1, 90, &mine, nullptr, true), kThumbnailRendered);
    ASSERT_EQ(renderThumbnail(upright.c_str(), 1, 90, &theirs, nullptr, false), kThumbnailRendered);
    EXPECT_LT(meanDifference(mine, theirs), kJpegTolerance);
    DestroyMagickWand(mine);
    DestroyMagickWand(theirs);

    ProcessSettings settings;
    PipelineInputs inputs;
    inputs.settings = &settings;
    ASSERT_EQ(processIntoTarget(inputs, itemOf(source, 90, 1), dir / "out.jpg").status, ItemStatus::Written);
    EXPECT_LT(fileDifference(dir / "out.jpg", turned), kJpegTolerance);
}

TEST(CameraData, XmpLocationAndOrientationUnderAnyPrefix)
{
    struct Case {
        const char *name, *packet, *expected;
    };
    const Case cases[] = {
        {"attributes",
         "<rdf:Description xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" "
         "tiff:Orientation=\"6\" exif:GPSLatitude=\"59,19.9N\" exif:GPSLongitude='18,3.9E' "
         "exif:ExposureTime=\"1/50\"/>",
         "<rdf:Description xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" "
         "tiff:Orientation=\"1\" exif:ExposureTime=\"1/50\"/>"},
        {"elements under other prefixes",
         "<x xmlns:e=\"http://ns.adobe.com/exif/1.0/\" "
         "xmlns:t='http://ns.adobe.com/tiff/1.0/'><t:Orientation>8</t:Orientation>"
         "<e:GPSAltitude>29/1</e:GPSAltitude><e:GPSVersionID><rdf:Seq><rdf:li>2</rdf:li></rdf:Seq></e:GPSVersionID>"
         "<e:GPSMapDatum/><e:FNumber>12/5</e:FNumber></x>",
         "<x xmlns:e=\"http://ns.adobe.com/exif/1.0/\" "
         "xmlns:t='http://ns.adobe.com/tiff/1.0/'><t:Orientation>1</t:Orientation>"
         "<e:FNumber>12/5</e:FNumber></x>"},
        {"another namespace's GPS names stay", "<x xmlns:my=\"urn:mine\" my:GPSLatitude=\"1\"/>", nullptr},
    };
    CameraDataEdit edit;
    edit.orientation = 1;
    edit.dropLocation = true;
    for (const Case &c : cases) {
        std::string out;
        CameraDataResult result = editXmpPacket(c.packet, edit, out);
        if (!c.expected) {
            EXPECT_EQ(result, CameraDataResult::Unchanged) << c.name;
            continue;
        }
        EXPECT_EQ(result, CameraDataResult::Changed) << c.name;
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

TEST(CameraData, AnUnreadableExifBlockIsSaidSo)
{
    std::string out;
    CameraDataEdit edit;
    edit.dropThumbnail = true;
    for (const std::string &block : {std::string(), std::string("Exif\0\0", 6),
                                     std::string("Exif\0\0MM\0*\0\0\0\x08", 14), std::string(5000, '\xff')})
        EXPECT_EQ(editExifBlock(block, edit, out), CameraDataResult::Unreadable) << block.size();
}
