// The driver: which rows and columns, the grid's position, files and failed writes.
#include "export/grid_export.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <iterator>

#include "base/files/file_ops.h"
#include "export/html_writer.h"
#include "export/rtf_writer.h"
#include "export/text_writers.h"
#include "export/xls_writer.h"
#include "memory_grid.h"
#include "support/temp_folder.h"
#include "support/failure_plan.h"

namespace sitora::gridexport {
namespace {

using test::MemoryGrid;

MemoryGrid Sample(int rows) {
    MemoryGrid grid;
    grid.AddColumn("a");
    grid.AddColumn("b");
    for (int i = 0; i < rows; ++i) grid.rows.push_back({std::to_string(i), std::string(300, 'x')});
    return grid;
}

const TGridExportClass kAllWriters[] = {&MakeWriter<TGridExportAsText>, &MakeWriter<TGridExportAsCSV>,
                                        &MakeWriter<TGridExportAsHTML>, &MakeWriter<TGridExportAsRTF>,
                                        &MakeWriter<TGridExportAsXLS>};

TEST(GridExport, TheGridKeepsItsCurrentRowAndControlsAreEnabledAgain) {
    MemoryGrid grid = Sample(30);
    test::TempFolder folder;
    for (auto [current, index, count] : {std::tuple{0, 0, 10}, {12, 3, 10}, {29, 9, 10}, {5, 5, 11}}) {
        for (TGridExportClass writer : kAllWriters) {
            grid.current = current;
            grid.visible_index = index;
            grid.visible_count = count;
            SaveGridToExportFile(writer, grid, folder / "out", true);
            EXPECT_EQ(grid.current, current);
            EXPECT_EQ(grid.disabled, 0);
        }
    }
}

TEST(GridExport, AnExistingFileIsReplacedWhole) {
    MemoryGrid grid = Sample(1);
    test::TempFolder folder;
    test::WriteFile(folder / "out.txt", std::string(10000, 'o'));
    SaveGridToExportFile(&MakeWriter<TGridExportAsText>, grid, folder / "out.txt", true);
    EXPECT_EQ(test::ReadFile(folder / "out.txt"), "a\tb\r\n0\t" + std::string(300, 'x'));
}

TEST(GridExport, AFileThatCannotBeCreatedIsAnError) {
    MemoryGrid grid = Sample(1);
    EXPECT_THROW(SaveGridToExportFile(&MakeWriter<TGridExportAsCSV>, grid, "/nonexistent/dir/out.csv", true),
                 ExportError);
}

TEST(GridExport, AFailureAtAnyWriteFlushOrRenameLeavesTheOldFileExactly) {
    MemoryGrid grid = Sample(2000);  // more than one buffer of output
    test::TempFolder folder;
    const std::string old_export(5000, 'o');
    for (TGridExportClass writer : kAllWriters) {
        test::WriteFile(folder / "out", old_export);
        bool written = false;
        for (int call = 1; !written && call < 50; ++call) {
            files::InjectFaultForTesting(call, ENOSPC);
            try {
                SaveGridToExportFile(writer, grid, folder / "out", true);
                written = true;
            } catch (const ExportError&) {
                EXPECT_EQ(test::ReadFile(folder / "out"), old_export) << call;
            }
            files::ClearFaultsForTesting();
            EXPECT_EQ(grid.disabled, 0);
            // Nothing half-written stays beside it.
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << call;
        }
        EXPECT_TRUE(written);
        EXPECT_NE(test::ReadFile(folder / "out"), old_export);
    }
}

TEST(GridExport, OnlyARegularFileIsReplacedAndANewOneIsTheOwnersOnly) {
    MemoryGrid grid = Sample(1);
    test::TempFolder folder;
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_THROW(SaveGridToExportFile(&MakeWriter<TGridExportAsCSV>, grid, folder / "fifo", true), ExportError);
    EXPECT_THROW(SaveGridToExportFile(&MakeWriter<TGridExportAsCSV>, grid, folder.path(), true), ExportError);
    SaveGridToExportFile(&MakeWriter<TGridExportAsCSV>, grid, folder / "new.csv", true);
    struct stat st {};
    ASSERT_EQ(stat((folder / "new.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Through a link the file it names is replaced; the link stays a link.
    std::filesystem::create_symlink(folder / "new.csv", folder / "link.csv");
    SaveGridToExportFile(&MakeWriter<TGridExportAsText>, grid, folder / "link.csv", true);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.csv"));
    EXPECT_EQ(test::ReadFile(folder / "new.csv"), "a\tb\r\n0\t" + std::string(300, 'x'));
}

}  // namespace
}  // namespace sitora::gridexport
