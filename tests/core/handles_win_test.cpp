// The owner of handles closed through a function looked up at run time
// (Windows only): each handle is closed exactly once, by its last owner.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/handles_win.h"

namespace {

std::vector<UINT_PTR> g_closed;

int WINAPI record_close(UINT_PTR socket) {
    g_closed.push_back(socket);
    return 0;
}

// A socket-like handle: INVALID_SOCKET when absent, closed by a function found at run time.
using SocketClose = int(WINAPI*)(UINT_PTR socket);
using LoadedSocket = UniqueLoaded<UINT_PTR, SocketClose, ~UINT_PTR{0}>;

TEST(UniqueLoaded, ClosesEachHandleOnceThroughItsLastOwner) {
    g_closed.clear();
    {
        LoadedSocket first(7, record_close);
        LoadedSocket second(std::move(first));
        EXPECT_FALSE(first);
        LoadedSocket third(9, record_close);
        third = std::move(second);  // 9 closes here, 7 moves on
        EXPECT_EQ(g_closed, std::vector<UINT_PTR>{9});
        EXPECT_EQ(third.get(), 7u);
        LoadedSocket absent(~UINT_PTR{0}, record_close);
        EXPECT_FALSE(absent);
        LoadedSocket kept(5, record_close);
        EXPECT_EQ(kept.release(), 5u);
    }
    EXPECT_EQ(g_closed, (std::vector<UINT_PTR>{9, 7}));
}

}  // namespace
