#include "cli/korvex_cli.h"

#include "cli/commands.h"

#include "firmware/firmware_state.h"

#include <CLI/CLI.hpp>

#include <functional>

namespace {

constexpr const char* kPortHelp = "COMn, or auto to search from COM3 as the window does";

// --port on a command that talks to the controller; checked when parsed.
void AddPortOption(CLI::App& command, std::string& text) {
    command.add_option("--port", text, kPortHelp)
        ->default_str("auto")
        ->check(CLI::Validator(
            [](const std::string& value) {
                return ParsePortChoice(value) ? std::string()
                                              : "not a port: " + value + " (COMn or auto)";
            },
            "COMn|auto"));
}

CLI::Validator SecondsAbove(double least, const char* what) {
    return CLI::Validator(
        [least, what](const std::string& value) {
            double number = 0;
            return CLI::detail::lexical_cast(value, number) && number >= least && number < 1e9
                       ? std::string()
                       : value + " is not " + what;
        },
        "SECONDS");
}
CLI::Validator Seconds() {
    return SecondsAbove(0, "a number of seconds");
}
CLI::Validator PositiveSeconds() {
    return SecondsAbove(0.001, "a positive number of seconds");
}

// The command named first, when it is none of ours; CLI11 would only say one is missing.
std::string UnknownCommand(const CLI::App& app, int argc, const char* const* argv) {
    if (argc < 2 || argv[1][0] == '-') {
        return {};
    }
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->get_name() == argv[1]) {
            return {};
        }
    }
    return argv[1];
}

struct Options {
    std::string port = "auto";
    bool json = false;
    LogOptions log;
    double duration = 0;
    std::string fileA;
    std::string fileB;
    bool likeOpen = false;
    DynoOptions dyno;
    UpdateOptions update;
    std::string board;
    double dynoTo = 0;
};

// Builds the parser; `run` is set to the chosen command's work.
void Describe(CLI::App& app, Options& o, std::function<ExitCode(const CliIo&)>& run) {
    app.require_subcommand(1);
    app.footer(kExitCodeTable);
    const auto port = [&o] { return *ParsePortChoice(o.port); };

    auto* ports = app.add_subcommand("ports", "COM ports with a device behind them, and which "
                                              "answers as a controller");
    ports->add_flag("--json", o.json, "JSON on standard output");
    ports->callback([&] { run = [&](const CliIo& io) { return RunPorts(io, o.json); }; });

    auto* info = app.add_subcommand("info", "board id, board and firmware date of the device");
    AddPortOption(*info, o.port);
    info->add_flag("--json", o.json, "JSON on standard output");
    info->callback(
        [&, port] { run = [&, port](const CliIo& io) { return RunInfo(io, port(), o.json); }; });

    auto* log = app.add_subcommand("log", "poll the controller and write the data log");
    AddPortOption(*log, o.port);
    log->add_option("--out", o.log.outDir, "folder for the logs (default: the working folder)");
    auto* duration = log->add_option("--duration", o.duration, "stop after this many seconds")
                         ->check(PositiveSeconds());
    log->add_flag("--wait", o.log.wait,
                  "never end by itself: wait for the controller, a file per connection");
    log->callback([&, port, duration] {
        o.log.port = port();
        if (duration->count() > 0) {
            o.log.durationSec = o.duration;
        }
        run = [&](const CliIo& io) { return RunLog(io, o.log); };
    });

    auto* config = app.add_subcommand("config", "read, write, compare and export configurations");
    config->require_subcommand(1);
    config->fallthrough(); // --port after the subcommand's name too
    AddPortOption(*config, o.port);
    auto* read = config->add_subcommand("read", "Read Device into FILE");
    read->add_option("FILE", o.fileA)->required();
    read->callback([&, port] {
        run = [&, port](const CliIo& io) { return RunConfigRead(io, port(), o.fileA); };
    });
    auto* write = config->add_subcommand("write", "Write Device from FILE of 519 bytes");
    write->add_option("FILE", o.fileA)->required();
    write->add_flag("--like-open", o.likeOpen,
                    "take a short or long file as Open Config does (a short one over the "
                    "device's block)");
    write->callback([&, port] {
        run = [&, port](const CliIo& io) {
            return RunConfigWrite(io, port(), o.fileA, o.likeOpen);
        };
    });
    auto* diff = config->add_subcommand("diff", "compare A with B (files or \"device\"); "
                                                "0 equal, 1 different, 2 trouble");
    diff->add_option("A", o.fileA)->required();
    diff->add_option("B", o.fileB)->required();
    diff->add_flag("--json", o.json, "JSON on standard output");
    diff->callback([&, port] {
        run = [&, port](const CliIo& io) {
            return RunConfigDiff(io, port(), o.fileA, o.fileB, o.json);
        };
    });
    auto* exportText = config->add_subcommand("export", "readable text of SOURCE (a file or "
                                                        "\"device\") into OUT (- for stdout)");
    exportText->add_option("SOURCE", o.fileA)->required();
    exportText->add_option("OUT", o.fileB)->required();
    exportText->callback([&, port] {
        run = [&, port](const CliIo& io) { return RunConfigExport(io, port(), o.fileA, o.fileB); };
    });

    auto* update = app.add_subcommand("update", "update the controller's firmware");
    AddPortOption(*update, o.port);
    update
        ->add_option("--board", o.board,
                     "auto, or the device type: display_2016, "
                     "controller_2016, display_2018, controller_2018")
        ->required()
        ->check(CLI::Validator(
            [](const std::string& value) {
                return BoardChoice(value) ? std::string() : "no device type " + value;
            },
            "auto|TYPE"));
    update->add_flag("--yes", o.update.yes, "do not ask before programming");
    update->add_flag("--recover", o.update.recover,
                     "program a device that waits in its bootloader (needs a device type)");
    update->callback([&, port] {
        o.update.port = port();
        o.update.board = *BoardChoice(o.board);
        if (o.update.recover && o.update.board == kAutoDeviceType) {
            throw CLI::ValidationError("--recover", "a device in its bootloader can't tell its "
                                                    "type: give --board TYPE");
        }
        run = [&](const CliIo& io) { return RunUpdate(io, o.update); };
    });

    auto* dyno = app.add_subcommand("dyno", "peak power of a pull in a data log");
    dyno->add_option("LOG", o.dyno.log)->required();
    dyno->add_option("--from", o.dyno.from, "seconds into the log where the pull starts")
        ->check(Seconds());
    auto* to =
        dyno->add_option("--to", o.dynoTo, "seconds into the log where it ends")->check(Seconds());
    dyno->add_option("--smoothing", o.dyno.smoothing, "km/h each side, as the dyno view's box")
        ->check(CLI::Range(0, 20));
    dyno->add_flag("--json", o.dyno.json, "JSON on standard output");
    dyno->callback([&, to] {
        if (to->count() > 0) {
            o.dyno.to = o.dynoTo;
        }
        run = [&](const CliIo& io) { return RunDyno(io, o.dyno); };
    });
}

} // namespace

int RunKorvexCli(int argc, const char* const* argv, const CliIo& io) {
    CLI::App app("KORVEX without a screen: the controller from the command line", "korvex-cli");
    Options options;
    std::function<ExitCode(const CliIo&)> run;
    Describe(app, options, run);
    if (const std::string unknown = UnknownCommand(app, argc, argv); !unknown.empty()) {
        io.err << "korvex-cli: no command " << unknown << " (korvex-cli --help)\n";
        return ToInt(ExitCode::Usage);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        io.out << app.help();
        return ToInt(ExitCode::Ok);
    } catch (const CLI::CallForAllHelp&) {
        io.out << app.help("", CLI::AppFormatMode::All);
        return ToInt(ExitCode::Ok);
    } catch (const CLI::ParseError& e) {
        io.err << "korvex-cli: " << e.what() << " (korvex-cli --help)\n";
        return ToInt(ExitCode::Usage);
    }
    return ToInt(run(io));
}
