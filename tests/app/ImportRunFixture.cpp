#include "ImportRunFixture.h"

#include "config/FolderRuleDefinition.h"
#include "dm/local/FolderChain.h"
#include "dm/local/LocalBackend.h"

#include <QFile>

namespace vantrelis::testing {

namespace {
const QString kSet = QStringLiteral("CLIENT_MATTER");
}

dm::local::LibraryAdmin& AdminFolders::admin() {
    return m_env.admin(m_context.session().LibraryName());
}

qint32 AdminFolders::CreateFolder(const QString& name, qint32 parent, const QString&, int, qint32,
                                  const engine::LineColumns& lineColumns) {
    m_created = false;
    dm::local::FolderSpec spec;
    spec.name = name;
    spec.parent = parent;
    spec.owner = QLatin1String(LocalEnvironment::kUser);
    const qint64 folder = admin().addFolder(spec);
    for (const auto& [column, key] : lineColumns.columns)
        admin().database().execute(
            QStringLiteral("UPDATE DOCSADM.PROFILE SET %1 = ?1 WHERE DOCNUMBER = ?2").arg(column),
            {key, folder});
    m_created = true;
    return static_cast<qint32>(folder);
}

bool AdminFolders::AddFolderItem(qint32 item, qint32 parent, const QString&, int, qint32) {
    m_existed = admin()
                    .database()
                    .scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1 AND "
                                           "DOCNUMBER = ?2"),
                            {parent, item})
                    .toInt() > 0;
    if (!m_existed)
        admin().linkItem(parent, item);
    return true;
}

void AdminFolders::LoadForeignColumns() {
    m_foreign.append({m_context.session().LibraryName(), QStringLiteral("CLIENT_ID"),
                      QStringLiteral("CLIENT"), QStringLiteral("PROFILE")});
}

ImportRunSetup::ImportRunSetup() {
    for (const auto& [name, engine] : {std::pair{"LIB_A", 10}, std::pair{"LIB_B", 2}}) {
        dm::local::LibraryAdmin& admin = env.AddLibrary(QLatin1String(name), engine, true);
        FolderRuleDefinition rule = LocalEnvironment::Rule(kSet);
        rule.pathTemplate = FolderRuleDefinition::DefaultTemplate();
        rule.security = FolderRuleDefinition::DefaultSecurity();
        admin.replaceSettings(rule.settingsRows());
        admin.addImportSet(kSet, QStringLiteral(","),
                           {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0},
                            {QStringLiteral("MATTER.MATTER_ID"), 2, 0, QString(), 1},
                            {QStringLiteral("DOCUMENTTYPE.TYPE_ID"), 3, 0, QString(), 1}});
    }
}

void ImportRunSetup::Start(const app::CommandLine& commandLine) {
    env.WriteServerFile(QStringLiteral("LIB_A"));
    run.reset();
    foldersHolder.reset();
    context = std::make_unique<app::AppContext>(commandLine, settings, harness.prompter, harness.clock,
                                                harness.launcher);
    harness.Attach(context->log());
    dm::local::RegisterLocalBackend(context->factory(), env.serverFile());
    context->connection().setView(&connectionView);
    ASSERT_TRUE(context->connection().StartFusion());
    foldersHolder = std::make_unique<AdminFolders>(env, *context);
    MakeRun(view);
}

void ImportRunSetup::MakeRun(app::RunView& runView) {
    run = std::make_unique<app::ImportRun>(*context, runView, *foldersHolder);
    run->setSummaryOutput([this](const QString& line) { summaries.append(line); });
}

app::RunChoices ImportRunSetup::Choices(const QStringList& lines, const QList<bool>& ticks) {
    const QString file = env.filePath(QStringLiteral("import.csv"));
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    app::RunChoices choices;
    choices.libraries = {{QStringLiteral("LIB_A"), ticks.value(0)},
                         {QStringLiteral("LIB_B"), ticks.value(1)}};
    choices.importSet = kSet;
    choices.importFile = file;
    return choices;
}

int ImportRunSetup::FolderCount(const QString& library) {
    return env.admin(library)
        .database()
        .scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER"))
        .toInt();
}

qint64 ImportRunSetup::FolderPath(const QString& library, std::initializer_list<const char*> names,
                                  qint64 top) {
    dm::local::LibraryDatabase& db = env.admin(library).database();
    qint64 folder = 0;
    bool first = true;
    for (const char* name : names) {
        const QString text = QLatin1String(name);
        if (first && top != 0)
            folder = top;
        else if (first)
            folder =
                db.scalar(QStringLiteral("SELECT MIN(F.DOCNUMBER) FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P "
                                         "WHERE F.DOCNUMBER = P.DOCNUMBER AND P.DOCNAME = ?1 AND "
                                         "F.DOCNUMBER NOT IN (SELECT DOCNUMBER FROM DOCSADM.FOLDER_ITEM)"),
                          {text})
                    .toLongLong();
        else
            folder =
                db.scalar(QStringLiteral("SELECT DOCNUMBER FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1 AND "
                                         "DISPLAYNAME = ?2 AND NODE_TYPE = 'F'"),
                          {folder, text})
                    .toLongLong();
        first = false;
        if (folder == 0)
            return 0;
    }
    return folder;
}

qint64 ImportRunSetup::AddFolder(const QString& library, const QString& name, qint64 parent) {
    dm::local::FolderSpec spec;
    spec.name = name;
    spec.parent = parent;
    spec.owner = QLatin1String(LocalEnvironment::kUser);
    return env.admin(library).addFolder(spec);
}

qint64 ImportRunSetup::AddDocument(const QString& library, const QString& name) {
    dm::local::DocumentSpec spec;
    spec.name = name;
    spec.author = QLatin1String(LocalEnvironment::kUser);
    spec.typeId = QStringLiteral("MEMO");
    return env.admin(library).addDocument(spec);
}

QList<qint64> ImportRunSetup::Items(const QString& library, qint64 folder) {
    QList<qint64> items;
    const dm::ItemChain chain = dm::local::FolderChain::Read(env.admin(library).database(), folder);
    for (const dm::ChainItem& item : chain.items())
        items.append(item.docNumber);
    return items;
}

qint64 ImportRunSetup::AddMatterMemo(const QString& library, const QString& client, const QString& matter,
                                     bool newClient) {
    dm::local::LibraryAdmin& admin = env.admin(library);
    if (newClient)
        admin.addClient(client, client);
    admin.addMatter(client, matter, matter);
    dm::local::DocumentSpec spec;
    spec.name = QStringLiteral("Memo of ") + matter;
    spec.author = QLatin1String(LocalEnvironment::kUser);
    spec.typeId = QStringLiteral("MEMO");
    spec.clientId = client;
    spec.matterId = matter;
    return admin.addDocument(spec);
}

} // namespace vantrelis::testing
