// The driver: which rows and columns, the grid's position, files and failed writes.
#include "export/grid_export.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "app/files/file_ops.h"
#include "export/html_writer.h"
#include "export/rtf_writer.h"
#include "export/text_writers.h"
#include "export/xls_writer.h"
#include "memory_grid.h"
#include "support/temp_folder.h"

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

TEST(GridExport, EveryWriterReportsAFullDisk) {
    MemoryGrid grid = Sample(2000);  // more than one buffer of output
    test::TempFolder folder;
    for (TGridExportClass writer : kAllWriters) {
        for (int call = 1; call <= 2; ++call) {
            files::InjectFaultForTesting(call, ENOSPC, true);
            EXPECT_THROW(SaveGridToExportFile(writer, grid, folder / "out", true), ExportError) << call;
            files::ClearFaultsForTesting();
            EXPECT_EQ(grid.disabled, 0);
        }
    }
}

}  // namespace
}  // namespace sitora::gridexport
