#include "app/commandline.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vexa {
namespace {

// The toolkit's own options (QGuiApplication and QApplication), each with or without a
// value; either may be written with one or two dashes.
constexpr std::array<std::string_view, 14> kToolkitOptionsWithValue = {"platform",
                                                                       "platformpluginpath",
                                                                       "platformtheme",
                                                                       "plugin",
                                                                       "qwindowgeometry",
                                                                       "qwindowicon",
                                                                       "qwindowtitle",
                                                                       "display",
                                                                       "geometry",
                                                                       "title",
                                                                       "name",
                                                                       "style",
                                                                       "stylesheet",
                                                                       "session"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"reverse", "widgetcount", "nograb",
                                                           "dograb", "sync"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsPrintSwitch(const std::string& arg, std::string_view name) {
    // Either "/p" as the desktop's print command passes it, or "-p".
    return arg.size() == name.size() + 1 && (arg[0] == '/' || arg[0] == '-') &&
           std::string_view(arg).substr(1) == name;
}

} // namespace

void RemoveToolkitOptions(std::vector<std::string>& args) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            kept.insert(kept.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        std::string_view name = arg;
        if (name.size() > 1 && name[0] == '-') {
            name.remove_prefix(name.size() > 2 && name[1] == '-' ? 2 : 1);
            const auto equals = name.find('=');
            const std::string_view bare = name.substr(0, equals);
            if (Contains(kToolkitOptionsWithValue, bare)) {
                if (equals == std::string_view::npos && i + 1 < args.size())
                    ++i;
                continue;
            }
            if (equals == std::string_view::npos && Contains(kToolkitFlags, bare))
                continue;
        }
        kept.push_back(arg);
    }
    args = std::move(kept);
}

bool ParseCommandLine(std::vector<std::string> args, CommandLine& line, std::string& error) {
    CommandLine parsed;
    if (!ExtractPathOverrides(args, parsed.overrides, error))
        return false;
    bool onlyFiles = false;
    // /pt FILE PRINTER may be followed by the printer's driver and port, as the desktop's
    // print-to command passes them; the printer's name is all that is needed.
    int driverAndPort = 0;
    const auto takeFile = [&](const std::string& name) {
        if (!parsed.fileName.empty()) {
            error = "only one calibration file can be opened";
            return false;
        }
        parsed.fileName = name;
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!onlyFiles && arg == "--") {
            onlyFiles = true;
        } else if (!onlyFiles && arg == "--demo") {
            parsed.demo = true;
        } else if (!onlyFiles && (arg == "--help" || arg == "-h" || arg == "-?")) {
            parsed.help = true;
        } else if (!onlyFiles && arg == "--version") {
            parsed.version = true;
        } else if (!onlyFiles && (IsPrintSwitch(arg, "p") || IsPrintSwitch(arg, "pt"))) {
            const bool named = IsPrintSwitch(arg, "pt");
            if (args.size() - i - 1 < (named ? 2u : 1u)) {
                error = "the option " + arg +
                        (named ? " needs a calibration file and a printer"
                               : " needs a calibration file");
                return false;
            }
            if (!takeFile(args[++i]))
                return false;
            parsed.print = true;
            if (named) {
                parsed.printerName = args[++i];
                driverAndPort = 2;
            }
        } else if (!onlyFiles && arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (driverAndPort > 0) {
            --driverAndPort;
        } else if (!takeFile(arg)) {
            return false;
        }
    }
    line = std::move(parsed);
    return true;
}

} // namespace vexa
