// Runs the Windows adapter source, built on this host against doubles of IP
// Helper and the socket library, as a process: both streams and the exit code
// are what a caller sees.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

struct ProgramRun {
    int exitCode;
    std::string out, err, trace;
};

// Files of this test alone, so that tests running side by side keep apart.
std::string scratchPrefix() {
    return ::testing::TempDir() + "lanroster-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-";
}

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

ProgramRun run(const std::string& scenario, const std::string& arguments = "") {
    std::string dir = scratchPrefix();
    std::string command = "LANROSTER_DOUBLE='" + scenario + "' LANROSTER_DOUBLE_TRACE=" + dir +
                          "trace " LANROSTER_DOUBLED " " + arguments + " >" + dir + "out 2>" + dir + "err";
    int status = system(command.c_str());
    ProgramRun result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    result.out = slurp(dir + "out");
    result.err = slurp(dir + "err");
    result.trace = slurp(dir + "trace");
    return result;
}

const std::string startup = "WSAStartup version=0x0202 data=given\n";
const std::string sizing = "GetAdaptersAddresses family=AF_INET6 flags=0x3e reserved=null buffer=null size=0\n";
const std::string second = "GetAdaptersAddresses family=AF_INET6 flags=0x3e reserved=null buffer=given size=needed\n";
const std::string cleanup = "WSACleanup\n";
const std::string released = "heap blocks held at exit: 0\n";
const std::string failureMessage = "GetAdaptersAddresses() failed...";

TEST(WindowsAdapterSource, WritesTheChainAndReleasesTheBlock) {
    for (const char* arguments : {"", "--verbose extra"}) {
        SCOPED_TRACE(arguments);
        ProgramRun r = run("", arguments);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
        // the second address fails to convert: an empty string between commas
        EXPECT_EQ(r.out,
                  "[{\"adapter_name\":\"{3C1A6E2F-7B40-4D95-A1C8-5E0F92B4D731}\",\"physical_address\":"
                  "\"00-00-5E-00-53-01\",\"address\":[\"2001:db8:10:1::2a\",\"\",\"fe80::1\"]},"
                  "{\"adapter_name\":\"{8F25D0B6-14C3-4A7E-9D62-0B7E3F18C5A4}\",\"address\":[\"::1\"]},"
                  "{\"adapter_name\":\"{D47B2A90-6E31-4F0C-B8A5-2C9D71E6F038}\",\"physical_address\":"
                  "\"00-00-5E-00-53-02\"}]");
        EXPECT_EQ(r.trace, startup + sizing + second + cleanup + released);
    }
}

TEST(WindowsAdapterSource, FailurePaths) {
    const struct {
        const char* name;
        const char* scenario;
        int exitCode;
        std::string err, trace;
    } cases[] = {
        {"no adapter with IPv6", "sizing=232", 1, failureMessage, startup + sizing + cleanup + released},
        {"sizing call succeeds unexpectedly", "sizing=0", 1, failureMessage, startup + sizing + cleanup + released},
        {"second call fails", "second=111", 1, failureMessage, startup + sizing + second + cleanup + released},
        {"block cannot be allocated", "heap=1", 1, failureMessage, startup + sizing + cleanup + released},
        {"records cannot be allocated", "heap=2", 1, "writing the adapter report failed...",
         startup + sizing + second + cleanup + released},
        {"socket library does not start", "startup=10091", 255, "", startup + released},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramRun r = run(c.scenario);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.trace, c.trace);
    }
}

TEST(WindowsAdapterSource, FailedWriteIsReportedAsFailure) {
    std::string dir = scratchPrefix();
    std::string command = "LANROSTER_DOUBLE_TRACE=" + dir + "trace " LANROSTER_DOUBLED " >/dev/full 2>" + dir + "err";
    int status = system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(slurp(dir + "err"), "writing the adapter report failed...");
    EXPECT_EQ(slurp(dir + "trace"), startup + sizing + second + cleanup + released);
}

}  // namespace
