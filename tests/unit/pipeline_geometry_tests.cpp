#include "gtest.h"

#include <cmath>

#include "core/resize_geometry.h"

TEST(PipelineGeometry, RoundsHalfUpAndSurvivesBadNumbers)
{
    EXPECT_EQ(roundHalfUp(2.5), 3);
    EXPECT_EQ(roundHalfUp(2.4999), 2);
    EXPECT_EQ(roundHalfUp(0.0), 0);
    EXPECT_EQ(roundHalfUp(std::nan("")), 0);
    EXPECT_EQ(roundHalfUp(1e300), 2147483647);
}

TEST(PipelineGeometry, PixelResizeHonoursDirectionAndProportions)
{
    // Enlarge-only does not touch a wider picture; "both" does.
    EXPECT_FALSE(pixelResizePlan(400, 300, 0, 1, 300, true).resize);
    ResizePlan both = pixelResizePlan(400, 300, 0, 2, 300, true);
    EXPECT_TRUE(both.resize);
    EXPECT_EQ(both.width, 300);
    EXPECT_EQ(both.height, 225);
    // Shrink-only does not enlarge; equal size is no resize at all.
    EXPECT_FALSE(pixelResizePlan(400, 300, 0, 0, 500, true).resize);
    EXPECT_FALSE(pixelResizePlan(400, 300, 0, 2, 400, true).resize);
    // By height, without proportions: the width stays.
    ResizePlan tall = pixelResizePlan(400, 300, 1, 2, 600, false);
    EXPECT_EQ(tall.width, 400);
    EXPECT_EQ(tall.height, 600);
    // A very flat picture keeps at least one row.
    ResizePlan flat = pixelResizePlan(9000, 2, 0, 0, 10, true);
    EXPECT_EQ(flat.height, 1);

    for (int sizeType = 0; sizeType < 2; ++sizeType)
        for (int zoomType = 0; zoomType < 3; ++zoomType)
            for (int w = 1; w <= 3000; w += 137)
                for (int h = 1; h <= 3000; h += 211)
                    for (int n : {1, 10, 299, 750, 1024, 4000, 9999}) {
                        ResizePlan p = pixelResizePlan(w, h, sizeType, zoomType, n, true);
                        int given = sizeType ? h : w;
                        if (!p.resize) {
                            EXPECT_TRUE(n == given || (n < given && zoomType == 1) ||
                                        (n > given && zoomType == 0));
                            continue;
                        }
                        EXPECT_TRUE(n < given ? zoomType != 1 : zoomType != 0);
                        EXPECT_EQ(sizeType ? p.height : p.width, n);
                        EXPECT_GE(p.width, 1);
                        EXPECT_GE(p.height, 1);
                        // The other side follows the proportion to within half a pixel.
                        double exact = sizeType ? (double)n * w / h : (double)n * h / w;
                        int other = sizeType ? p.width : p.height;
                        if (exact >= 1.0) {
                            EXPECT_LE(std::fabs(other - exact), 0.5) << w << "x" << h << " -> " << n;
                        }
                    }
}

TEST(PipelineGeometry, PercentResizeCapsSidesAt9999)
{
    ResizePlan a = percentResizePlan(3000, 1000, 0, 500.0, true);
    EXPECT_EQ(a.width, 9999);
    EXPECT_EQ(a.height, 5000);
    ResizePlan b = percentResizePlan(2000, 1000, 0, 999.99f, true);
    EXPECT_EQ(b.width, 19998);
    EXPECT_EQ(b.height, 9999);
    ResizePlan c = percentResizePlan(1000, 2000, 1, 999.99f, true);
    EXPECT_EQ(c.width, 9999);
    EXPECT_EQ(c.height, 19998);
    ResizePlan d = percentResizePlan(640, 480, 0, 50.0, false);
    EXPECT_EQ(d.width, 320);
    EXPECT_EQ(d.height, 480);
    ResizePlan e = percentResizePlan(3, 1, 0, 1.0, true);
    EXPECT_EQ(e.width, 1);
    EXPECT_EQ(e.height, 1);

    for (int sizeType = 0; sizeType < 2; ++sizeType)
        for (int w = 1; w <= 12000; w += 457)
            for (int h = 1; h <= 12000; h += 611)
                for (double p : {1.0, 12.5, 50.0, 100.0, 333.33, 999.99}) {
                    ResizePlan r = percentResizePlan(w, h, sizeType, p, true);
                    ASSERT_TRUE(r.resize);
                    EXPECT_GE(r.width, 1);
                    EXPECT_GE(r.height, 1);
                    int given = sizeType ? r.height : r.width;
                    int other = sizeType ? r.width : r.height;
                    EXPECT_LE(other, 9999);
                    // The given side only passes 9999 when the other side was capped.
                    if (given > 9999) {
                        EXPECT_EQ(other, 9999);
                    }
                }
}

TEST(PipelineGeometry, InsideBorderKeepsThePictureSize)
{
    InsideBorderPlan p = insideBorderPlan(100, 80, 10, 5, false);
    EXPECT_EQ(p.cropWidth, 70);
    EXPECT_EQ(p.cropHeight, 50);
    EXPECT_EQ(p.x, 15);
    EXPECT_EQ(p.y, 15);
    EXPECT_EQ(p.borderSize, 10);
    EXPECT_EQ(p.padding, 5);

    // A picture too small for the frame: without resizing the crop is one pixel
    // from the middle; with resizing the fill and then the border are narrowed.
    InsideBorderPlan tiny = insideBorderPlan(20, 10, 8, 4, false);
    EXPECT_EQ(tiny.cropWidth, 1);
    EXPECT_EQ(tiny.cropHeight, 1);
    EXPECT_EQ(tiny.x, 12);
    EXPECT_EQ(tiny.y, 5);

    for (int w = 1; w <= 200; w += 3)
        for (int h = 1; h <= 200; h += 7)
            for (int s = 1; s <= 64; s += 9)
                for (int f = 0; f <= 64; f += 13) {
                    InsideBorderPlan q = insideBorderPlan(w, h, s, f, true);
                    ASSERT_GE(q.cropWidth, 1) << w << "x" << h << " s" << s << " f" << f;
                    ASSERT_GE(q.cropHeight, 1) << w << "x" << h << " s" << s << " f" << f;
                    EXPECT_GE(q.borderSize, 0);
                    EXPECT_GE(q.padding, 0);
                    int frame = 2 * (q.borderSize + q.padding);
                    // Whenever one pixel of picture is left, the framed result is
                    // exactly the original size.
                    if (w > 2 && h > 2) {
                        EXPECT_EQ(q.cropWidth + frame, w) << w << "x" << h << " s" << s << " f" << f;
                        EXPECT_EQ(q.cropHeight + frame, h) << w << "x" << h << " s" << s << " f" << f;
                    }
                    EXPECT_LE(q.x + q.cropWidth, w);
                    EXPECT_LE(q.y + q.cropHeight, h);
                    InsideBorderPlan big = insideBorderPlan(w + 300, h + 300, s, f, false);
                    EXPECT_EQ(big.cropWidth + 2 * (s + f), w + 300);
                }
}

TEST(PipelineGeometry, WatermarkOffsetsFollowThePositionCodes)
{
    Offset o = watermarkOffset(1000, 800, 200, 100, 2, 16, 2, 16);
    EXPECT_EQ(o.x, 784);
    EXPECT_EQ(o.y, 684);
    o = watermarkOffset(200, 100, 300, 20, 0, 99, 1, 7);
    EXPECT_EQ(o.x, -50);
    EXPECT_EQ(o.y, 7);
    // Odd differences truncate toward zero on both sides of the picture edge.
    EXPECT_EQ(watermarkOffset(200, 100, 301, 20, 0, 0, 0, 0).x, -50);
    EXPECT_EQ(watermarkOffset(201, 100, 100, 21, 0, 0, 0, 0).y, 39);
    // Distances from a damaged settings file do not overflow.
    EXPECT_EQ(watermarkOffset(100, 100, 10, 10, 2, 2147483647, 2, -2147483647 - 1).x, -2147483557);
    EXPECT_EQ(watermarkOffset(100, 100, 10, 10, 2, 2147483647, 2, -2147483647 - 1).y, 2147483647);
    for (int W = 1; W < 400; W += 13)
        for (int w = 1; w < 500; w += 29)
            for (int d = 0; d < 1000; d += 111) {
                EXPECT_EQ(watermarkOffset(W, W, w, w, 1, d, 1, d).x, d);
                EXPECT_EQ(watermarkOffset(W, W, w, w, 2, d, 2, d).y + w + d, W);
                Offset c = watermarkOffset(W, W, w, w, 0, d, 0, d);
                EXPECT_LE(std::abs(W - (2 * c.x + w)), 1);
            }
}

TEST(PipelineGeometry, ResolutionRules)
{
    // Pixels per centimetre become whole pixels per inch; nothing left becomes 72.
    ResolutionPlan p = resolutionPlan(kUnitsPerCentimetre, 28.35, 28.35, false, -1, false, 100, 100);
    EXPECT_TRUE(p.setUnits);
    EXPECT_EQ(p.units, kUnitsPerInch);
    EXPECT_EQ(p.x, 72.0);
    p = resolutionPlan(kUnitsPerCentimetre, 0.1, 0.1, false, -1, false, 100, 100);
    EXPECT_EQ(p.x, 72.0);
    p = resolutionPlan(kUnitsUndefined, 0.0, 0.0, false, -1, false, 100, 100);
    EXPECT_EQ(p.units, kUnitsPerInch);
    EXPECT_EQ(p.y, 72.0);
    p = resolutionPlan(kUnitsUndefined, 96.0, 0.0, false, -1, false, 100, 100);
    EXPECT_EQ(p.units, kUnitsUndefined);
    EXPECT_EQ(p.x, 96.0);
    p = resolutionPlan(kUnitsPerInch, 300.0, 240.0, false, -1, false, 100, 100);
    EXPECT_EQ(p.y, 240.0);
    EXPECT_FALSE(p.resample);
    p = resolutionPlan(7, 300.0, 240.0, false, -1, false, 100, 100);
    EXPECT_FALSE(p.setUnits || p.setResolution);

    // DPI switched on without a value: nothing at all.
    p = resolutionPlan(kUnitsPerInch, 72.0, 72.0, true, -1, true, 100, 100);
    EXPECT_FALSE(p.setUnits || p.setResolution || p.resample);
    // Without resampling only the numbers change.
    p = resolutionPlan(kUnitsPerInch, 72.0, 72.0, true, 300, false, 100, 100);
    EXPECT_EQ(p.x, 300.0);
    EXPECT_FALSE(p.resample);
    // Resampling starts from the working resolution (72 when undefined).
    p = resolutionPlan(kUnitsUndefined, 0.0, 0.0, true, 300, true, 100, 100);
    EXPECT_EQ(p.x, 72.0);
    EXPECT_TRUE(p.resample);
    EXPECT_EQ(p.resampleTo, 300.0);
    p = resolutionPlan(kUnitsPerCentimetre, 118.11, 118.11, true, 300, true, 100, 100);
    EXPECT_NEAR(p.x, 299.9994, 1e-3);
    EXPECT_TRUE(p.resample);
    p = resolutionPlan(kUnitsPerInch, 300.0, 300.0, true, 300, true, 100, 100);
    EXPECT_FALSE(p.resample);
    // The resampled size is worked out in floating point, far past any int.
    p = resolutionPlan(kUnitsPerInch, 1.0, 1.0, true, 65535, true, 40000, 30000);
    EXPECT_TRUE(p.resample);
    EXPECT_EQ(p.resampleWidth, 40000.0 * 65535);
    EXPECT_EQ(p.resampleHeight, 30000.0 * 65535);
    p = resolutionPlan(kUnitsPerCentimetre, 10.0, 20.0, true, 254, true, 100, 100);
    EXPECT_NEAR(p.resampleWidth, 1000.0, 1e-9);
    EXPECT_NEAR(p.resampleHeight, 500.0, 1e-9);
}

TEST(PipelineGeometry, CentimetreResolutionsAFileMayHold)
{
    // Whatever a file gives in dots per centimetre ends as whole dots per inch,
    // or 72; a value beyond the int range never reaches an int conversion (the
    // sanitizer build fails on one).
    const struct {
        double perCentimetre, perInch;
    } rows[] = {
        {118.11, 299.0},      {0.3937, 72.0},  {845000000.0, 2146300000.0}, {1.0e30, 72.0},
        {-1.0e30, 72.0},      {-5.0, 72.0},    {NAN, 72.0},                 {INFINITY, 72.0},
    };
    for (const auto &row : rows) {
        ResolutionPlan p = resolutionPlan(kUnitsPerCentimetre, row.perCentimetre, row.perCentimetre, false, -1, false,
                                          100, 100);
        EXPECT_EQ(p.x, row.perInch) << row.perCentimetre;
        EXPECT_EQ(p.y, row.perInch) << row.perCentimetre;
    }
}

TEST(PipelineGeometry, ExtentTexts)
{
    EXPECT_EQ(jpegExtentValue(128), "128kb");
    EXPECT_EQ(jpegExtentValue(0), "");
    EXPECT_EQ(jpegExtentValue(999998), "999998kb");
    EXPECT_EQ(jpegExtentValue(999999), "");
    EXPECT_EQ(jpegExtentValue(-5), "");
}
