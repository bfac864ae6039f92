// The data key in the desktop's keyring: GNOME Keyring on a private session bus of the test's
// own. Skipped where dbus-daemon or gnome-keyring-daemon is not installed.
#include "protect/keyring.h"

#include <gtest/gtest.h>
#include <libsecret/secret.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "protect/data_key.h"
#include "support/temp_folder.h"

// GLib keeps its type system and the bus connection for the process's life, by design.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0\nleak:libgio-2.0\nleak:libgobject-2.0\nleak:libsecret-1\n";
}
#endif

namespace sitora::protect {
namespace {

// A session bus and an unlocked keyring in a folder of their own; ended with the test.
class PrivateKeyring {
public:
    PrivateKeyring() {
        if (std::system("command -v dbus-daemon gnome-keyring-daemon >/dev/null 2>&1") != 0) return;
        for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_DATA_HOME", "DBUS_SESSION_BUS_ADDRESS"})
            if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
        std::filesystem::permissions(home_.path(), std::filesystem::perms::owner_all);
        setenv("HOME", home_.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home_.path().c_str(), 1);
        setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
        FILE* bus = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char address[512] = {}, pid[32] = {};
        if (!bus || !std::fgets(address, sizeof address, bus) || !std::fgets(pid, sizeof pid, bus)) return;
        pclose(bus);
        address[std::strcspn(address, "\n")] = '\0';
        bus_pid_ = std::atoi(pid);
        setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
        ready_ = std::system("printf test | gnome-keyring-daemon --unlock --components=secrets --daemonize "
                             ">/dev/null 2>&1") == 0;
    }
    ~PrivateKeyring() {
        secret_service_disconnect();
        std::system("pkill -u \"$(id -u)\" -f 'gnome-keyring-daemon --unlock --components=secrets' 2>/dev/null");
        if (bus_pid_ > 0) kill(bus_pid_, SIGTERM);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    }
    bool Ready() const { return ready_; }

private:
    test::TempFolder home_;
    std::vector<std::pair<std::string, std::string>> saved_;
    int bus_pid_ = 0;
    bool ready_ = false;
};

TEST(DataKeyKeyring, MovesIntoTheKeyringAndBackAndACopyOfTheFolderRevealsNothing) {
    PrivateKeyring keyring;
    if (!keyring.Ready()) GTEST_SKIP() << "no dbus-daemon or gnome-keyring-daemon";
    test::TempFolder program, transfer;
    const std::string key = text::ToCp936("团队的数据密钥");
    test::WriteFile(program / "sk.exe", "");
    ASSERT_TRUE(StoreValue("an older key", program / "sk.exe", transfer / kKeyStoreTransfer));
    ASSERT_TRUE(StoreValue(key, program / "sk.exe", transfer / kKeyStoreTransfer));
    const std::string before = test::ReadFile(program / "sk.exe");

    MoveDataKeyToKeyring(program.path(), transfer.path());
    EXPECT_TRUE(DataKeyInKeyring(program.path(), transfer.path()));
    EXPECT_EQ(LoadDataKey(program.path(), transfer.path()), key);
    // sk.exe was written anew: neither key's block is left in it.
    const std::string marker_only = test::ReadFile(program / "sk.exe");
    EXPECT_LT(marker_only.size(), before.size() / 2 + 40) << "earlier blocks kept";

    // A change of the data key keeps it in the keyring, and the old item goes.
    const std::string old_marker = *LoadValue(program / "sk.exe", transfer / kKeyLoadTransfer);
    const std::string changed = text::ToCp936("换过的密钥");
    ASSERT_TRUE(StoreDataKey(program.path(), transfer.path(), changed, /*in_keyring=*/true));
    EXPECT_TRUE(DataKeyInKeyring(program.path(), transfer.path()));
    EXPECT_EQ(LoadDataKey(program.path(), transfer.path()), changed);
    EXPECT_THROW(LoadKeyFromKeyring(old_marker), KeyringError);

    // A copy of the folder holds no key: where the keyring has not this item (another machine or
    // user, or after the key went back), it reveals nothing.
    test::TempFolder copy;
    std::filesystem::copy(program.path(), copy.path(), std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    MoveDataKeyToFile(program.path(), transfer.path());
    EXPECT_FALSE(DataKeyInKeyring(program.path(), transfer.path()));
    EXPECT_EQ(LoadDataKey(program.path(), transfer.path()), changed);
    try {
        LoadDataKey(copy.path(), transfer.path());
        ADD_FAILURE() << "a copy of the folder revealed the key";
    } catch (const KeyringError& error) {
        EXPECT_EQ(error.Fault(), KeyringFault::kMissing) << error.what();
    }
}

}  // namespace
}  // namespace sitora::protect
