#include "RecordingRunView.h"
#include "app/ImportFileReader.h"
#include "app/ImportLineSource.h"
#include "common/Fault.h"
#include "support/ExpectFault.h"
#include "support/LogHarness.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::app;
using namespace vantrelis::testing;

namespace {

class ReaderTest : public ::testing::Test {
public:
    QString WriteFile(const QByteArray& bytes) {
        const QString name = folder.filePath(QStringLiteral("import%1.txt").arg(++files));
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return name;
    }

    // Reads with one column taking the whole first comma field into the template "%A%".
    QStringList Read(const QString& name) {
        ImportSetTable sets;
        sets.Append({QStringLiteral("L"), QStringLiteral("S"), QStringLiteral("DELIMITER:,")});
        sets.Append({QStringLiteral("L"), QStringLiteral("S"), QStringLiteral("A:1")});
        ColumnTable columns = ColumnTable::Load(sets, QStringLiteral("L"), QStringLiteral("S"));
        ImportFileReader reader(harness.log, view);
        const QStringList paths = reader.Read(name, columns, QStringLiteral("%A%"), QStringLiteral("L"));
        errorLines = reader.errorLines();
        return paths;
    }

    LogHarness harness;
    RecordingRunView view;
    qint64 errorLines = -1;
    QTemporaryDir folder;
    int files = 0;
};

TEST_F(ReaderTest, FilesOfEveryShapeGiveTheirLines) {
    const QByteArray longLine(ImportLineSource::kMaxLineBytes + 1, 'x');
    const QByteArray longestLine(ImportLineSource::kMaxLineBytes, 'y');
    struct Case {
        const char* what;
        QByteArray bytes;
        QStringList paths;
    };
    const std::vector<Case> cases = {
        {"LF", "a\nb\n", {QStringLiteral("a"), QStringLiteral("b")}},
        {"CR LF", "a\r\nb\r\n", {QStringLiteral("a"), QStringLiteral("b")}},
        {"last line without end", "a\nb", {QStringLiteral("a"), QStringLiteral("b")}},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "a\n",
         {QStringLiteral("a")}},
        {"mark before a Windows-1252 line",
         "\xEF\xBB\xBF"
         "caf\xE9\n",
         {QStringLiteral("caf\u00E9")}},
        {"mark on a later line",
         "a\n\xEF\xBB\xBF"
         "b\n",
         {QStringLiteral("a"), QStringLiteral("b")}},
        {"blank lines", "\n   \r\n a \n\n", {QStringLiteral(" a")}},
        {"empty file", "", {}},
        {"UTF-8", "M\xC3\xBCller\n", {QStringLiteral("M\u00FCller")}},
        {"Windows-1252 line",
         "M\xFCller \x80\x9F\n\xC3\xA9t\xC3\xA9\n",
         {QStringLiteral("M\u00FCller \u20AC\u0178"), QStringLiteral("\u00E9t\u00E9")}},
        {"NUL byte", QByteArrayLiteral("a\nb\0c\nd"), {QStringLiteral("a"), QStringLiteral("d")}},
        {"long line",
         "a\n" + longLine + "\n" + longestLine + "\nz",
         {QStringLiteral("a"), QString::fromLatin1(longestLine), QStringLiteral("z")}},
        {"long last line", "a\n" + longLine + longLine, {QStringLiteral("a")}},
        {"line that expands to nothing", "a\n,b\n", {QStringLiteral("a")}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(WriteFile(c.bytes)), c.paths) << c.what;
    }
}

TEST_F(ReaderTest, DroppedLinesAreLoggedByNumber) {
    QByteArray bytes = QByteArrayLiteral("a\nb\0c\n");
    bytes += QByteArray(ImportLineSource::kMaxLineBytes + 10, 'x') + "\r\nd\n";
    const QString name = WriteFile(bytes);
    harness.Mark();
    EXPECT_EQ(Read(name), QStringList({QStringLiteral("a"), QStringLiteral("d")}));
    EXPECT_EQ(harness.LinesSinceMark(),
              QStringList({QStringLiteral("Error: Line 2 of ") + name +
                               QStringLiteral(" skipped - it contains a NUL character"),
                           QStringLiteral("Error: Line 3 of ") + name +
                               QStringLiteral(" skipped - it is longer than 65536 bytes")}));
    EXPECT_EQ(errorLines, 2);
}

// A token that names no column would stay in the folder name: each line is an error of its own, and a
// separator or function text is no token.
TEST_F(ReaderTest, ATokenThatNamesNoColumnIsAnErrorOfEachLine) {
    const QString name = WriteFile(QByteArrayLiteral("v1\n\nv2\n"));
    struct Case {
        const char* name;
        QString templateText;
        QString token; // "" when the template is sound
    };
    const std::vector<Case> cases = {
        {"sound", QStringLiteral("%A%%LEFT1% %\\% %LIBRARY% %/% %A% %RIGHT1% %\\% 100%"), QString()},
        {"lower case", QStringLiteral("%A% %\\% %a%"), QStringLiteral("%a%")},
        {"unknown column", QStringLiteral("%MATTER.ID% %\\% %A%"), QStringLiteral("%MATTER.ID%")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportSetTable sets;
        sets.Append({QStringLiteral("L"), QStringLiteral("S"), QStringLiteral("DELIMITER:,")});
        sets.Append({QStringLiteral("L"), QStringLiteral("S"), QStringLiteral("A:1")});
        ColumnTable columns = ColumnTable::Load(sets, QStringLiteral("L"), QStringLiteral("S"));
        ImportFileReader reader(harness.log, view);
        ImportLines lines;
        harness.Mark();
        const QStringList paths = reader.Read(name, columns, c.templateText, QStringLiteral("L"), &lines);
        if (c.token.isEmpty()) {
            EXPECT_EQ(paths.size(), 2);
            EXPECT_EQ(reader.errorLines(), 0);
            EXPECT_TRUE(harness.LinesSinceMark().isEmpty());
            continue;
        }
        EXPECT_TRUE(paths.isEmpty());
        EXPECT_EQ(reader.errorLines(), 2);
        const QString error =
            QStringLiteral(" skipped - the template's token ") + c.token +
            QStringLiteral(" names no column of the import set and would stay in the folder name");
        EXPECT_EQ(harness.LinesSinceMark(),
                  QStringList({QStringLiteral("Error: Line 1 of ") + name + error,
                               QStringLiteral("Error: Line 3 of ") + name + error}));
        ASSERT_EQ(lines.skipped.size(), 3);
        EXPECT_EQ(lines.skipped.at(2).reason, QStringLiteral("the template's token ") + c.token +
                                                  QStringLiteral(" names no column of the import set"));
    }
}

TEST_F(ReaderTest, CountersFollowTheLinesAndTheStatusNamesTheFile) {
    const QString name = WriteFile("a\n\n,\nb\n");
    Read(name);
    using C = RunCounter;
    const std::vector<std::pair<C, qint64>> expected = {
        {C::Total, 1}, {C::Processed, 1}, {C::Processed, 1}, {C::Total, 2}, {C::Processed, 2}};
    EXPECT_EQ(view.counterChanges, expected);
    EXPECT_EQ(harness.status.texts, QStringList({QStringLiteral("Reading ") + name}));
    EXPECT_TRUE(harness.LinesSinceMark().isEmpty());
}

TEST_F(ReaderTest, MissingFileRaisesAFault) {
    ExpectFault(53, [&] { Read(folder.filePath(QStringLiteral("absent.txt"))); });
}

TEST_F(ReaderTest, LargeFilesReadInFewChunks) {
    // Lines cross the reader's buffer boundaries: every one must come back whole.
    QByteArray bytes;
    QStringList expected;
    for (int i = 0; i < 60000; ++i) {
        const QByteArray line = "client-" + QByteArray::number(i) + QByteArray(i % 37, '.');
        bytes += line + (i % 2 ? "\r\n" : "\n");
        expected << QString::fromLatin1(line);
    }
    EXPECT_EQ(Read(WriteFile(bytes)), expected);
}

} // namespace
