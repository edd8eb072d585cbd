#include "gtest.h"

#include <windows.h>
#include <string>

#include "input/image_list.h"
#include "test_util.h"
#include "util/text.h"

// Rotation and flip commands --------------------------------------------------

struct Turned {
    int rotation = 0, flip = 0;
    Turned &operator<<(TurnCommand c)
    {
        applyTurn(c, &rotation, &flip);
        return *this;
    }
};

TEST(ImageListTurns, RotationsAccumulateModulo360)
{
    Turned t;
    t << TurnCommand::RotateRight << TurnCommand::RotateRight << TurnCommand::RotateRight << TurnCommand::RotateLeft;
    EXPECT_EQ(t.rotation, 180);
    EXPECT_EQ(t.flip, 0);
    Turned u;
    u << TurnCommand::RotateLeft;
    EXPECT_EQ(u.rotation, 270);
    for (int i = 0; i < 7; ++i)
        u << TurnCommand::RotateLeft;
    EXPECT_EQ(u.rotation, 0);
}

TEST(ImageListTurns, FlipsUndoThemselvesAndTurnRotationAround)
{
    Turned h;
    h << TurnCommand::RotateRight << TurnCommand::FlipHorizontal;
    EXPECT_EQ(h.flip, 1);
    EXPECT_EQ(h.rotation, 270);
    h << TurnCommand::FlipHorizontal;
    EXPECT_EQ(h.flip, 0);
    EXPECT_EQ(h.rotation, 90);

    Turned v;
    v << TurnCommand::FlipVertical;
    EXPECT_EQ(v.flip, 2);
    EXPECT_EQ(v.rotation, 0);
    v << TurnCommand::FlipVertical;
    EXPECT_EQ(v.flip, 0);

    // A mirrored picture turns the other way round: left adds 90, right 270.
    Turned m;
    m << TurnCommand::FlipHorizontal << TurnCommand::RotateLeft;
    EXPECT_EQ(m.rotation, 270);  // 180 + 90
    m << TurnCommand::RotateRight;
    EXPECT_EQ(m.rotation, 180);
    Turned mv;
    mv << TurnCommand::FlipVertical << TurnCommand::FlipHorizontal;
    EXPECT_EQ(mv.flip, 0);
    EXPECT_EQ(mv.rotation, 180);
}

// Paths and duplicates ------------------------------------------------------------

class ImageListPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(folder.path().empty());
        ASSERT_TRUE(CreateDirectoryA((folder / "Sub").c_str(), nullptr));
        ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), folder / "Sub\\Photo.jpg"));
        ASSERT_TRUE(copyFileTo(samplePath("formats/png/go_basn3p08_trns.png"), folder / "Sub\\other.png"));
    }
    ScratchFolder folder{"velmora_list"};
};

TEST_F(ImageListPaths, OneFileUnderManySpellingsIsListedOnce)
{
    ImageList list;
    std::string real = folder / "Sub\\Photo.jpg";
    ASSERT_NE(list.append(real, ""), nullptr);

    std::string lower = toLowerAscii(folder / "sub\\photo.JPG");
    std::string dotted = folder / "Sub\\.\\..\\Sub\\Photo.jpg";
    std::string slashes = replaceAll(real, "\\", "/");
    EXPECT_EQ(list.append(lower, ""), nullptr) << lower;
    EXPECT_EQ(list.append(dotted, ""), nullptr) << dotted;
    EXPECT_EQ(list.append(slashes, ""), nullptr) << slashes;
    EXPECT_TRUE(list.containsPath(lower));

    // Relative to the current folder.
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA((folder / "Sub").c_str()));
    EXPECT_EQ(list.append("PHOTO.jpg", ""), nullptr);
    ImageItem *other = list.append("other.png", "Sub");
    SetCurrentDirectoryA(saved);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(std::string(other->path), folder / "Sub\\other.png");
    EXPECT_STREQ(other->name, "other.png");
    EXPECT_STREQ(other->relFolder, "Sub");
    EXPECT_EQ(list.count(), 2);
    std::string why;
    EXPECT_TRUE(list.selfCheck(&why)) << why;
}

TEST_F(ImageListPaths, ChinesePathsCompareWithoutFoldingTrailBytes)
{
    // "图" is D0 CD in GBK and "片" is C6 AC: trail bytes in the ASCII letter range
    // must not be case-folded, and two different names must stay different.
    ScratchFolder cn("图片列表_测试");
    ASSERT_FALSE(cn.path().empty());
    ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), cn / "图片A.jpg"));
    ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), cn / "图片b.jpg"));
    ImageList list;
    ImageItem *a = list.append(cn / "图片A.jpg", "");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->name, "图片A.jpg");
    EXPECT_EQ(list.append(cn / "图片a.JPG", ""), nullptr);
    EXPECT_NE(list.append(cn / "图片b.jpg", ""), nullptr);
    EXPECT_NE(picturePathKey(cn / "图片A.jpg"), picturePathKey(cn / "图片b.jpg"));
}

TEST_F(ImageListPaths, RemovedPathsCanComeBackAndSequenceRestartsAfterClear)
{
    ImageList list;
    ImageItem *a = list.append(folder / "Sub\\Photo.jpg", "");
    ImageItem *b = list.append(folder / "Sub\\other.png", "");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->seq, 0);
    EXPECT_EQ(b->seq, 1);
    EXPECT_EQ(a->imageIndex, -1);
    EXPECT_NE(a->id, b->id);

    list.removeAt(0);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0), b);
    ImageItem *again = list.append(folder / "Sub\\Photo.jpg", "");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->seq, 2);
    EXPECT_EQ(list.at(1), again);

    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(list.containsPath(folder / "Sub\\other.png"));
    ImageItem *fresh = list.append(folder / "Sub\\other.png", "");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->seq, 0);
    std::string why;
    EXPECT_TRUE(list.selfCheck(&why)) << why;
}

TEST_F(ImageListPaths, OverlongAndEmptyPathsAreRefused)
{
    ImageList list;
    EXPECT_EQ(list.append("", ""), nullptr);
    std::string longPath = folder.path() + "\\" + std::string(300, 'x') + ".jpg";
    EXPECT_EQ(list.append(longPath, ""), nullptr);
    EXPECT_EQ(list.count(), 0);
}

// Thumbnail jobs and stale results --------------------------------------------------

TEST_F(ImageListPaths, ThumbnailOfAnOldRotationIsThrownAway)
{
    ImageList list;
    list.append(folder / "Sub\\Photo.jpg", "");
    list.append(folder / "Sub\\other.png", "");
    ThumbnailJob job;
    ASSERT_TRUE(list.nextDueJob(0, &job));
    EXPECT_EQ(job.index, 0);

    list.turn(0, TurnCommand::RotateRight);  // the user turns the picture meanwhile
    int index = -1;
    EXPECT_FALSE(list.acceptThumbnail(job.id, job.generation, &index));
    EXPECT_EQ(list.at(0)->thumbDone, 0);

    ASSERT_TRUE(list.nextDueJob(0, &job));
    EXPECT_EQ(job.rotation, 90);
    EXPECT_TRUE(list.acceptThumbnail(job.id, job.generation, &index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(list.at(0)->thumbDone, 1);

    // Done items are skipped; a removed item's result finds nothing.
    ASSERT_TRUE(list.nextDueJob(0, &job));
    EXPECT_EQ(job.index, 1);
    list.removeAt(1);
    EXPECT_FALSE(list.acceptThumbnail(job.id, job.generation, &index));
    EXPECT_FALSE(list.nextDueJob(0, &job));

    list.markStale(0);
    EXPECT_TRUE(list.nextDueJob(0, &job));
}
