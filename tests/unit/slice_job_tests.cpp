// The slice tool without its window: the grid, the tile and page names, and real
// slices of a real photo that reassemble to the source (convert-im6.q16
// +append/-append), with the page parsed and every address followed.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include "pipeline_test_support.h"
#include "tools/slice/slice_job.h"
#include "util/text.h"

namespace {

SliceDivision count(int n) { return {true, true, n, 0}; }
SliceDivision pixels(int p) { return {true, false, 0, p}; }

std::vector<int> lengths(int size, const SliceDivision &d)
{
    std::vector<int> out;
    int next = 0;
    for (const SliceSpan &s : sliceSpans(size, d)) {
        EXPECT_EQ(s.start, next) << "spans follow each other";
        next = s.start + s.length;
        out.push_back(s.length);
    }
    EXPECT_EQ(next, size) << "spans cover the side";
    return out;
}

}  // namespace

TEST(SliceGrid, SpansAndNames)
{
    struct Case {
        int size;
        SliceDivision division;
        std::vector<int> lengths;
    } cases[] = {
        {10, SliceDivision(), {10}},
        {10, count(3), {4, 3, 3}},
        {100, count(3), {34, 33, 33}},
        {10, pixels(4), {4, 4, 2}},
        {10, count(20), std::vector<int>(10, 1)},
        {10, pixels(20), {10}},
        {7, count(7), std::vector<int>(7, 1)},
        {11, count(4), {3, 3, 3, 2}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(lengths(c.size, c.division), c.lengths) << c.size;

    EXPECT_EQ(sliceTileName("photo", 1, 3, ".jpg"), "photo-1.jpg");
    EXPECT_EQ(sliceTileName("photo", 5, 12, ".jpg"), "photo-05.jpg");
    EXPECT_EQ(sliceTileName("photo", 7, 100, ".png"), "photo-007.png");
    EXPECT_EQ(sliceTileName("photo", 12, 1000, ".jpg"), "photo-0012.jpg");
    EXPECT_EQ(sliceTileCollisionBase("photo", 5, 12), "photo- 5");
    EXPECT_EQ(sliceTileCollisionBase("photo", 5, 9), "photo-5");

    EXPECT_EQ(sliceTileAddress("a&b #1 素材", "a&b #1 素材-01.jpg"),
              "a%26b%20%231%20%E7%B4%A0%E6%9D%90/a%26b%20%231%20%E7%B4%A0%E6%9D%90-01.jpg");
    EXPECT_EQ(sliceTileAddress("100%?", "x(2).png"), "100%25%3F/x(2).png");
    EXPECT_EQ(slicePageHead("a&b", ".jpg"),
              "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\r\n"
              "<title>a&amp;b.jpg</title>\r\n</head>\r\n<body bgcolor=\"#FFFFFF\">\r\n"
              "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\">\r\n");
    EXPECT_EQ(slicePageCell("a/a-1.jpg", 4, 3), "<td><img src=\"a/a-1.jpg\" width=\"4\" height=\"3\"></td>\r\n");
}

TEST(SliceGrid, StartChecksInOrder)
{
    ScratchFolder dir("slice_checks");
    SliceDivisionInput off, empty{true, true, ""}, zero{true, false, "0"}, ok{true, true, "3"};
    EXPECT_STREQ(sliceStartProblem("", 15, ok, off).text, "源图片文件夹不能为空");
    EXPECT_STREQ(sliceStartProblem(dir / "none", 15, ok, off).text, "选择的【源图片文件夹】不存在");
    EXPECT_STREQ(sliceStartProblem(dir.path(), 0, ok, off).text, "加载的图片类型至少选择一项");
    SliceProblem p = sliceStartProblem(dir.path(), 15, off, off);
    EXPECT_STREQ(p.title, "看这里");
    EXPECT_STREQ(p.text, "【水平划分】与【垂直划分】至少勾选一项");
    p = sliceStartProblem(dir.path(), 15, empty, ok);
    EXPECT_EQ(p.field, SliceField::Horizontal);
    EXPECT_STREQ(p.text, "这里不能为空");
    p = sliceStartProblem(dir.path(), 15, ok, zero);
    EXPECT_EQ(p.field, SliceField::Vertical);
    EXPECT_STREQ(p.text, "这里不能小于1");
    EXPECT_TRUE(p.errorIcon);
    EXPECT_EQ(sliceStartProblem(dir.path(), 15, off, ok).field, SliceField::None);
}

namespace {

class SliceJobTest : public testing::Test {
protected:
    ScratchFolder root{"slice_test"};
    std::string src = root / "C# 素材";
    std::string out = root / "C# 素材_处理后";
    std::string photoPath = src + "\\a&b #1.png";

    void SetUp() override
    {
        CreateDirectoryA(src.c_str(), nullptr);
        ASSERT_TRUE(runTool(root.path(), "/usr/bin/convert-im6.q16 " + unixPath(samplePath("photos/mate_Storm.jpg")) +
                                             " -resize 301x203! '" + unixPath(photoPath) + "'"));
    }
    ToolRunOutcome run(const SliceSettings &s, std::vector<BatchItemResult> &items)
    {
        SliceJob job;
        job.sourceFolder = src;
        job.outputFolder = out;
        job.settings = s;
        BatchReport report;
        report.itemDone = [&](const BatchItemResult &r) { items.push_back(r); };
        return runSliceJob(job, report);
    }
    // Rows of tiles (names in the tile folder) put together again with convert, against the source.
    double reassembled(const std::vector<std::vector<std::string>> &rows)
    {
        std::string command = "/usr/bin/convert-im6.q16";
        for (const auto &row : rows) {
            command += " \\(";
            for (const std::string &name : row)
                command += " '" + unixPath(out + "\\a&b #1\\" + name) + "'";
            command += " +append \\)";
        }
        std::string joined = root / "joined.png";
        if (!runTool(root.path(), command + " -append " + unixPath(joined)))
            return 999;
        return largestFileDifference(joined, photoPath);
    }
    // Parses the page with Python's HTML parser; every src, decoded, names a file beside it.
    bool pageResolves(const std::string &page, int cells, const std::string &title)
    {
        std::string script = root / "check.py";
        writeFileBytes(script,
                       "import sys, os, html.parser, urllib.parse\n"
                       "page, cells, title = sys.argv[1], int(sys.argv[2]), sys.argv[3]\n"
                       "class P(html.parser.HTMLParser):\n"
                       "    srcs = []; t = ''; intitle = False\n"
                       "    def handle_starttag(self, tag, a):\n"
                       "        if tag == 'img': self.srcs.append(dict(a)['src'])\n"
                       "        self.intitle = tag == 'title'\n"
                       "    def handle_endtag(self, tag):\n"
                       "        self.intitle = False\n"
                       "    def handle_data(self, d):\n"
                       "        if self.intitle: self.t += d\n"
                       "p = P(convert_charrefs=True); p.feed(open(page, encoding='gbk').read())\n"
                       "ok = len(p.srcs) == cells and p.t == title\n"
                       "for s in p.srcs:\n"
                       "    f = os.path.join(os.path.dirname(page), urllib.parse.unquote(s))\n"
                       "    ok = ok and '/' in s and not s.startswith('/') and os.path.isfile(f)\n"
                       "sys.exit(0 if ok else 1)\n");
        return runTool(root.path(),
                       "python3 " + unixPath(script) + " '" + unixPath(page) + "' " + formatText("%d", cells) + " '" +
                           title + "'");
    }
};

}  // namespace

TEST_F(SliceJobTest, TilesReassembleToTheSourceAndThePageFindsThem)
{
    SliceSettings s;
    s.output.format = OutputFormat::Png;
    s.horizontal = count(2);
    s.vertical = count(2);
    std::vector<BatchItemResult> items;
    ToolRunOutcome o = run(s, items);
    ASSERT_EQ(o.end, ToolRunEnd::Completed) << o.message;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].target, out + "\\a&b #1.html");
    EXPECT_EQ(folderEntries(out + "\\a&b #1"),
              (std::vector<std::string>{"a&b #1-1.png", "a&b #1-2.png", "a&b #1-3.png", "a&b #1-4.png"}));
    EXPECT_EQ(identifyFirstImage(out + "\\a&b #1\\a&b #1-1.png", "%w %h"), "151 102") << "the taller, wider first";
    EXPECT_EQ(identifyFirstImage(out + "\\a&b #1\\a&b #1-4.png", "%w %h"), "150 101");
    EXPECT_EQ(reassembled({{"a&b #1-1.png", "a&b #1-2.png"}, {"a&b #1-3.png", "a&b #1-4.png"}}), 0.0);
    std::string page = readFileBytes(out + "\\a&b #1.html");
    EXPECT_EQ(page.find(slicePageHead("a&b #1", ".png")), 0u);
    EXPECT_NE(page.find("<tr>\r\n<td><img src=\"a%26b%20%231/a%26b%20%231-1.png\" width=\"151\" height=\"102\"></td>"
                        "\r\n<td><img src=\"a%26b%20%231/a%26b%20%231-2.png\" width=\"150\" height=\"102\"></td>\r\n"
                        "</tr>\r\n"),
              std::string::npos);
    EXPECT_TRUE(endsWith(page, "</tr>\r\n</table>\r\n</body>\r\n</html>"));
    EXPECT_TRUE(pageResolves(out + "\\a&b #1.html", 4, "a&b #1.png"));

    // A second run into the same folder numbers the tiles and the page.
    items.clear();
    run(s, items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].target, out + "\\a&b #1(2).html");
    EXPECT_TRUE(pathExists(out + "\\a&b #1\\a&b #1-4(2).png"));
    EXPECT_NE(readFileBytes(out + "\\a&b #1(2).html").find("a%26b%20%231-4(2).png"), std::string::npos);
    EXPECT_TRUE(pageResolves(out + "\\a&b #1(2).html", 4, "a&b #1.png"));
}

TEST_F(SliceJobTest, ThreeByFiveByPixelsAndCountWithACollision)
{
    SliceSettings s;
    s.output.format = OutputFormat::Png;
    s.horizontal = count(3);  // rows 68, 68, 67
    s.vertical = pixels(61);  // columns 61 x 4 and 57
    CreateDirectoryA(out.c_str(), nullptr);
    CreateDirectoryA((out + "\\a&b #1").c_str(), nullptr);
    ASSERT_TRUE(writeFileBytes(out + "\\a&b #1\\a&b #1-05.png", "taken"));
    std::vector<BatchItemResult> items;
    ToolRunOutcome o = run(s, items);
    ASSERT_EQ(o.end, ToolRunEnd::Completed) << o.message;
    EXPECT_EQ(readFileBytes(out + "\\a&b #1\\a&b #1-05.png"), "taken") << "never replaced";
    EXPECT_EQ(identifyFirstImage(out + "\\a&b #1\\a&b #1- 5(2).png", "%w %h"), "57 68");
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < 3; ++r) {
        rows.push_back({});
        for (int c = 1; c <= 5; ++c) {
            int n = r * 5 + c;
            rows.back().push_back(n == 5 ? "a&b #1- 5(2).png" : formatText("a&b #1-%02d.png", n));
        }
    }
    EXPECT_EQ(reassembled(rows), 0.0);
    EXPECT_TRUE(pageResolves(out + "\\a&b #1.html", 15, "a&b #1.png"));
}

TEST_F(SliceJobTest, APictureThatFailsPartWayLeavesNoneOfItsTiles)
{
    // The fourth of six tiles cannot be written: its name is taken and the
    // numbered name no longer fits the path limit. The three before it go again.
    const size_t fixed = out.size() + 8;  // "\\" stem "\\" stem "-N.png"
    const std::string stem(((259 - fixed) / 2), 's');
    ASSERT_TRUE(copyFileTo(photoPath, src + "\\" + stem + ".png"));
    DeleteFileA(photoPath.c_str());
    const std::string tiles = out + "\\" + stem;
    ASSERT_GE((tiles + "\\" + stem + "-1.png").size(), 257u);
    ASSERT_LE((tiles + "\\" + stem + "-1.png").size(), 259u);
    CreateDirectoryA(out.c_str(), nullptr);
    CreateDirectoryA(tiles.c_str(), nullptr);
    ASSERT_TRUE(writeFileBytes(tiles + "\\" + stem + "-4.png", "taken"));
    SliceSettings s;
    s.output.format = OutputFormat::Png;
    s.horizontal = count(2);
    s.vertical = count(3);
    std::vector<BatchItemResult> items;
    ToolRunOutcome o = run(s, items);
    EXPECT_EQ(o.end, ToolRunEnd::Completed) << o.message;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].status, ItemStatus::Failed);
    EXPECT_EQ(items[0].reason.find("目标文件名太长"), 0u) << items[0].reason;
    EXPECT_EQ(folderEntries(tiles), (std::vector<std::string>{stem + "-4.png"})) << "only what was there before";
    EXPECT_EQ(folderEntries(out), (std::vector<std::string>{stem + "\\"})) << "no page";
}

TEST_F(SliceJobTest, AnAbsurdGridIsRefusedBeforeAnyTile)
{
    SliceSettings s;
    s.horizontal = pixels(1);
    s.vertical = pixels(1);
    std::vector<BatchItemResult> items;
    ToolRunOutcome o = run(s, items);
    EXPECT_EQ(o.end, ToolRunEnd::Completed);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].status, ItemStatus::Failed);
    EXPECT_EQ(items[0].reason.find("切片太多 (301 x 203 = 61103 个，每张图片最多 9999 个)"), 0u) << items[0].reason;
    EXPECT_EQ(folderEntries(out), std::vector<std::string>{}) << "no tile, no page";
}
