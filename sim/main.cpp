// korvex-sim: the controller simulator as a program, linked as a COM port so KORVEX
// finds it without hardware.
#include "sim/controller_sim.h"
#include "sim/named_choice.h"
#include "sim/usb_demo.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr const char* kUsage =
    "usage: korvex-sim [options]\n"
    "Simulates the controller on a pseudo-terminal and links it as\n"
    "$HOME/.korvex/dosdevices/comN; the link is removed when the program ends\n"
    "(also on SIGINT or SIGTERM).\n"
    "\n"
    "  --com N              link as COM N (default: the first free from 3)\n"
    "  --board-id N         board id in the board-information answer (default 2)\n"
    "  --date TEXT          firmware date text, up to 12 characters (default \"Apr 22 2022\")\n"
    "  --fault NAME         none | silent | short | bursts | wrong-connect | hang-up\n"
    "                         silent: never answer; short: one byte fewer;\n"
    "                         bursts: split answers with pauses; wrong-connect: answer\n"
    "                         the connect with another byte; hang-up: close on the\n"
    "                         next command\n"
    "  --bursts N           pieces per answer with --fault bursts (default 3)\n"
    "  --pause MS           pause between pieces in ms (default 500)\n"
    "  --connect-answer N   the byte for --fault wrong-connect (default 65)\n"
    "  --seconds N          end by itself after N seconds (default: run until a signal)\n"
    "  --trace FILE         write every word (W) and byte (B) frame sent to FILE, in hex\n"
    "  --save-block FILE    write the stored 519-byte configuration block to FILE at the end\n"
    "  --usb-bus FILE       also run an emulated USB bus (umockdev) and write the\n"
    "                       UMOCKDEV_DIR=... and LD_PRELOAD=... lines a program needs\n"
    "                       to see it into FILE; the simulated bootloader arrives on it\n"
    "                       when the controller receives \"6\" and leaves after it\n"
    "                       started the new application\n"
    "  --usb-chip NAME      ATmega32U4 (default) | ATmega16U4\n"
    "  --usb-fault NAME     none | vanish | flip-byte | stall-block | slow-erase |\n"
    "                         wrong-signature | read-protected\n"
    "  --usb-present        the bootloader is on the bus from the start\n"
    "  --usb-flash FILE     write the bootloader's application area to FILE at the end\n"
    "  --help               this text\n";

bool ParseInt(const char* text, long lo, long hi, long& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) {
        return false;
    }
    out = v;
    return true;
}

bool ParseFault(std::string_view name, ControllerSim::Fault& fault) {
    using F = ControllerSim::Fault;
    static constexpr std::pair<std::string_view, F> kNames[] = {
        {"none", F::None},
        {"silent", F::Silent},
        {"short", F::Short},
        {"bursts", F::Bursts},
        {"wrong-connect", F::WrongConnect},
        {"hang-up", F::HangUp},
    };
    return PickByName(kNames, name, fault);
}

struct Options {
    long com = -1;
    long boardId = ControllerSim::kDefaultBoardId;
    std::string date = ControllerSim::kDefaultDate;
    ControllerSim::Fault fault = ControllerSim::Fault::None;
    long bursts = 3;
    long pauseMs = 500;
    long connectAnswer = ControllerSim::kDefaultWrongConnect;
    long seconds = 0;
    std::string trace;
    std::string saveBlock;
    UsbDemoOptions usb;
};

// 0 on success, 1 on a bad option, 2 after --help.
int Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 2;
        }
        if (a == "--usb-present") {
            o.usb.atStart = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "korvex-sim: %s needs a value (see --help)\n", argv[i]);
            return 1;
        }
        const char* v = argv[++i];
        bool ok = true;
        if (a == "--com") {
            ok = ParseInt(v, 1, 255, o.com);
        } else if (a == "--board-id") {
            ok = ParseInt(v, 0, 255, o.boardId);
        } else if (a == "--date") {
            o.date = v;
            ok = o.date.size() <= ControllerSim::kDateBytes;
        } else if (a == "--fault") {
            ok = ParseFault(v, o.fault);
        } else if (a == "--bursts") {
            ok = ParseInt(v, 1, long(kConfigBlockSize), o.bursts);
        } else if (a == "--pause") {
            ok = ParseInt(v, 0, 60000, o.pauseMs);
        } else if (a == "--connect-answer") {
            ok = ParseInt(v, 0, 255, o.connectAnswer);
        } else if (a == "--trace") {
            o.trace = v;
        } else if (a == "--save-block") {
            o.saveBlock = v;
        } else if (a == "--usb-bus") {
            o.usb.envFile = v;
        } else if (a == "--usb-chip") {
            o.usb.chip = FindIspChip(v);
            ok = o.usb.chip != nullptr;
        } else if (a == "--usb-fault") {
            ok = ParseUsbFault(v, o.usb.fault);
        } else if (a == "--usb-flash") {
            o.usb.flashFile = v;
        } else if (a == "--seconds") {
            ok = ParseInt(v, 1, 1000000, o.seconds);
        } else {
            std::fprintf(stderr, "korvex-sim: unknown option %s (see --help)\n", argv[i - 1]);
            return 1;
        }
        if (!ok) {
            std::fprintf(stderr, "korvex-sim: bad value for %s: %s\n", argv[i - 1], v);
            return 1;
        }
    }
    return 0;
}

// What the controller was asked, for the person (or test) that ran it.
void PrintCommandCounts(const ControllerSim& sim) {
    std::printf("commands received:");
    for (const uint8_t c : {Cmd::Connect, Cmd::WordFrame, Cmd::ByteFrame, Cmd::StartBootloader,
                            Cmd::ReadConfig, Cmd::WriteConfig, Cmd::BoardInfo, Cmd::Reset}) {
        std::printf(" %c=%u", c, sim.commandCount(c));
    }
    std::printf("\n");
    std::fflush(stdout);
}

bool SaveBlock(const ControllerSim& sim, const std::string& path) {
    const ControllerSim::Block block = sim.configBlock();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f != nullptr && std::fwrite(block.data(), 1, block.size(), f) == block.size();
    if (f == nullptr || std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "korvex-sim: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (const int r = Parse(argc, argv, o); r != 0) {
        return r == 2 ? 0 : 2;
    }
    // Block the ending signals before the simulator thread exists, so only the
    // sigtimedwait below receives them and the link is always removed.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    ControllerSim sim;
    sim.setBoardId(static_cast<uint8_t>(o.boardId));
    sim.setDateText(o.date);
    sim.setFault(o.fault);
    if (!o.trace.empty() && !sim.traceFramesTo(o.trace)) {
        std::fprintf(stderr, "korvex-sim: cannot write %s: %s\n", o.trace.c_str(),
                     std::strerror(errno));
        return 1;
    }
    sim.setBursts(static_cast<int>(o.bursts), static_cast<int>(o.pauseMs));
    sim.setConnectAnswer(static_cast<uint8_t>(o.connectAnswer));
    if (!sim.start()) {
        std::fprintf(stderr, "korvex-sim: %s\n", sim.error().c_str());
        return 1;
    }
    const int com = o.com > 0 ? static_cast<int>(o.com) : ControllerSim::FirstFreeCom(3);
    if (com < 0 || !sim.linkAsCom(com)) {
        std::fprintf(stderr, "korvex-sim: cannot link as COM%d: %s\n", com, sim.error().c_str());
        return 1;
    }
    std::printf("%s\nCOM%d -> %s\n", sim.slavePath().c_str(), com, sim.linkPath().c_str());
    std::fflush(stdout);

    int sig = -1;
    if (!o.usb.envFile.empty()) {
        sig = RunUsbBus(sim, o.usb, ending, o.seconds);
    } else {
        const timespec limit{o.seconds, 0};
        do {
            sig = o.seconds > 0 ? sigtimedwait(&ending, nullptr, &limit)
                                : sigwaitinfo(&ending, nullptr);
        } while (sig < 0 && errno == EINTR);
    }
    // Only the USB bus ends with -1, and only when it failed (its message is out).
    const bool busFailed = !o.usb.envFile.empty() && sig < 0;
    if (sig > 0) {
        std::fprintf(stderr, "korvex-sim: %s, ending\n", strsignal(sig));
    }
    sim.stop();
    PrintCommandCounts(sim);
    const bool saved = o.saveBlock.empty() || SaveBlock(sim, o.saveBlock);
    return saved && !busFailed ? 0 : 1;
}
