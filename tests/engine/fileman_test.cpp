/*
 * The source file list: insertion order under each sort type, view indices in
 * both directions, growth, removal, duplicate paths and the current index.
 */
#include "fileman.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <stdlib.h>

namespace
{

struct Entry {
    const char *path;
    uint32_t size;
    int32_t mtime;
};

const Entry k_entries[] = {
    {"/p/c.jpg", 300, 20}, {"/p/a.jpg", 100, 30}, {"/p/B.jpg", 200, 10}, {"/p/d.jpg", 50, 20}};

std::vector<std::string> view(fileman_t *list)
{
    std::vector<std::string> paths;
    for (int i = 0; i < fileman_count(list); i++)
        paths.push_back(fileman_get(list, i)->path);
    return paths;
}

struct ListGuard {
    fileman_t *list = fileman_create();
    ~ListGuard()
    {
        fileman_destroy(list);
    }
};

} // namespace

TEST(Fileman, AddKeepsTheOrderOfEachSortTypeInBothDirections)
{
    typedef std::vector<std::string> Paths;
    struct Case {
        int sort;
        int descending;
        Paths expected;
    } cases[] = {
        {FILEMAN_SORT_NONE, 0, {"/p/c.jpg", "/p/a.jpg", "/p/B.jpg", "/p/d.jpg"}},
        /* Byte order: capital letters come first. */
        {FILEMAN_SORT_NAME, 0, {"/p/B.jpg", "/p/a.jpg", "/p/c.jpg", "/p/d.jpg"}},
        {FILEMAN_SORT_NAME, 1, {"/p/d.jpg", "/p/c.jpg", "/p/a.jpg", "/p/B.jpg"}},
        /* Equal dates keep insertion order: c before d. */
        {FILEMAN_SORT_DATE, 0, {"/p/B.jpg", "/p/c.jpg", "/p/d.jpg", "/p/a.jpg"}},
        {FILEMAN_SORT_DATE, 1, {"/p/a.jpg", "/p/d.jpg", "/p/c.jpg", "/p/B.jpg"}},
        {FILEMAN_SORT_SIZE, 0, {"/p/d.jpg", "/p/a.jpg", "/p/B.jpg", "/p/c.jpg"}},
        {FILEMAN_SORT_SIZE, 1, {"/p/c.jpg", "/p/B.jpg", "/p/a.jpg", "/p/d.jpg"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "sort " << c.sort << " descending " << c.descending);
        ListGuard g;
        ASSERT_NE(g.list, nullptr);
        ASSERT_EQ(fileman_sort(g.list, c.sort, c.descending), 0);
        for (const Entry &e : k_entries) {
            int v = fileman_add(g.list, e.path, e.size, e.mtime);
            ASSERT_GE(v, 0);
            /* The returned view index addresses the entry just added. */
            EXPECT_STREQ(fileman_get(g.list, v)->path, e.path);
            EXPECT_EQ(fileman_get(g.list, v)->checked, 0);
            EXPECT_EQ(fileman_get(g.list, v)->thumbnail, nullptr);
        }
        EXPECT_EQ(view(g.list), c.expected);
    }
}

TEST(Fileman, ReturnedViewIndexUnderDescendingNameOrder)
{
    ListGuard g;
    fileman_sort(g.list, FILEMAN_SORT_NAME, 1);
    EXPECT_EQ(fileman_add(g.list, "/b", 0, 0), 0);
    EXPECT_EQ(fileman_add(g.list, "/c", 0, 0), 0);
    /* First in ascending storage order, so last in the view. */
    EXPECT_EQ(fileman_add(g.list, "/a", 0, 0), 2);
}

TEST(Fileman, SamePathUnderNameOrderIsListedOnce)
{
    ListGuard g;
    fileman_sort(g.list, FILEMAN_SORT_NAME, 0);
    int first = fileman_add(g.list, "/p/x.jpg", 1, 1);
    fileman_add(g.list, "/p/a.jpg", 1, 1);
    int again = fileman_add(g.list, "/p/x.jpg", 9, 9);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(again, 1);
    EXPECT_EQ(fileman_count(g.list), 2);
    EXPECT_EQ(fileman_get(g.list, 1)->size, 1u);

    /* Other orders do not look for duplicates. */
    fileman_sort(g.list, FILEMAN_SORT_SIZE, 0);
    fileman_add(g.list, "/p/x.jpg", 1, 1);
    EXPECT_EQ(fileman_count(g.list), 3);
}

TEST(Fileman, SortChangesOnlyWhenTheTypeChanges)
{
    ListGuard g;
    fileman_sort(g.list, FILEMAN_SORT_DATE, 0);
    for (const Entry &e : k_entries)
        fileman_add(g.list, e.path, e.size, e.mtime);
    /* Make the stored order disagree with the dates: a same-type sort must
     * leave it alone. */
    fileman_get(g.list, 0)->mtime = 99;
    fileman_sort(g.list, FILEMAN_SORT_DATE, 0);
    EXPECT_STREQ(fileman_get(g.list, 0)->path, "/p/B.jpg");

    fileman_sort(g.list, FILEMAN_SORT_SIZE, 0);
    EXPECT_EQ(view(g.list),
              (std::vector<std::string>{"/p/d.jpg", "/p/a.jpg", "/p/B.jpg", "/p/c.jpg"}));

    /* Type 0 only stores itself; descending flips the view at once. */
    fileman_sort(g.list, FILEMAN_SORT_NONE, 1);
    int sort = -1, descending = -1;
    fileman_get_sort(g.list, &sort, &descending);
    EXPECT_EQ(sort, FILEMAN_SORT_NONE);
    EXPECT_EQ(descending, 1);
    EXPECT_EQ(view(g.list),
              (std::vector<std::string>{"/p/c.jpg", "/p/B.jpg", "/p/a.jpg", "/p/d.jpg"}));
}

TEST(Fileman, GrowsPastTheInitialSlots)
{
    ListGuard g;
    EXPECT_EQ(g.list->capacity, 256);
    for (int i = 0; i < 257; i++) {
        std::string path = "/f/" + std::to_string(i);
        ASSERT_EQ(fileman_add(g.list, path.c_str(), (uint32_t)i, i), i);
    }
    EXPECT_EQ(g.list->capacity, 512);
    EXPECT_EQ(fileman_count(g.list), 257);
    EXPECT_STREQ(fileman_get(g.list, 256)->path, "/f/256");
    EXPECT_STREQ(fileman_get(g.list, 0)->path, "/f/0");
}

TEST(Fileman, RemoveGetAndBounds)
{
    ListGuard g;
    for (const Entry &e : k_entries)
        fileman_add(g.list, e.path, e.size, e.mtime);
    fileman_sort(g.list, FILEMAN_SORT_NONE, 1);
    /* View 0 of a descending list is the entry stored last. */
    EXPECT_EQ(fileman_remove(g.list, 0), 0);
    EXPECT_EQ(view(g.list), (std::vector<std::string>{"/p/B.jpg", "/p/a.jpg", "/p/c.jpg"}));

    EXPECT_EQ(fileman_get(g.list, 3), nullptr);
    EXPECT_EQ(fileman_get(g.list, -1), nullptr);
    EXPECT_EQ(fileman_remove(g.list, 3), -1);
    EXPECT_EQ(fileman_remove(g.list, -1), -1);
    EXPECT_EQ(fileman_count(g.list), 3);

    char *copy = fileman_copy_path(g.list, 2);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "/p/c.jpg");
    free(copy);
    EXPECT_EQ(fileman_copy_path(g.list, 3), nullptr);

    EXPECT_EQ(fileman_clear(g.list), 0);
    EXPECT_EQ(fileman_count(g.list), 0);
    EXPECT_EQ(fileman_add(g.list, "/again", 1, 1), 0);
}

TEST(Fileman, CurrentIndexIsClampedAndSurvivesChanges)
{
    ListGuard g;
    fileman_set_current(g.list, 5);
    EXPECT_EQ(fileman_get_current(g.list), -1);
    for (int i = 0; i < 3; i++)
        fileman_add(g.list, ("/c/" + std::to_string(i)).c_str(), 0, 0);
    fileman_set_current(g.list, 99);
    EXPECT_EQ(fileman_get_current(g.list), 2);
    fileman_set_current(g.list, -4);
    EXPECT_EQ(fileman_get_current(g.list), 0);
    fileman_set_current(g.list, 1);
    fileman_add(g.list, "/c/3", 0, 0);
    fileman_remove(g.list, 0);
    fileman_sort(g.list, FILEMAN_SORT_NAME, 1);
    EXPECT_EQ(fileman_get_current(g.list), 1);
    fileman_clear(g.list);
    EXPECT_EQ(fileman_get_current(g.list), -1);
}

TEST(Fileman, NullListIsRefused)
{
    EXPECT_EQ(fileman_add(nullptr, "/x", 0, 0), -1);
    EXPECT_EQ(fileman_remove(nullptr, 0), -1);
    EXPECT_EQ(fileman_clear(nullptr), -1);
    EXPECT_EQ(fileman_sort(nullptr, 1, 0), -1);
    EXPECT_EQ(fileman_count(nullptr), 0);
    EXPECT_EQ(fileman_get(nullptr, 0), nullptr);
    int sort = 7;
    fileman_get_sort(nullptr, &sort, nullptr);
    EXPECT_EQ(sort, 7);
    fileman_destroy(nullptr);
}
