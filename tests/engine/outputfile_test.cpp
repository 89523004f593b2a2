/*
 * The output file's naming memory on its own: many names in one folder and
 * one name in many folders, each given its free numbered names in turn, as
 * a long run of the batch worker gives them.
 */
#include "outputfile.h"

#include "zv_test.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace
{

/* Creates and publishes one empty output of leaf in folder; the name it
 * took, or "" on a failure. */
std::string publish(int folder, const std::string &leaf, outputfile_series_t *series)
{
    outputfile_t out;
    char published[256];
    bool ok = outputfile_create(&out, folder, leaf.c_str(), leaf.c_str(), series) == 0 &&
              outputfile_publish(&out, leaf.c_str(), published, sizeof published) == 0;
    outputfile_close(&out);
    return ok ? std::string(published) : std::string();
}

} // namespace

/* Past the table's first size (it grows as names come), every name still
 * goes on from its own last number, and the same name in another folder
 * from its own. */
TEST(OutputFileSeries, EachNameInEachFolderGoesOnFromItsOwnNumber)
{
    zvtest::TempDir dir;
    const int names = 300;
    const int folders = 3;
    std::vector<int> fds;
    for (int f = 0; f < folders; f++) {
        std::string path = dir.file("f" + std::to_string(f));
        ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
        int fd = outputfile_open_folder(path.c_str());
        ASSERT_GE(fd, 0);
        fds.push_back(fd);
    }
    /* A file already there makes a gap in one series. */
    ASSERT_TRUE(zvtest::write_file(dir.file("f1/n7(2).png"), std::string("someone's")));
    outputfile_series_t *series = outputfile_series_create();
    ASSERT_NE(series, nullptr);
    for (int round = 0; round < 4; round++)
        for (int f = 0; f < folders; f++)
            for (int i = 0; i < names; i++) {
                std::string leaf = "n" + std::to_string(i) + ".png";
                int number = round;
                if (f == 1 && i == 7 && round >= 2)
                    number++;
                std::string expected =
                    number == 0 ? leaf
                                : "n" + std::to_string(i) + "(" + std::to_string(number) + ").png";
                ASSERT_EQ(publish(fds[f], leaf, series), expected)
                    << "round " << round << ", folder " << f;
            }
    outputfile_series_destroy(series);
    for (int fd : fds)
        close(fd);
}
