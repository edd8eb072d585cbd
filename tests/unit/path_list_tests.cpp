#include "gtest.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "util/path_list.h"

static std::vector<std::string> texts(const PathList *list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count; ++i)
        out.push_back(list->text(i) ? list->text(i) : "<null>");
    return out;
}

TEST(PathList, SizesBelowOneBecomeTenAndTheEleventhItemGrowsByTheStep)
{
    PathList *odd = PathList::create(0, -5);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->capacity, 10);
    EXPECT_EQ(odd->growth, 10);
    EXPECT_EQ(odd->count, 0);
    odd->destroy(false);

    PathList *list = PathList::createDefault();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(list->appendCopy(std::to_string(i).c_str()), i + 1);
    EXPECT_EQ(list->capacity, 10);
    EXPECT_EQ(list->appendCopy("10"), 11);
    EXPECT_EQ(list->capacity, 20);
    // Growing keeps every item in its place.
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(std::string(list->text(i)), std::to_string(i));

    PathList *custom = PathList::create(2, 3);
    for (int i = 0; i < 6; ++i)
        custom->appendCopy("x");
    EXPECT_EQ(custom->capacity, 8);  // 2, then 5, then 8: never shrinks, grows by the step
    custom->destroy(true);
    list->destroy(true);
}

TEST(PathList, InsertAtClampsTheIndexAndShiftsLaterItems)
{
    PathList *list = PathList::createDefault();
    list->appendCopy("b");
    list->appendCopy("c");
    EXPECT_TRUE(list->insertAt(-3, strdup("a")));
    EXPECT_TRUE(list->insertAt(7, strdup("z")));
    EXPECT_TRUE(list->insertAt(3, strdup("y")));
    EXPECT_EQ(texts(list), (std::vector<std::string>{"a", "b", "c", "y", "z"}));
    // Inserting into a full list grows it first.
    PathList *full = PathList::create(2, 1);
    full->appendCopy("1");
    full->appendCopy("3");
    EXPECT_TRUE(full->insertAt(1, strdup("2")));
    EXPECT_EQ(texts(full), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(full->capacity, 3);
    full->destroy(true);
    list->destroy(true);
}

TEST(PathList, OutOfRangeIndexesReturnNothingAndChangeNothing)
{
    PathList *list = PathList::createDefault();
    list->appendCopy("a");
    list->appendCopy("b");
    EXPECT_EQ(list->get(2), nullptr);
    EXPECT_EQ(list->get(-1), nullptr);
    EXPECT_EQ(list->removeAt(2), nullptr);
    EXPECT_EQ(list->removeAt(-1), nullptr);
    char *stray = strdup("stray");
    EXPECT_EQ(list->setAt(5, stray), 5);
    EXPECT_EQ(list->setAt(-1, stray), -1);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"a", "b"}));
    char *b = strdup("B");
    char *oldB = static_cast<char *>(list->get(1));
    EXPECT_EQ(list->setAt(1, b), 1);
    EXPECT_EQ(list->get(1), b);
    free(oldB);
    EXPECT_EQ(list->removeAt(1), b);  // removeAt hands the item back
    free(b);
    free(stray);
    EXPECT_EQ(list->count, 1);
    EXPECT_EQ(list->items[1], nullptr);  // the freed last slot is cleared
    list->destroy(true);
}

TEST(PathList, FindRemoveAndEqualityFunctions)
{
    PathList *list = PathList::createDefault();
    for (const char *t : {"x", "y", "x", "z"})
        list->appendCopy(t);
    EXPECT_EQ(list->find("x", PathList::sameText), 0);
    EXPECT_EQ(list->findLast("x", PathList::sameText), 2);
    EXPECT_EQ(list->contains("z", PathList::sameText), 1);
    EXPECT_EQ(list->contains("X", PathList::sameText), 0);  // exact bytes, case counts
    EXPECT_EQ(list->removeFirst("absent", PathList::sameText), -1);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"x", "y", "x", "z"}));

    char *removed = static_cast<char *>(list->get(1));
    EXPECT_EQ(list->removeFirst("y", PathList::sameText), 1);
    EXPECT_STREQ(removed, "y");  // the item itself is not released
    free(removed);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"x", "x", "z"}));
    EXPECT_EQ(list->items[3], nullptr);

    EXPECT_TRUE(PathList::sameText(nullptr, nullptr));
    EXPECT_FALSE(PathList::sameText("a", nullptr));
    int a = 7, b = 7, c = 8;
    EXPECT_TRUE(PathList::sameInt(&a, &b));
    EXPECT_FALSE(PathList::sameInt(&a, &c));
    EXPECT_FALSE(PathList::sameInt(&a, nullptr));

    PathList *numbers = PathList::createDefault();
    numbers->append(&a);
    numbers->append(&c);
    int probe = 8;
    EXPECT_EQ(numbers->find(&probe, PathList::sameInt), 1);
    numbers->destroy(false);
    list->destroy(true);
}

TEST(PathList, ClearWithoutReleaseLeavesTheItemsToTheCaller)
{
    std::vector<char *> owned;
    PathList *list = PathList::createDefault();
    for (int i = 0; i < 25; ++i) {
        owned.push_back(strdup("kept"));
        list->append(owned.back());
    }
    list->clear(false);
    EXPECT_EQ(list->count, 0);
    EXPECT_GE(list->capacity, 25);
    for (int i = 0; i < list->capacity; ++i)
        EXPECT_EQ(list->items[i], nullptr);
    for (char *p : owned)
        EXPECT_STREQ(p, "kept");  // still valid: the list did not release them
    // The list stays usable after a clear.
    list->appendCopy("again");
    EXPECT_EQ(texts(list), (std::vector<std::string>{"again"}));
    // destroy with release frees each item exactly once (a double free aborts the process).
    for (char *p : owned)
        list->append(p);
    EXPECT_EQ(list->destroy(true), nullptr);
}
