// korvex-cli as a script runs it, in process, against the simulator on a pty.
#include "cli/korvex_cli.h"
#include "cli/stop_request.h"
#include "fakes/temp_dir.h"
#include "sim/controller_sim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), "korvex-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunKorvexCli(int(argv.size()), argv.data(), {out, err, false});
    return {code, out.str(), err.str()};
}

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 400 && !done(); ++i) {
        std::this_thread::sleep_for(25ms);
    }
    return done();
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// Records of a data log: each starts a line after the header.
size_t Records(const fs::path& log) {
    return Count(ReadWholeFile(log.string()), "\n");
}

// Word frames the simulator sent, from its trace.
size_t WordFramesSent(const std::string& trace) {
    const std::string text = ReadWholeFile(trace);
    return Count(text, "\nW ") + (text.rfind("W ", 0) == 0 ? 1 : 0);
}

std::vector<fs::path> Logs(const fs::path& folder) {
    std::vector<fs::path> logs;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().filename().string().rfind("pars", 0) == 0) {
            logs.push_back(e.path());
        }
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override { Plug(sim); }
    void Plug(ControllerSim& s) {
        ASSERT_TRUE(s.start()) << s.error();
        ASSERT_TRUE(s.linkAsCom(kCom)) << s.error();
    }
    static constexpr int kCom = 5;
    const std::string port = "--port=COM5";
    TempDir home{TempDir::Use::Home};
    TempDir work{TempDir::Use::WorkingFolder};
    ControllerSim sim;
};

TEST(CliArguments, BadArgumentsGetOneLineAndExitTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"flash"},
                                               {"info", "--port", "COM100"},
                                               {"info", "--port", "ttyS0"},
                                               {"log", "--duration", "-1"},
                                               {"config", "read"},
                                               {"config", "write", "a.cfg", "--like"},
                                               {"dyno", "log.txt", "--smoothing", "21"}}) {
        const Result r = Cli(args);
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_EQ(Count(r.err, "\n"), 1u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const Result help = Cli({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("5  the controller went away while logging"), std::string::npos);
}

TEST_F(CliTest, InfoAndPortsNameTheController) {
    sim.setBoardId(4);
    const Result info = Cli({"info", port, "--json"});
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_EQ(info.out, "{\"board_id\":4,\"board\":\"controller_2018\",\"firmware_date\":\"" +
                            std::string(ControllerSim::kDefaultDate) + "\"}\n");
    const Result ports = Cli({"ports", "--json"});
    EXPECT_NE(ports.out.find("{\"port\":\"COM5\",\"path\":\"" +
                             fs::canonical(sim.slavePath()).string() + "\",\"controller\":true}"),
              std::string::npos)
        << ports.out;
}

TEST_F(CliTest, NoPortAndSilentDeviceHaveCodesOfTheirOwn) {
    EXPECT_EQ(Cli({"info", "--port", "COM60"}).code, 3);
    EXPECT_EQ(Cli({"log", "--port", "COM60"}).code, 3);
    sim.setFault(ControllerSim::Fault::Silent);
    EXPECT_EQ(Cli({"info", port}).code, 4);
    EXPECT_EQ(Cli({"log", port, "--duration", "10"}).code, 4);
    EXPECT_TRUE(Logs(work.path()).empty()) << "no controller, no file";
}

TEST_F(CliTest, DeviceThatVanishesLeavesEveryRecordBeforeIt) {
    ASSERT_TRUE(sim.traceFramesTo(work.file("trace")));
    std::thread unplug([this] {
        WaitFor([this] { return sim.framesSent() >= 10; });
        sim.setFault(ControllerSim::Fault::HangUp);
    });
    const Result r = Cli({"log", port, "--out", "logs", "--duration", "20"});
    unplug.join();
    EXPECT_EQ(r.code, 5) << r.err;
    const auto logs = Logs(work.path() / "logs");
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(Records(logs[0]), WordFramesSent(work.file("trace")));
    // The dyno figure of that log, as the dyno view computes it.
    const Result dyno = Cli({"dyno", logs[0].string(), "--json"});
    EXPECT_EQ(dyno.code, 0) << dyno.err;
    EXPECT_EQ(dyno.out.rfind("{\"peak_hp\":", 0), 0u) << dyno.out;
    EXPECT_EQ(Cli({"dyno", (work.path() / "logs").string()}).code, 6);
}

// Two unplug and replug cycles: a file per connection, each with everything sent, and
// SIGTERM ends the wait cleanly.
TEST_F(CliTest, WaitLogsEachConnectionIntoItsOwnFile) {
    Result r{};
    std::thread logger([&r] { r = Cli({"log", "--port=COM5", "--wait"}); });
    ControllerSim replugged[2];
    ControllerSim* current = &sim;
    for (int connection = 0; connection < 3; ++connection) {
        ASSERT_TRUE(current->traceFramesTo(work.file("trace" + std::to_string(connection))));
        ASSERT_TRUE(WaitFor([&] {
            return Logs(work.path()).size() == size_t(connection + 1) && current->framesSent() >= 6;
        }));
        if (connection == 2) {
            break;
        }
        current->setFault(ControllerSim::Fault::HangUp);
        std::this_thread::sleep_for(300ms);
        current->stop();
        current = &replugged[connection];
        Plug(*current);
    }
    std::this_thread::sleep_for(200ms);
    kill(getpid(), SIGTERM);
    logger.join();
    EXPECT_EQ(r.code, 0) << r.err;
    const auto logs = Logs(work.path());
    ASSERT_EQ(logs.size(), 3u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Records(logs[i]), WordFramesSent(work.file("trace" + std::to_string(i))));
    }
    EXPECT_GT(Records(logs[2]), 0u);
}

TEST_F(CliTest, ConfigReadWriteDiffAndExport) {
    ASSERT_EQ(Cli({"config", "read", "a.cfg", port}).code, 0);
    const ControllerSim::Block device = sim.configBlock();
    EXPECT_EQ(ReadWholeFile("a.cfg"), std::string(device.begin(), device.end()));
    EXPECT_EQ(fs::directory_iterator(work.path() / "history")
                  ->path()
                  .filename()
                  .string()
                  .find("_read.cfg"),
              15u);
    EXPECT_EQ(Cli({"config", "diff", "a.cfg", "device", port}).code, 0);

    std::string changed = ReadWholeFile("a.cfg");
    changed[0] = char(changed[0] + 1);
    std::ofstream("b.cfg", std::ios::binary) << changed;
    const Result diff = Cli({"config", "diff", "a.cfg", "b.cfg"});
    EXPECT_EQ(diff.code, 1);
    EXPECT_NE(diff.out.find("# 1 differing element in 1 parameter"), std::string::npos) << diff.out;
    EXPECT_EQ(Cli({"config", "diff", "a.cfg", "missing.cfg"}).code, 2);

    ASSERT_EQ(Cli({"config", "write", "b.cfg", port}).code, 0);
    EXPECT_TRUE(WaitFor([&] { return sim.configBlock()[0] == uint8_t(changed[0]); }));

    // A short file: refused, or laid over the device's own block with --like-open.
    std::ofstream("short.cfg", std::ios::binary) << "\x01\x02";
    EXPECT_EQ(Cli({"config", "write", "short.cfg", port}).code, 6);
    const Result shortWrite = Cli({"config", "write", "short.cfg", "--like-open", port});
    EXPECT_EQ(shortWrite.code, 0) << shortWrite.err;
    EXPECT_NE(shortWrite.err.find("Short file of 2 bytes"), std::string::npos);
    std::string expected = changed;
    expected[0] = 1;
    expected[1] = 2;
    EXPECT_TRUE(WaitFor([&] {
        const auto b = sim.configBlock();
        return std::string(b.begin(), b.end()) == expected;
    }));
    std::ofstream("long.cfg", std::ios::binary) << changed << "tail";
    EXPECT_EQ(Cli({"config", "write", "long.cfg", port}).code, 6);
    EXPECT_EQ(Cli({"config", "write", "long.cfg", "--like-open", port}).code, 0);
    EXPECT_EQ(Cli({"config", "write", work.path().string(), "--like-open", port}).code, 6);
    EXPECT_EQ(Cli({"config", "write", "missing.cfg", port}).code, 6);

    ASSERT_EQ(Cli({"config", "export", "device", "device.txt", port}).code, 0);
    EXPECT_EQ(ReadWholeFile("device.txt").rfind("# KORVEX configuration", 0), 0u);
}

} // namespace
