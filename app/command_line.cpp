#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace app {
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

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--")
            break;  // what follows are not options
        if (word == "--help" || word == "-h") {
            if (result.action == CommandLineAction::Run)
                result.action = CommandLineAction::Help;
        } else if (word == "--version") {
            if (result.action == CommandLineAction::Run)
                result.action = CommandLineAction::Version;
        } else if (isBrowse(word)) {
            // read again by the main window at its start-up
        } else if (contains(kToolkitWithValue, word)) {
            if (i + 1 == arguments.size())
                return {CommandLineAction::BadUsage, "option " + word + " needs a value"};
            ++i;
        } else if (contains(kToolkitAlone, word)) {
            // passed through to the toolkit
        } else if (!word.empty() && word.front() == '-') {
            return {CommandLineAction::BadUsage, "unknown option " + word};
        }
    }
    return result;
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
           "The toolkit's standard options are accepted as well, for example\n"
           "-platform NAME, -style NAME and -reverse.\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/TMKBOOK.INI; collections, pick lists and\n"
           "report definitions: $XDG_DATA_HOME/tomekeep.\n";
}

std::string versionText() {
    return std::string("Tomekeep Books 95 ") + TK_VERSION + "\n";
}

}  // namespace app
