#include "config/DefinitionEditorModel.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

QStringList ErrorLines(const QStringList& lines) {
    QStringList errors;
    for (const QString& line : lines)
        if (line.startsWith(QLatin1String("Error:")))
            errors += line;
    return errors;
}

// The PARENT_FOLDER setting as the connection and the rules read it: one rule, one warning.
TEST(LibrarySettingsTest, ParentFolderIsAWholePositiveNumberOrNone) {
    const QString warning =
        QStringLiteral("Warning: The PARENT_FOLDER setting %1 is not a folder number - folders "
                       "are created at the top level");
    const struct {
        QVariant stored;
        qint64 parent;
        const char* warned; // the value as the warning names it; nullptr: no warning
    } cases[] = {
        {QStringLiteral("1234.4"), 0, "1234.4"},
        {QStringLiteral("12abc"), 0, "12abc"},
        {QStringLiteral("-5"), 0, "-5"},
        {qlonglong(4711), 4711, nullptr},
        {QVariant(), 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        LocalEnvironment environment;
        environment.AddLibrary(QStringLiteral("DOCS"), 10, true)
            .addSetting(QStringLiteral("PARENT_FOLDER"), QVariant(), c.stored);
        ConnectedProgram program(environment.WriteServerFile());
        ASSERT_TRUE(program.context.connection().StartFusion());
        EXPECT_EQ(program.context.library().parentFolder(), c.parent);
        const QStringList lines = program.harness.Lines();
        if (c.warned) {
            EXPECT_EQ(lines.count(warning.arg(QLatin1String(c.warned))), 1) << "said once";
        }
        for (const QString& line : lines)
            EXPECT_FALSE(c.warned == nullptr && line.startsWith(QLatin1String("Warning: The PARENT_FOLDER")))
                << line.toStdString();
    }
}

// Another process's connection to a library file, holding the library until it is destroyed.
class OtherProcess {
public:
    OtherProcess(const QString& file, const char* sql) {
        EXPECT_EQ(SQLITE_OK, sqlite3_open(file.toUtf8().constData(), &m_db));
        sqlite3_busy_timeout(m_db, 0);
        m_result = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    }
    ~OtherProcess() {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;
    int result() const { return m_result; }
    sqlite3* db() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    int m_result = SQLITE_OK;
};

// Makes a file immutable (even root cannot write it) for the lifetime of the object.
class Immutable {
public:
    explicit Immutable(const QString& file) : m_file(file) {
        m_made = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_file}) == 0;
    }
    ~Immutable() {
        if (m_made)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_file});
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    bool made() const { return m_made; }

private:
    QString m_file;
    bool m_made = false;
};

TEST(LibraryConnectionTest, AnUnusableLibraryFailsItsConnectionWithOneLine) {
    struct Case {
        const char* what;
        const char* reason;
    };
    for (const Case& c : {Case{"missing", "does not exist"}, Case{"read-only", "cannot be written"}}) {
        SCOPED_TRACE(c.what);
        LocalEnvironment environment;
        environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
        environment.AddLibrary(QStringLiteral("HURT"), 10, true);
        const QString hurt = environment.libraryFile(QStringLiteral("HURT"));
        std::unique_ptr<Immutable> readOnly;
        if (QLatin1String(c.what) == QLatin1String("missing")) {
            ASSERT_TRUE(QFile::remove(hurt));
        } else {
            readOnly = std::make_unique<Immutable>(hurt);
            if (!readOnly->made())
                continue; // the file system here refuses chattr
        }
        ConnectedProgram program(environment.WriteServerFile(QStringLiteral("DOCS")));
        ASSERT_TRUE(program.context.connection().StartFusion())
            << "the other library does not stop the login";
        program.harness.Mark();
        EXPECT_FALSE(program.context.connection().ConnectLibrary(QStringLiteral("HURT")));
        const QStringList errors = ErrorLines(program.harness.LinesSinceMark());
        ASSERT_EQ(errors.size(), 1) << errors.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(errors[0].startsWith(QLatin1String("Error: Library HURT cannot be used: ")))
            << errors[0].toStdString();
        EXPECT_TRUE(errors[0].contains(QLatin1String(c.reason))) << errors[0].toStdString();
        EXPECT_FALSE(program.context.connection().lastFailurePassing());
        EXPECT_TRUE(program.context.connection().ConnectLibrary(QStringLiteral("DOCS")));
    }
}

// What another program sees between the user's actions: no transaction, no unfinished statement.
TEST(LibraryConnectionTest, NothingStaysOpenBetweenUserActions) {
    LocalEnvironment environment;
    environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
    environment.AddLibrary(QStringLiteral("ORA"), 2, true);
    ConnectedProgram program(environment.WriteServerFile(QStringLiteral("DOCS")));
    const QString file = environment.libraryFile(QStringLiteral("DOCS"));

    // A second connection writes at once (no wait) and sees what the program committed.
    const auto othersView = [&](const char* sql) {
        OtherProcess other(file, "BEGIN IMMEDIATE");
        EXPECT_EQ(other.result(), SQLITE_OK) << "a write lock is left held";
        sqlite3_stmt* statement = nullptr;
        QString answer;
        if (sqlite3_prepare_v2(other.db(), sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            answer = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        EXPECT_EQ(sqlite3_exec(other.db(), "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        return answer;
    };

    ASSERT_TRUE(program.context.connection().StartFusion());
    EXPECT_EQ(othersView("SELECT COUNT(*) FROM QORV_SETTINGS"), QStringLiteral("0")) << "after startup";

    DefinitionEditorModel editor;
    editor.setNames = {QStringLiteral("SAVED")};
    editor.delimiter = QStringLiteral(",");
    editor.columns = {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), QStringLiteral("1"), QStringLiteral("0"),
                       QString(), QStringLiteral("0")}};
    program.context.importSetStore().SaveDefinition(editor, 0);
    EXPECT_EQ(othersView("SELECT COUNT(*) FROM QORV_SETTINGS WHERE SUB_KEY = 'SAVED'"), QStringLiteral("2"))
        << "after an import set editor save";

    // Folders made and filed as a run makes them, one of them in a batch, as a run ends it.
    engine::FolderOperations& folders = program.context.folders();
    const qint32 top = folders.CreateFolder(QStringLiteral("Client One"), 0, QString(), 1, 0, {});
    ASSERT_NE(top, 0);
    EXPECT_EQ(othersView("SELECT COUNT(*) FROM PROFILE WHERE DOCNAME = 'Client One'"), QStringLiteral("1"))
        << "after a folder was made";
    const bool batched = folders.BeginBatch(top);
    EXPECT_NE(folders.CreateFolder(QStringLiteral("Matter One"), top, QString(), 1, 0, {}), 0);
    EXPECT_TRUE(folders.EndBatch(batched));
    EXPECT_EQ(othersView("SELECT COUNT(*) FROM PROFILE WHERE DOCNAME = 'Matter One'"), QStringLiteral("1"))
        << "after a batch";

    // Switching libraries and back (as a run does) leaves nothing open either.
    ASSERT_TRUE(program.context.connection().ConnectLibrary(QStringLiteral("ORA")));
    ASSERT_TRUE(program.context.connection().ConnectLibrary(QStringLiteral("DOCS")));
    EXPECT_EQ(othersView("SELECT COUNT(*) FROM QORV_SETTINGS WHERE SUB_KEY = 'SAVED'"), QStringLiteral("2"))
        << "after connecting libraries";
}

} // namespace
