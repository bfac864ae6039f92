#include "base/files/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "base/files/private_folder.h"
#include "support/temp_folder.h"

namespace sitora::files {
namespace {

TEST(SingleInstance, ASecondHolderIsRefusedUntilTheFirstEnds) {
    test::TempFolder folder;
    {
        SingleInstanceLock first(folder.path(), "Sitora");
        EXPECT_FALSE(first.AnotherCopyRuns());
        // Another process sees the lock.
        pid_t child = fork();
        if (child == 0) {
            SingleInstanceLock second(folder.path(), "Sitora");
            _exit(second.AnotherCopyRuns() ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    SingleInstanceLock again(folder.path(), "Sitora");
    EXPECT_FALSE(again.AnotherCopyRuns());
}

TEST(SingleInstance, ASecondStartAsksTheRunningCopyToShowItself) {
    test::TempFolder folder;
    EXPECT_FALSE(AskRunningCopyToShow(folder.path(), "Sitora"));  // nobody listens
    const int door = ListenForShowRequests(folder.path(), "Sitora");
    ASSERT_GE(door, 0);
    EXPECT_FALSE(TakeShowRequests(door));
    EXPECT_TRUE(AskRunningCopyToShow(folder.path(), "Sitora"));
    EXPECT_TRUE(TakeShowRequests(door));
    EXPECT_FALSE(TakeShowRequests(door));
    close(door);
}

TEST(SingleInstance, AnUnusableFolderLetsStartUpGoOn) {
    SingleInstanceLock lock("/nonexistent/folder", "Sitora");
    EXPECT_FALSE(lock.AnotherCopyRuns());
}

TEST(PrivateFolder, IsCreatedForThisUserOnly) {
    test::TempFolder folder;
    setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
    auto path = PrivateFolder();
    EXPECT_EQ(path, folder / "sitora");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A folder opened up by someone is closed again, and what was planted in it goes: a link
    // named like a transfer file must never lead a write elsewhere.
    test::WriteFile(folder / "victim", "kept");
    std::filesystem::create_symlink(folder / "victim", path / "passtemp.txt");
    chmod(path.c_str(), 0777);
    PrivateFolder();
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(std::filesystem::is_empty(path));
    EXPECT_EQ(test::ReadFile(folder / "victim"), "kept");
    unsetenv("XDG_RUNTIME_DIR");

    // Without a runtime folder it lies under the user's home, never in a shared /tmp.
    setenv("XDG_STATE_HOME", (folder / "state").c_str(), 1);
    EXPECT_EQ(PrivateFolder(), folder / "state" / "sitora");
    unsetenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    setenv("HOME", folder.path().c_str(), 1);
    EXPECT_EQ(PrivateFolder(), folder / ".local" / "state" / "sitora");
    if (home) setenv("HOME", home, 1);
}

}  // namespace
}  // namespace sitora::files
