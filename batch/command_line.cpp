#include "batch/command_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace batch {
namespace {

std::string upper(std::string_view word) {
    std::string out(word);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

// Browse mode is asked for by "/BROWSE" or "--browse" in any letter case,
// compared on the first 30 characters like the main window does.
bool isBrowse(std::string_view word) {
    const std::string key = upper(word.substr(0, 30));
    return key == "/BROWSE" || key == "--BROWSE";
}

// The toolkit's own options: the first group takes a value in the next
// argument, the second stands alone.
constexpr std::array<std::string_view, 12> kToolkitWithValue = {
    "-platform",        "-platformpluginpath",
    "-platformtheme",   "-plugin",
    "-qwindowgeometry", "-qwindowicon",
    "-qwindowtitle",    "-style",
    "-stylesheet",      "-session",
    "-display",         "-geometry"};
constexpr std::array<std::string_view, 4> kToolkitAlone = {"-reverse", "-widgetcount", "-nograb",
                                                           "-dograb"};

bool contains(const auto& list, std::string_view word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

CommandLine bad(std::string why) {
    CommandLine result;
    result.action = CommandLineAction::BadUsage;
    result.error = std::move(why);
    return result;
}

// The program's options that take a value, and where each keeps it.
struct ValueOption {
    std::string_view name;
    std::string CommandLine::*value;
};
constexpr std::array<ValueOption, 5> kWithValue = {{{"--report", &CommandLine::report},
                                                    {"--output", &CommandLine::output},
                                                    {"--export", &CommandLine::file},
                                                    {"--import", &CommandLine::file},
                                                    {"--collection", &CommandLine::collection}}};

// Which work the options ask for, or why they do not fit together.
CommandLine settleWork(CommandLine result, const std::vector<std::string>& given) {
    const auto has = [&](std::string_view name) { return contains(given, name); };
    const int works = int(has("--report")) + int(has("--export")) + int(has("--import"));
    if (works > 1)
        return bad("--report, --export and --import cannot be given together");
    if (has("--report") && !has("--output"))
        return bad("--report needs --output FILE (ending in .pdf or .txt)");
    if (has("--output") && !has("--report"))
        return bad("--output goes with --report");
    if (has("--collection") && works == 0)
        return bad("--collection goes with --report, --export or --import");
    if (result.action != CommandLineAction::Run)
        return result;  // --help and --version answer first
    if (has("--report"))
        result.action = CommandLineAction::Report;
    else if (has("--export"))
        result.action = CommandLineAction::Export;
    else if (has("--import"))
        result.action = CommandLineAction::Import;
    return result;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    std::vector<std::string> given;  // the program's value options met
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--")
            break;  // what follows are not options
        const std::string name = word.substr(0, word.find('='));
        const auto option = std::find_if(kWithValue.begin(), kWithValue.end(),
                                         [&](const ValueOption& o) { return o.name == name; });
        if (option != kWithValue.end()) {
            if (contains(given, name))
                return bad("option " + name + " given twice");
            given.push_back(name);
            std::string value;
            if (name.size() < word.size()) {
                value = word.substr(name.size() + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            }
            if (value.empty())
                return bad("option " + name + " needs a value");
            result.*(option->value) = value;
        } else if (word == "--help" || word == "-h") {
            if (result.action == CommandLineAction::Run)
                result.action = CommandLineAction::Help;
        } else if (word == "--version") {
            if (result.action == CommandLineAction::Run)
                result.action = CommandLineAction::Version;
        } else if (isBrowse(word)) {
            // read again by the main window at its start-up
        } else if (contains(kToolkitWithValue, word)) {
            if (i + 1 == arguments.size())
                return bad("option " + word + " needs a value");
            ++i;
        } else if (contains(kToolkitAlone, word)) {
            // passed through to the toolkit
        } else if (!word.empty() && word.front() == '-') {
            return bad("unknown option " + word);
        }
    }
    return settleWork(std::move(result), given);
}

std::string usageText() {
    return "Usage: tomekeep [OPTION]...\n"
           "Catalogue a private book collection.\n"
           "\n"
           "  /BROWSE, --browse  open the collection read-only (browse mode); as the\n"
           "                     first argument, in any letter case\n"
           "  -h, --help         show this help and exit\n"
           "      --version      show the program's version and exit\n"
           "\n"
           "Work without a window (on the last collection, or on --collection PATH):\n"
           "  --report NAME --output FILE\n"
           "                     print the report NAME of the report list, every book\n"
           "                     in the collection's sort order, to FILE: a PDF file\n"
           "                     (.pdf) or a text file (.txt)\n"
           "  --export FILE      export every book to FILE: delimited text (.txt, .csv)\n"
           "                     or a dBase table (.dbf), with the fields, their order\n"
           "                     and the header line the Export window last used\n"
           "  --import FILE      add the books of FILE: delimited text (.txt, .csv)\n"
           "                     whose first line names the fields, or a dBase table\n"
           "                     (.dbf); a field is taken when its name is a book\n"
           "                     field's name or display name (letter case ignored),\n"
           "                     other fields are skipped\n"
           "  --collection PATH  the collection to work on\n"
           "These end with status 0 when done; otherwise they say why on standard\n"
           "error and end with status 1 (2 for a wrong command line).\n"
           "\n"
           "The toolkit's standard options are accepted as well, for example\n"
           "-platform NAME, -style NAME and -reverse.\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/TMKBOOK.INI; collections, pick lists and\n"
           "report definitions: $XDG_DATA_HOME/tomekeep.\n";
}

std::string versionText() {
    return std::string("Tomekeep Books 95 ") + TK_VERSION + "\n";
}

}  // namespace batch
