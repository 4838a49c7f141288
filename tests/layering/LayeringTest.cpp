// The program's layers, checked on the include lines of its sources: each layer includes only the
// layers it rests on, only the windows include QtWidgets, and only the local backend includes SQLite
// or QtSql, and only its PostgreSQL store (src/dm/local/Pg*) libpq. The tests themselves are outside the
// rule: they drive any layer.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

enum class Layer { Common, Dm, DmLocal, Config, Engine, App, Gui, Program, Tool };

struct LayerRule {
    QString folder; // relative to the source root, with a trailing "/"
    Layer layer;
    std::set<Layer> uses;
    bool widgets; // may include QtWidgets
    bool sqlite;  // may include SQLite and QtSql
};

// Longest folders first, so that a file finds its own layer before the one around it.
const std::vector<LayerRule>& Rules() {
    using enum Layer;
    static const std::vector<LayerRule> rules = {
        {QStringLiteral("src/dm/local/"), DmLocal, {Common, Dm}, false, true},
        {QStringLiteral("src/common/"), Common, {}, false, false},
        {QStringLiteral("src/dm/"), Dm, {Common}, false, false},
        {QStringLiteral("src/config/"), Config, {Common, Dm}, false, false},
        {QStringLiteral("src/engine/"), Engine, {Common, Dm, Config}, false, false},
        {QStringLiteral("src/app/"), App, {Common, Dm, Config, Engine}, false, false},
        {QStringLiteral("src/gui/"), Gui, {Common, Dm, Config, Engine, App}, true, false},
        // main.cpp wires everything together, through the windows' own code.
        {QStringLiteral("src/"), Program, {Common, Dm, DmLocal, Config, Engine, App, Gui}, false, false},
        // The admin tool writes a library's rows through the local backend, in the formats config
        // defines (the folder rules' settings rows).
        {QStringLiteral("tools/dm/"), Tool, {Common, Dm, DmLocal, Config}, false, false},
    };
    return rules;
}

const LayerRule* RuleOf(const QString& path) {
    for (const LayerRule& rule : Rules())
        if (path.startsWith(rule.folder))
            return &rule;
    return nullptr;
}

QString Root() {
    return QStringLiteral(VANTRELIS_SOURCE_ROOT);
}

// A header of a Qt module: named with the module's folder, or found in it.
bool IsQtHeader(const QString& name, const QString& module, const QString& headers) {
    return name == module || name.startsWith(module + QLatin1Char('/')) ||
           (!name.contains(QLatin1Char('/')) && QFileInfo::exists(QDir(headers).filePath(name)));
}

// A header of Qt Sql, which the build does not use: its module folder or one of its QSql classes.
bool IsQtSqlHeader(const QString& name) {
    return name == QLatin1String("QtSql") || name.startsWith(QLatin1String("QtSql/")) ||
           name.startsWith(QLatin1String("QSql"));
}

// A header of libpq, PostgreSQL's client library.
bool IsLibpqHeader(const QString& name) {
    return name == QLatin1String("libpq-fe.h") || name == QLatin1String("postgresql/libpq-fe.h") ||
           name.startsWith(QLatin1String("libpq/")) || name == QLatin1String("libpq-events.h");
}

// Why `file` (relative to the source root) may not include `include` (as written, with its "" or
// <>); empty when it may.
QString Forbidden(const QString& file, const QString& include) {
    const LayerRule* own = RuleOf(file);
    if (!own)
        return QString();
    const QString name = include.mid(1, include.size() - 2);
    if (include.startsWith(QLatin1Char('<'))) {
        if (!own->widgets &&
            IsQtHeader(name, QStringLiteral("QtWidgets"), QStringLiteral(VANTRELIS_QT_WIDGETS_HEADERS)))
            return QStringLiteral("QtWidgets outside src/gui/");
        if (!own->sqlite && (name == QLatin1String("sqlite3.h") || name == QLatin1String("sqlite3ext.h")))
            return QStringLiteral("SQLite outside src/dm/local/");
        if (!own->sqlite && IsQtSqlHeader(name))
            return QStringLiteral("QtSql outside src/dm/local/");
        if (IsLibpqHeader(name) && !file.startsWith(QLatin1String("src/dm/local/Pg")))
            return QStringLiteral("libpq outside the PostgreSQL store (src/dm/local/Pg*)");
        return QString();
    }
    // A header beside the file belongs to its own folder.
    if (QFileInfo::exists(QDir(Root()).filePath(QFileInfo(file).path() + QLatin1Char('/') + name)))
        return QString();
    const LayerRule* target = RuleOf(QStringLiteral("src/") + name);
    if (!target || target->layer == own->layer || own->uses.count(target->layer))
        return QString();
    return QStringLiteral("%1 may not use %2").arg(own->folder, target->folder);
}

struct Verdict {
    const char* file;
    const char* include;
    bool allowed;
};

TEST(LayeringTest, TellsAllowedFromForbiddenIncludes) {
    const Verdict verdicts[] = {
        {"src/gui/DMMain.cpp", "<QWidget>", true},
        {"src/gui/DMMain.cpp", "<QtWidgets/QLabel>", true},
        {"src/common/Log.cpp", "<QWidget>", false},
        {"src/app/Startup.cpp", "<QtWidgets/QLabel>", false},
        {"src/main.cpp", "<QApplication>", false},
        {"src/common/Log.cpp", "<QString>", true},
        {"src/dm/local/LibraryDatabase.cpp", "<sqlite3.h>", true},
        {"src/dm/SqlGateway.cpp", "<sqlite3.h>", false},
        {"tools/dm/DmTool.cpp", "<sqlite3.h>", false},
        {"src/dm/local/PgLibraryStore.cpp", "<libpq-fe.h>", true},
        {"src/dm/local/PgLibraryStore.cpp", "<postgresql/libpq-fe.h>", true},
        {"src/dm/local/LibraryDatabase.cpp", "<libpq-fe.h>", false},
        {"src/dm/local/LocalServer.cpp", "<libpq/libpq-fs.h>", false},
        {"src/dm/SqlGateway.cpp", "<libpq-fe.h>", false},
        {"tools/dm/DmTool.cpp", "<libpq-fe.h>", false},
        {"src/config/FolderRules.cpp", "<QSqlQuery>", false},
        {"src/dm/local/LocalSql.cpp", "<QtSql/QSqlDatabase>", true},
        {"src/engine/FolderWalk.cpp", "<QtSql>", false},
        {"src/app/Startup.cpp", "<QSqlDatabase>", false},
        {"src/app/Startup.cpp", "<QSettings>", true},
        {"src/dm/FusionConnection.cpp", "\"config/RuleTable.h\"", false},
        {"src/config/FolderRules.cpp", "\"dm/local/LibraryDatabase.h\"", false},
        {"src/config/FolderRules.cpp", "\"dm/SqlRows.h\"", true},
        {"src/engine/security/AddSecurity.cpp", "\"engine/DocumentSecurity.h\"", true},
        {"src/engine/security/AddSecurity.cpp", "\"app/AppContext.h\"", false},
        {"src/app/Startup.cpp", "\"gui/DMMain.h\"", false},
        {"src/gui/DMMain.cpp", "\"app/MainView.h\"", true},
        {"src/common/Log.cpp", "\"dm/DmSql.h\"", false},
        {"src/main.cpp", "\"dm/local/LocalBackend.h\"", true},
        {"tools/dm/DmTool.cpp", "\"dm/local/LibraryAdmin.h\"", true},
        {"tools/dm/DmTool.cpp", "\"config/RuleTable.h\"", true},
        {"tools/dm/DmTool.cpp", "\"engine/FolderOperations.h\"", false},
        {"src/dm/local/LibraryAdmin.cpp", "\"config/FolderRuleDefinition.h\"", false},
        {"tools/dm/DmTool.cpp", "\"DmTool.h\"", true},
    };
    for (const Verdict& v : verdicts) {
        SCOPED_TRACE(std::string(v.file) + " " + v.include);
        EXPECT_EQ(Forbidden(QLatin1String(v.file), QLatin1String(v.include)).isEmpty(), v.allowed);
    }
}

TEST(LayeringTest, EverySourceFileKeepsToItsLayer) {
    const QRegularExpression includeLine(QStringLiteral(R"(^\s*#\s*include\s*([<"][^>"]+[>"]))"));
    const QDir root(Root());
    int files = 0;
    QStringList breaches;
    for (const char* folder : {"src", "tools"}) {
        QDirIterator it(root.filePath(QLatin1String(folder)),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString file = root.relativeFilePath(path);
            QFile source(path);
            ASSERT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Text)) << file.toStdString();
            ++files;
            int number = 0;
            while (!source.atEnd()) {
                const QString line = QString::fromUtf8(source.readLine());
                ++number;
                const QRegularExpressionMatch match = includeLine.match(line);
                if (!match.hasMatch())
                    continue;
                const QString why = Forbidden(file, match.captured(1));
                if (!why.isEmpty())
                    breaches
                        << QStringLiteral("%1:%2: %3 (%4)").arg(file).arg(number).arg(match.captured(1), why);
            }
        }
    }
    EXPECT_GT(files, 100) << "the source tree was not found at " << Root().toStdString();
    EXPECT_TRUE(breaches.isEmpty()) << breaches.join(QLatin1Char('\n')).toStdString();
}

} // namespace
