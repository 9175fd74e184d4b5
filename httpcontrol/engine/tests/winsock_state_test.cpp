// The process-wide socket layer: holders, stand-by entries and load failures.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "engine/winsock_state.h"
#include "engine/wsa_errors.h"

namespace fetchwire {
namespace {

TEST(WinsockState, StandByFailsEveryCallWithNotInitialised) {
    WinsockState& ws = WinsockState::Instance();
    ASSERT_FALSE(ws.Loaded());
    EXPECT_EQ(ws.SystemStatus(), "Down");
    EXPECT_EQ(ws.Entries().socket(AF_INET, SOCK_STREAM, 0), -1);
    EXPECT_EQ(ws.Entries().lastError(), kWsaNOTINITIALISED);
    in_addr a{};
    EXPECT_NE(ws.Entries().inet_pton(AF_INET, "127.0.0.1", &a), 1);
}

TEST(WinsockState, HoldersShareOneLoad) {
    WinsockState& ws = WinsockState::Instance();
    ASSERT_TRUE(ws.Load());
    ASSERT_TRUE(ws.Load());
    EXPECT_EQ(ws.HolderCount(), 2);
    EXPECT_EQ(ws.SystemStatus(), "Running");
    EXPECT_FALSE(ws.Description().empty());
    EXPECT_GT(ws.MaxSockets(), 0);
    EXPECT_NE(ws.EffectivePath(), WinsockState::kDefaultPath);  // the real file
    const int fd = ws.Entries().socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_GE(fd, 0);
    close(fd);
    ws.Unload();
    EXPECT_TRUE(ws.Loaded());
    ws.Unload();
    EXPECT_FALSE(ws.Loaded());
    EXPECT_EQ(ws.SystemStatus(), "Down");
    EXPECT_EQ(ws.Description(), "");
    EXPECT_EQ(ws.MaxSockets(), 0);
    ws.Unload();  // one too many is harmless
    EXPECT_EQ(ws.HolderCount(), 0);
}

TEST(WinsockState, BadPathFailsWithReasonAndEmptyPathRestoresDefault) {
    WinsockState& ws = WinsockState::Instance();
    ws.SetPath("/nonexistent/libnosuch.so");
    EXPECT_FALSE(ws.Load());
    EXPECT_FALSE(ws.Loaded());
    EXPECT_EQ(ws.Description(), "Could not load Winsock DLL.");
    ws.SetPath(std::string(300, 'a'));
    EXPECT_EQ(ws.Path().size(), WinsockState::kMaxPathLength);
    ws.SetPath("");
    EXPECT_EQ(ws.Path(), WinsockState::kDefaultPath);
    EXPECT_TRUE(ws.Load());
    ws.Unload();
}

// A host's control kept in a static: it takes its hold after the first use
// of the socket layer and lets go only when the process exits.
const char* descriptionAtLoad = nullptr;

struct StaticHolder {
    ~StaticHolder() {
        WinsockState& ws = WinsockState::Instance();
        // Freed memory is overwritten (M_PERTURB), so state destroyed
        // before this point no longer reads as loaded.
        if (ws.SystemStatus() != "Running" || ws.Description() != descriptionAtLoad) {
            _exit(3);
        }
        ws.Unload();
        if (ws.SystemStatus() != "Down") {
            _exit(4);
        }
    }
};

TEST(WinsockStateDeathTest, HolderReleasedAtExitFindsTheStateAlive) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            mallopt(M_PERTURB, 0x5a);
            static StaticHolder holder;
            if (!WinsockState::Instance().Load()) {
                _exit(2);
            }
            descriptionAtLoad = strdup(WinsockState::Instance().Description().c_str());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace fetchwire
