// The controller commands: identify, dump, read, write, monitor, ports. Each drives the
// same document and controller link as the windowed program's commands.
#include "cli/session.h"
#include "core/numbertext.h"
#include "core/restorepoints.h"
#include "datalog/datalogwriter.h"
#include "link/portdiscovery.h"
#include "link/serialport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>

#ifdef VEXA_HAVE_QT_SERIAL
#include "link/qtportlister.h"
#endif

namespace vexa::cli {

namespace {

constexpr const char* kLinkOptions =
    "--port P [--trace FILE] [--identity D.H/F.m] [--faults SPEC] [--seed N] "
    "[--nvm eeprom|flash|flash2]";

// The arguments of one controller command.
struct LinkArgs {
    ControllerOptions link;
    std::map<std::string, std::string> values; // other valued options
    std::vector<std::string> positional;
};

bool ParseLinkArgs(CommandContext& context, const char* name,
                   const std::vector<std::string>& valued, LinkArgs& parsed) {
    const auto& args = context.args;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        std::string error;
        auto fail = [&](const std::string& why) {
            context.err << "vexa-cli " << name << ": " << why << "\n";
            return false;
        };
        if (arg == "--port" && hasValue) {
            parsed.link.port = args[++i];
        } else if (arg == "--trace" && hasValue) {
            parsed.link.traceFile = args[++i];
        } else if (arg == "--identity" && hasValue) {
            if (!ParseIdentity(args[++i], parsed.link.sim.identity, error))
                return fail(error);
        } else if (arg == "--faults" && hasValue) {
            if (!ParseFaultSpec(args[++i], parsed.link.sim.faults, error))
                return fail(error);
        } else if (arg == "--seed" && hasValue) {
            char* end = nullptr;
            const unsigned long long seed = std::strtoull(args[++i].c_str(), &end, 0);
            if (end == args[i].c_str() || *end != '\0')
                return fail("bad seed '" + args[i] + "'");
            parsed.link.sim.seed = seed;
        } else if (arg == "--nvm" && hasValue) {
            if (!ParseNvmType(args[++i], parsed.link.sim.layout.nvmType))
                return fail("--nvm takes eeprom, flash or flash2");
            parsed.link.simLayoutGiven = true;
        } else if (std::find(valued.begin(), valued.end(), arg) != valued.end() && hasValue) {
            parsed.values[arg] = args[++i];
        } else if (arg.rfind("-", 0) == 0 && arg.size() > 1) {
            return fail("unexpected argument '" + arg + "'");
        } else {
            parsed.positional.push_back(arg);
        }
    }
    if (parsed.link.port.empty()) {
        context.err << "vexa-cli " << name
                    << ": --port P is required (a device path, usb or sim)\n";
        return false;
    }
    return true;
}

int Usage(CommandContext& context, const std::string& usage) {
    context.err << "usage: vexa-cli " << usage << "\n";
    return 2;
}

bool NumberOption(const LinkArgs& parsed, const std::string& name, int low, int high, int& value) {
    auto it = parsed.values.find(name);
    if (it == parsed.values.end())
        return true;
    char* end = nullptr;
    const long number = std::strtol(it->second.c_str(), &end, 10);
    if (end == it->second.c_str() || *end != '\0' || number < low || number > high)
        return false;
    value = static_cast<int>(number);
    return true;
}

std::string Value(const LinkArgs& parsed, const std::string& name) {
    auto it = parsed.values.find(name);
    return it == parsed.values.end() ? std::string() : it->second;
}

// Attaches the link and makes sure a controller answers, as the commands' menu items are
// enabled only while one does.
bool Connect(CommandContext& context, const char* name, CliSession& session,
             const ControllerOptions& options) {
    std::string error;
    if (!session.AttachController(options, error)) {
        context.err << "vexa-cli " << name << ": " << error << "\n";
        return false;
    }
    if (!session.Doc().Controller().CheckController(0, 1)) {
        context.err << "vexa-cli " << name << ": no controller answered on " << options.port << ": "
                    << session.Controller()->LastError() << "\n";
        return false;
    }
    return true;
}

// The dashboard's side of polling, as CSV: the latest text of each display slot and the
// crosshair's position.
class CsvDisplay : public PollDisplay {
public:
    explicit CsvDisplay(std::size_t slots) : texts_(slots) {}
    void OnPollData(int id, const std::string& text, const float* value) override {
        if (id == kPollFailedId) {
            std::fill(texts_.begin(), texts_.end(), std::string());
            x_.clear();
            y_.clear();
        } else if (id == kCrosshairXId && value != nullptr) {
            x_ = Number(*value);
        } else if (id == kCrosshairYId && value != nullptr) {
            y_ = Number(*value);
        } else if (id >= 0 && static_cast<std::size_t>(id) < texts_.size()) {
            texts_[static_cast<std::size_t>(id)] = text;
        }
    }
    void PrintLine(std::ostream& out, std::int64_t timeMs) const {
        out << timeMs;
        for (const std::string& text : texts_)
            out << "," << CsvField(text);
        out << "," << x_ << "," << y_ << "\n";
    }

private:
    static std::string Number(float value) { return FormatG(static_cast<double>(value)); }
    std::vector<std::string> texts_;
    std::string x_;
    std::string y_;
};

#ifndef VEXA_HAVE_QT_SERIAL
class NoPorts : public PortLister {
public:
    std::vector<PortInfo> ListPorts() override { return {}; }
};
#endif

} // namespace

int CmdIdentify(CommandContext& context) {
    LinkArgs parsed;
    if (!ParseLinkArgs(context, "identify", {}, parsed) || !parsed.positional.empty())
        return Usage(context, std::string("identify ") + kLinkOptions);
    CliSession session(context);
    if (!Connect(context, "identify", session, parsed.link))
        return 1;
    const IdentityBlock& id = session.Doc().Identity;
    context.out << "{\"DeviceType\":" << id.DeviceType()
                << ", \"HardwareVersion\":" << id.HardwareVersion()
                << ", \"FirmwareVersion\":" << id.FirmwareVersion()
                << ", \"FirmwareVersionMinor\":" << id.FirmwareVersionMinor() << "}\n";
    return 0;
}

int CmdDump(CommandContext& context) {
    LinkArgs parsed;
    if (!ParseLinkArgs(context, "dump", {"-o"}, parsed) || !parsed.positional.empty())
        return Usage(context, std::string("dump ") + kLinkOptions + " [-o FILE]");
    std::string output = Value(parsed, "-o");
    if (output.empty())
        output = context.paths.ramDumpFile;
    CliSession session(context);
    if (!Connect(context, "dump", session, parsed.link))
        return 1;
    if (!session.Controller()->DumpControllerState(output)) {
        context.err << "vexa-cli dump: the controller's RAM could not be read completely into "
                    << output << "\n";
        return 1;
    }
    context.out << output << "\n";
    return 0;
}

int CmdRead(CommandContext& context) {
    LinkArgs parsed;
    int table = 1;
    int choice = 1;
    if (!ParseLinkArgs(context, "read", {"-o", "--table", "--choice"}, parsed) ||
        !parsed.positional.empty() || Value(parsed, "-o").empty() ||
        !NumberOption(parsed, "--table", 1, 2, table) ||
        !NumberOption(parsed, "--choice", 1, 10, choice))
        return Usage(context, std::string("read ") + kLinkOptions +
                                  " [--table 1|2] [--choice N] -o OUT.gvr");
    CliSession session(context);
    session.New();
    session.Doc().SetModifiedFlag(false);
    parsed.link.choice = choice - 1;
    std::string error;
    if (!session.AttachController(parsed.link, error)) {
        context.err << "vexa-cli read: " << error << "\n";
        return 1;
    }
    session.Doc().Display.SetI32(DisplayBlock::kSelectedNVMTable, table - 1);
    const int read = session.Controller()->TransferCalibration(0);
    session.Doc().RefreshViews(1);
    if (!read)
        return 1;
    return session.SaveAs(Value(parsed, "-o")) ? 0 : 1;
}

int CmdWrite(CommandContext& context) {
    // Not a valued option: taken out before the link options are read.
    auto& args = context.args;
    const auto skip = std::find(args.begin(), args.end(), "--no-restore-point");
    const bool restorePoint = skip == args.end();
    if (!restorePoint)
        args.erase(skip);
    LinkArgs parsed;
    int table = 0;
    if (!ParseLinkArgs(context, "write", {"--table"}, parsed) || parsed.positional.size() != 1 ||
        !NumberOption(parsed, "--table", 1, 2, table))
        return Usage(context, std::string("write ") + kLinkOptions +
                                  " [--table 1|2] [--no-restore-point] FILE.gvr");
    CliSession session(context);
    if (!session.Open(parsed.positional[0]))
        return 1;
    std::string error;
    if (!session.AttachController(parsed.link, error)) {
        context.err << "vexa-cli write: " << error << "\n";
        return 1;
    }
    if (table != 0)
        session.Doc().Display.SetI32(DisplayBlock::kSelectedNVMTable, table - 1);
    CVLXController& controller = *session.Controller();
    if (restorePoint && RestorePointsEnabled(session.Doc().Settings()))
        controller.SetRestorePointFolder(context.paths.restorePointDir);
    if (!controller.TransferCalibration(1))
        return 1;
    if (!controller.LastRestorePoint().empty())
        context.out << "restore point: " << controller.LastRestorePoint() << "\n";
    return 0;
}

int CmdMonitor(CommandContext& context) {
    LinkArgs parsed;
    int count = 10;
    if (!ParseLinkArgs(context, "monitor", {"--count", "--log"}, parsed) ||
        parsed.positional.size() != 1 || !NumberOption(parsed, "--count", 1, 1000000, count))
        return Usage(context, std::string("monitor ") + kLinkOptions +
                                  " FILE.gvr [--count N] [--log LOG.csv]");
    CliSession session(context);
    if (!session.Open(parsed.positional[0]))
        return 1;
    std::string error;
    const std::string logPath = Value(parsed, "--log");
    if (!logPath.empty()) {
        // A log names the controller it was recorded from: the windowed program records
        // only while one is connected.
        if (!Connect(context, "monitor", session, parsed.link))
            return 1;
    } else if (!session.AttachController(parsed.link, error)) {
        context.err << "vexa-cli monitor: " << error << "\n";
        return 1;
    }
    CVLXController& controller = *session.Controller();
    // The columns are known once the items are loaded; the display gets them after.
    CsvDisplay probe(0);
    if (!controller.start_polling(&probe)) {
        context.err << "vexa-cli monitor: the definition of " << parsed.positional[0]
                    << " has no [DataItems]\n";
        return 1;
    }
    std::vector<std::string> names;
    for (const DataItem& item : controller.Poller().Items()) {
        if (item.displaySlot != DataItem::kNoDisplaySlot)
            names.push_back(item.displayName);
    }
    CsvDisplay display(names.size());
    controller.start_polling(&display);
    // The data log the windowed program records, beside the lines printed.
    CDataLogWriter log(session.LinkClock());
    if (!logPath.empty()) {
        if (!log.Open(logPath, DescribeDataLog(session.Doc(), parsed.positional[0]), error)) {
            context.err << "vexa-cli monitor: " << error << "\n";
            return 1;
        }
        controller.start_recording(&log);
    }
    context.out << "time_ms";
    for (const std::string& name : names)
        context.out << "," << CsvField(name);
    context.out << ",crosshair_x,crosshair_y\n";
    for (int line = 0; line < count; ++line) {
        session.Wait(controller.Monitor().timer_period());
        display.PrintLine(context.out, session.Timers().Now());
    }
    controller.stop_polling(CDataPoller::kDashboardSlot);
    if (logPath.empty())
        return 0;
    controller.stop_recording();
    if (!log.Problem().empty() || !log.Close(error)) {
        context.err << "vexa-cli monitor: " << (log.Problem().empty() ? error : log.Problem())
                    << "\n";
        return 1;
    }
    return 0;
}

int CmdPorts(CommandContext& context) {
    if (!context.args.empty())
        return Usage(context, "ports");
    // The list as the dialog shows it, without storing its choice.
    IniSettingsStore stored(context.paths.settingsFile);
    PortNameSettings settings;
    settings.WriteString(kCommSettingsSection, kComPortNameKey, StoredPortName(stored));
    CliHost host(context.err);
#ifdef VEXA_HAVE_QT_SERIAL
    QtPortLister lister;
#else
    NoPorts lister;
#endif
    CComSelect dialog(settings, lister, host, nullptr, kSimPortName);
    dialog.FillPortList();
    for (std::size_t i = 0; i < dialog.Entries().size(); ++i) {
        const PortEntry& entry = dialog.Entries()[i];
        context.out << (static_cast<int>(i) == dialog.Selected() ? "* " : "  ") << entry.text;
        if (!entry.portName.empty() && entry.portName != entry.text &&
            entry.text.rfind(entry.portName, 0) != 0)
            context.out << "  (--port " << entry.portName << ")";
        context.out << "\n";
    }
    return 0;
}

} // namespace vexa::cli
