// The fixture of tests that start this program's NetBIOS path: only on the
// test's own private network, with Winsock started for the test, and the
// path stopped after it (Windows only, test support).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "support/private_network_win.h"
#include "transport/netbios_path_win.h"

class NetbiosTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override {
        stop_netbios_path();
        WSACleanup();
    }
    // Whether SetUp let the test go on (a derived fixture's SetUp asks).
    bool set_up() const { return !IsSkipped() && !HasFatalFailure(); }
};
