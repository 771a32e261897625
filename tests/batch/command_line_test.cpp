// The command line is read before any window: what starts the program, what
// answers and ends, and what is refused.
#include <gtest/gtest.h>

#include "batch/command_line.h"

namespace {

using Action = batch::CommandLineAction;

Action actionOf(std::vector<std::string> arguments) {
    return batch::parseCommandLine(arguments).action;
}

TEST(CommandLine, BrowseWordsAndPlainWordsStartTheProgram) {
    EXPECT_EQ(actionOf({}), Action::Run);
    EXPECT_EQ(actionOf({"/BROWSE"}), Action::Run);
    EXPECT_EQ(actionOf({"/browse"}), Action::Run);
    EXPECT_EQ(actionOf({"--browse"}), Action::Run);
    EXPECT_EQ(actionOf({"--BROWSE"}), Action::Run);
    // Words that are not options were always ignored.
    EXPECT_EQ(actionOf({"MASTER.DBF"}), Action::Run);
    EXPECT_EQ(actionOf({"/OTHER"}), Action::Run);
    // After "--" nothing is an option.
    EXPECT_EQ(actionOf({"--", "--bogus"}), Action::Run);
}

TEST(CommandLine, ToolkitOptionsPassThroughWithTheirValues) {
    EXPECT_EQ(actionOf({"-platform", "offscreen", "/BROWSE"}), Action::Run);
    EXPECT_EQ(actionOf({"-style", "fusion", "-reverse"}), Action::Run);
    // The value of a toolkit option is not read as an option itself.
    EXPECT_EQ(actionOf({"-qwindowtitle", "-x"}), Action::Run);
    const auto missing = batch::parseCommandLine({"-platform"});
    EXPECT_EQ(missing.action, Action::BadUsage);
    EXPECT_EQ(missing.error, "option -platform needs a value");
}

TEST(CommandLine, HelpAndVersionAnswerWhateverElseIsGiven) {
    EXPECT_EQ(actionOf({"--help"}), Action::Help);
    EXPECT_EQ(actionOf({"-h"}), Action::Help);
    EXPECT_EQ(actionOf({"--version"}), Action::Version);
    EXPECT_EQ(actionOf({"/BROWSE", "--version", "--help"}), Action::Version);
    EXPECT_EQ(actionOf({"--help", "--version"}), Action::Help);
}

TEST(CommandLine, UnknownOptionsAreRefusedEvenAfterHelp) {
    const auto typo = batch::parseCommandLine({"--brwose"});
    EXPECT_EQ(typo.action, Action::BadUsage);
    EXPECT_EQ(typo.error, "unknown option --brwose");
    EXPECT_EQ(actionOf({"--help", "-x"}), Action::BadUsage);
    // A single "-" is an option too (a mistyped one).
    EXPECT_EQ(actionOf({"-"}), Action::BadUsage);
}

TEST(CommandLine, WorkWithoutAWindowTakesItsValuesEitherWay) {
    const auto report = batch::parseCommandLine(
        {"--report", "Full Report", "--output=out.PDF", "--collection", "/b/MASTER.DBF"});
    EXPECT_EQ(report.action, Action::Report);
    EXPECT_EQ(report.report, "Full Report");
    EXPECT_EQ(report.output, "out.PDF");
    EXPECT_EQ(report.collection, "/b/MASTER.DBF");
    const auto exported = batch::parseCommandLine({"--export=all.csv"});
    EXPECT_EQ(exported.action, Action::Export);
    EXPECT_EQ(exported.file, "all.csv");
    EXPECT_TRUE(exported.collection.empty());
    const auto imported = batch::parseCommandLine({"--import", "new.dbf", "--collection=c.dbf"});
    EXPECT_EQ(imported.action, Action::Import);
    EXPECT_EQ(imported.file, "new.dbf");
    EXPECT_EQ(imported.collection, "c.dbf");
    // A value that looks like an option is still the value.
    EXPECT_EQ(batch::parseCommandLine({"--report", "-x-", "--output", "o.txt"}).report, "-x-");
    // --help still answers first.
    EXPECT_EQ(actionOf({"--export", "a.csv", "--help"}), Action::Help);
}

TEST(CommandLine, WorkOptionsThatDoNotFitTogetherAreRefused) {
    const auto refused = [](std::vector<std::string> arguments) {
        return batch::parseCommandLine(arguments).error;
    };
    EXPECT_EQ(refused({"--report", "Full Report"}),
              "--report needs --output FILE (ending in .pdf or .txt)");
    EXPECT_EQ(refused({"--output", "o.pdf"}), "--output goes with --report");
    EXPECT_EQ(refused({"--collection", "c.dbf"}),
              "--collection goes with --report, --export or --import");
    EXPECT_EQ(refused({"--export", "a.csv", "--import", "b.csv"}),
              "--report, --export and --import cannot be given together");
    EXPECT_EQ(refused({"--export", "a.csv", "--export", "b.csv"}), "option --export given twice");
    EXPECT_EQ(refused({"--import"}), "option --import needs a value");
    EXPECT_EQ(refused({"--import="}), "option --import needs a value");
    EXPECT_EQ(actionOf({"--export", "a.csv", "--bogus"}), Action::BadUsage);
}

TEST(CommandLine, UsageNamesEveryOptionAndVersionTheProgram) {
    const std::string usage = batch::usageText();
    for (const char* option : {"/BROWSE", "--browse", "--help", "-h", "--version", "-platform",
                               "--report", "--output", "--export", "--import", "--collection"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_EQ(batch::versionText().rfind("Tomekeep Books 95 ", 0), 0u);
    EXPECT_EQ(batch::versionText().back(), '\n');
}

}  // namespace
