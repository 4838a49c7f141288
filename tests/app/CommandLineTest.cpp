#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace vantrelis::app {
namespace {

struct CommandLineCase {
    const char* name;
    QStringList arguments;
    bool go;
    bool exitWhenDone;
    bool purgeLog;
    bool addNewDocs;
    bool addExistingDocs;
    bool hasImportFile;
    QString importFile;
    bool hasImportSet;
    QString importSet;
};

// go, exit, purge, adnf, adef, has file, file, has set, set
const CommandLineCase kCases[] = {
    {"quoted path split by the shell",
     {"/g", "/x", "/f", "c:\\data\\in.txt", "/s=Clients"},
     true,
     true,
     false,
     false,
     false,
     true,
     "c:\\data\\in.txt",
     true,
     "CLIENTS"},
    {"quoted path with its quotes kept",
     {"/g", "/x", "/f", "\"c:\\data\\in.txt\"", "/s=Clients"},
     true,
     true,
     false,
     false,
     false,
     true,
     "c:\\data\\in.txt",
     true,
     "CLIENTS"},
    {"equals sign glued",
     {"/F=file.txt", "/G"},
     true,
     false,
     false,
     false,
     false,
     true,
     "file.txt",
     false,
     ""},
    {"blank inside one argument ends the value",
     {"/F=file.txt /G"},
     true,
     false,
     false,
     false,
     false,
     true,
     "file.txt",
     false,
     ""},
    {"glued value ends before a glued switch",
     {"/Ffile.txt/G"},
     true,
     false,
     false,
     false,
     false,
     true,
     "file.txt",
     false,
     ""},
    {"glued value then glued import set",
     {"/Ffile.txt/S=Clients"},
     false,
     false,
     false,
     false,
     false,
     true,
     "file.txt",
     true,
     "CLIENTS"},
    {"glued quoted value then glued switch",
     {"/f=\"c:\\data\\in.txt\"/g"},
     true,
     false,
     false,
     false,
     false,
     true,
     "c:\\data\\in.txt",
     false,
     ""},
    {"unclosed quote keeps the rest with its blanks",
     {"/F\"my  data file.txt"},
     false,
     false,
     false,
     false,
     false,
     true,
     "my  data file.txt",
     false,
     ""},
    {"unclosed quote in the next argument",
     {"/F", "\" my file .txt  "},
     false,
     false,
     false,
     false,
     false,
     true,
     "my file .txt",
     false,
     ""},
    {"path after /F is never a switch",
     {"/F", "/home/gary/projects/x.csv"},
     false,
     false,
     false,
     false,
     false,
     true,
     "/home/gary/projects/x.csv",
     false,
     ""},
    {"glued path is never a switch",
     {"/F/home/gary/projects/x.csv"},
     false,
     false,
     false,
     false,
     false,
     true,
     "/home/gary/projects/x.csv",
     false,
     ""},
    {"path with blanks in one argument",
     {"/f", "/srv/My Imports/x.csv", "/G"},
     true,
     false,
     false,
     false,
     false,
     true,
     "/srv/My Imports/x.csv",
     false,
     ""},
    {"stray path is not a switch",
     {"/gary/x.csv", "/xfiles", "/Pictures"},
     false,
     false,
     false,
     false,
     false,
     false,
     "",
     false,
     ""},
    {"letter case of the file kept",
     {"/f=Data/In.TXT"},
     false,
     false,
     false,
     false,
     false,
     true,
     "Data/In.TXT",
     false,
     ""},
    {"import set upper-cased",
     {"/s", "Client Matters"},
     false,
     false,
     false,
     false,
     false,
     false,
     "",
     true,
     "CLIENT MATTERS"},
    {"dashes and equals dropped",
     {"/S-=- clients"},
     false,
     false,
     false,
     false,
     false,
     false,
     "",
     true,
     "CLIENTS"},
    {"equals as its own argument",
     {"/F", "=", "file.txt"},
     false,
     false,
     false,
     false,
     false,
     true,
     "file.txt",
     false,
     ""},
    {"dash then equals glued to the value",
     {"/F", "-", "=file.txt"},
     false,
     false,
     false,
     false,
     false,
     true,
     "file.txt",
     false,
     ""},
    {"switch without a value", {"/F"}, false, false, false, false, false, true, "", false, ""},
    {"a switch after /F is not its value",
     {"/F", "/G"},
     true,
     false,
     false,
     false,
     false,
     true,
     "",
     false,
     ""},
    {"empty argument after /F is an empty value",
     {"/F", "", "/G", "/X"},
     true,
     true,
     false,
     false,
     false,
     true,
     "",
     false,
     ""},
    {"blank argument after /S is an empty value",
     {"/S", "  ", "/G"},
     true,
     false,
     false,
     false,
     false,
     false,
     "",
     true,
     ""},
    {"glued path with switch letters inside",
     {"/F/data/sales/in.csv"},
     false,
     false,
     false,
     false,
     false,
     true,
     "/data/sales/in.csv",
     false,
     ""},
    {"glued path ending in a switch letter",
     {"/F=/srv/imports/p"},
     false,
     false,
     false,
     false,
     false,
     true,
     "/srv/imports/p",
     false,
     ""},
    {"relative glued path with a folder like a switch",
     {"/Fdata/s-1/x.csv"},
     false,
     false,
     false,
     false,
     false,
     true,
     "data/s-1/x.csv",
     false,
     ""},
    {"glued path then switches after a blank",
     {"/F=/srv/in.csv /G /X"},
     true,
     true,
     false,
     false,
     false,
     true,
     "/srv/in.csv",
     false,
     ""},
    {"only switches glued to /F", {"/F/G/X"}, true, true, false, false, false, true, "", false, ""},
    {"flag then glued import set",
     {"/G/S=Clients"},
     true,
     false,
     false,
     false,
     false,
     false,
     "",
     true,
     "CLIENTS"},
    {"first /F counts",
     {"/F", "a.txt", "/F", "b.txt"},
     false,
     false,
     false,
     false,
     false,
     true,
     "a.txt",
     false,
     ""},
    {"document options and purge",
     {"/adnf", "/ADEF", "/p"},
     false,
     false,
     true,
     true,
     true,
     false,
     "",
     false,
     ""},
    {"glued flags", {"/ADNF/ADEF/G/X"}, true, true, false, true, true, false, "", false, ""},
    {"flag followed by other text is not a switch",
     {"/GX", "/Go", "/P1"},
     false,
     false,
     false,
     false,
     false,
     false,
     "",
     false,
     ""},
    {"no arguments", {}, false, false, false, false, false, false, "", false, ""},
    {"path after /S that begins like a switch",
     {"/S", "/sales/x"},
     false,
     false,
     false,
     false,
     false,
     false,
     "",
     true,
     "/SALES/X"},
    {"import set after an empty /F",
     {"/F", "/S=Clients"},
     false,
     false,
     false,
     false,
     false,
     true,
     "",
     true,
     "CLIENTS"},
    {"glued switches after /F are switches",
     {"/F", "/g/x"},
     true,
     true,
     false,
     false,
     false,
     true,
     "",
     false,
     ""},
    {"only /G is not unattended", {"/G"}, true, false, false, false, false, false, "", false, ""},
    {"leading blanks before a switch",
     {"  /x", " /g "},
     true,
     true,
     false,
     false,
     false,
     false,
     "",
     false,
     ""},
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, ParsesSwitchesAndValues) {
    const CommandLineCase& c = GetParam();
    const CommandLine parsed = CommandLine::Parse(c.arguments);
    EXPECT_EQ(parsed.go, c.go);
    EXPECT_EQ(parsed.exitWhenDone, c.exitWhenDone);
    EXPECT_EQ(parsed.purgeLog, c.purgeLog);
    EXPECT_EQ(parsed.addNewDocs, c.addNewDocs);
    EXPECT_EQ(parsed.addExistingDocs, c.addExistingDocs);
    EXPECT_EQ(parsed.hasImportFile, c.hasImportFile);
    EXPECT_EQ(parsed.importFile.toStdString(), c.importFile.toStdString());
    EXPECT_EQ(parsed.hasImportSet, c.hasImportSet);
    EXPECT_EQ(parsed.importSet.toStdString(), c.importSet.toStdString());
    EXPECT_EQ(parsed.unattended(), c.go && c.exitWhenDone);
}

std::string CaseName(const ::testing::TestParamInfo<CommandLineCase>& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLineTest, ::testing::ValuesIn(kCases), CaseName);

TEST(CommandLineLong, ManyGluedSwitchesAreReadInOnePass) {
    // Once read by recursion per glued switch: 40,000 of them overflowed the stack.
    const QString flags = QStringLiteral("/G").repeated(40000);
    const CommandLine glued = CommandLine::Parse({flags + QStringLiteral("/X")});
    EXPECT_TRUE(glued.go);
    EXPECT_TRUE(glued.exitWhenDone);
    const CommandLine afterValue = CommandLine::Parse({QStringLiteral("/Fin.txt") + flags});
    EXPECT_EQ(afterValue.importFile.toStdString(), "in.txt");
    EXPECT_TRUE(afterValue.go);
    // One switch that does not end cleanly makes the whole argument no switches.
    const CommandLine spoiled = CommandLine::Parse({flags + QStringLiteral("/Go")});
    EXPECT_FALSE(spoiled.go);
}

TEST(CommandLineText, IsTheArgumentsJoinedUpperCasedAndTrimmed) {
    const struct {
        QStringList arguments;
        QString text;
    } rows[] = {
        {{"/g", "/x", " /f  "}, "/G /X  /F"},
        {{"/f", "c:\\data\\in.txt", "/s=Clients"}, "/F C:\\DATA\\IN.TXT /S=CLIENTS"},
        {{}, ""},
        {{"  "}, ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CommandLine::Parse(row.arguments).text.toStdString(), row.text.toStdString());
}

TEST(CommandLineOptions, AreWholeArgumentsThatNeverReachTheSwitches) {
    const struct {
        QStringList arguments;
        bool help;
        bool version;
        const char* unknown;
        const char* importFile;
        bool go;
        bool check = false;
        const char* report = "";
        bool profileFromLine = false;
        const char* undo = "";
    } rows[] = {
        {{"--help"}, true, false, "", "", false},
        {{"/G", "--version", "/X"}, false, true, "", "", true},
        // An option after "/F" is not taken for its value, and the switches around it still count.
        {{"/F", "--help", "in.txt", "/G"}, true, false, "", "in.txt", true},
        {{"--Help", "--frobnicate", "--x"}, false, false, "--Help", "", false},
        {{"/F", "-in.txt"}, false, false, "", "in.txt", false},
        {{"/G", "--check", "/F", "in.txt"}, false, false, "", "in.txt", true, true},
        {{"--CHECK", "--check=yes"}, false, false, "--CHECK", "", false},
        // The report's file is the next argument whole, even one that looks like a switch.
        {{"--report", "/tmp/r.csv", "/G"}, false, false, "", "", true, false, "/tmp/r.csv"},
        {{"--report=out dir/r.csv", "/F", "in.txt"},
         false,
         false,
         "",
         "in.txt",
         false,
         false,
         "out dir/r.csv"},
        {{"/G", "--report"}, false, false, "--report", "", true},
        {{"--report="}, false, false, "--report=", "", false},
        {{"/G", "--profile-from-line"}, false, false, "", "", true, false, "", true},
        {{"--Profile-From-Line"}, false, false, "--Profile-From-Line", "", false},
        // The run id is the next argument (or after "="), in capitals as the journal writes it.
        {{"--undo", "20261209-051530-k3qz", "--check"},
         false,
         false,
         "",
         "",
         false,
         true,
         "",
         false,
         "20261209-051530-K3QZ"},
        {{"/G", "--undo= 20261209-051530-K3QZ "},
         false,
         false,
         "",
         "",
         true,
         false,
         "",
         false,
         "20261209-051530-K3QZ"},
        // Without an id, or with an option where the id should be, it names no run.
        {{"--undo", "--check"}, false, false, "--undo", "", false, true},
        {{"--undo"}, false, false, "--undo", "", false},
    };
    for (const auto& row : rows) {
        const CommandLine parsed = CommandLine::Parse(row.arguments);
        SCOPED_TRACE(row.arguments.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(parsed.help, row.help);
        EXPECT_EQ(parsed.version, row.version);
        EXPECT_EQ(parsed.unknownOption.toStdString(), row.unknown);
        EXPECT_EQ(parsed.importFile.toStdString(), row.importFile);
        EXPECT_EQ(parsed.go, row.go);
        EXPECT_EQ(parsed.check, row.check);
        EXPECT_EQ(parsed.reportFile.toStdString(), row.report);
        EXPECT_EQ(parsed.profileFromLine, row.profileFromLine);
        EXPECT_EQ(parsed.undoRun.toStdString(), row.undo);
    }
}

} // namespace
} // namespace vantrelis::app
