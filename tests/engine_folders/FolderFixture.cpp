#include "FolderFixture.h"

#include "support/LibraryRows.h"

namespace vantrelis::testing {

void RecordingSecurity::InheritSecurity(qint64 docNumber, qint64 parentFolder, bool& succeeded) {
    calls << QStringLiteral("Inherit %1 %2").arg(docNumber).arg(parentFolder);
    succeeded = true;
}

void RecordingSecurity::AddSecurity(qint64 docNumber, const QString& securityTemplate, int, bool& succeeded) {
    calls << QStringLiteral("Add %1 %2").arg(docNumber).arg(securityTemplate);
    succeeded = true;
}

void FolderFixture::SetUp() {
    auto& docs = environment.AddLibrary(QStringLiteral("DOCS"), EngineCode(), true);
    docs.batch([&] {
        docs.addClient(QStringLiteral("ACME"), QStringLiteral("Acme"));
        docs.addMatter(QStringLiteral("ACME"), QStringLiteral("0042"), QStringLiteral("Merger"));
        docs.addMatter(QStringLiteral("ACME"), QStringLiteral("0043"), QStringLiteral("Lease"));
    });
    environment.WriteServerFile();
    program = std::make_unique<ConnectedProgram>(environment.serverFile());
    ASSERT_TRUE(program->context.connection().StartFusion())
        << program->harness.Lines().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(program->context.rules().count(), kRule);
    SetRule(RuleTable::kSecurity, QString());
    for (const int field :
         {RuleTable::kInheritMetadata, RuleTable::kInheritSecurity, RuleTable::kAppendTrustees})
        SetRule(field, QStringLiteral("0"));
    engine = std::make_unique<engine::FolderEngine>(program->context.gateway(), program->context.log(),
                                                    program->context.rules(), security);
    Mark();
}

qint64 FolderFixture::Folder(const QString& name, qint64 parent, const QString& matterId) {
    dm::local::FolderSpec spec;
    spec.name = name;
    spec.parent = parent;
    spec.owner = QLatin1String(LocalEnvironment::kUser);
    spec.clientId = matterId.isEmpty() ? QString() : QStringLiteral("ACME");
    spec.matterId = matterId;
    return admin().addFolder(spec);
}

qint64 FolderFixture::Document(const QString& name, const QString& matterId) {
    dm::local::DocumentSpec spec;
    spec.name = name;
    spec.author = QLatin1String(LocalEnvironment::kUser);
    spec.typeId = QStringLiteral("MEMO");
    spec.clientId = matterId.isEmpty() ? QString() : QStringLiteral("ACME");
    spec.matterId = matterId;
    return admin().addDocument(spec);
}

QVariant FolderFixture::Value(const QString& sql, qint64 docNumber) {
    return admin().database().scalar(sql, {docNumber});
}

QStringList FolderFixture::Chain(qint64 parent) {
    return ChainNames(admin().database(), parent);
}

void FolderFixture::Refuse(const QString& table, const QString& event) {
    admin().database().execute(QStringLiteral("CREATE TRIGGER DOCSADM.REFUSE_%1_%2 BEFORE %2 ON %1 "
                                              "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                                   .arg(table, event));
}

QStringList FolderFixture::Snapshot() {
    QStringList rows;
    for (const char* table :
         {"PROFILE", "FOLDER", "VERSIONS", "FOLDER_ITEM", "SECURITY", "ROOT_OBJECT", "KEY_COUNTERS"}) {
        const auto result =
            admin().database().query(QStringLiteral("SELECT * FROM DOCSADM.%1").arg(QLatin1String(table)));
        for (const auto& row : result.rows) {
            QStringList values{QLatin1String(table)};
            for (const QVariant& value : row)
                values << value.toString();
            rows << values.join(QLatin1Char('|'));
        }
    }
    rows.sort();
    return rows;
}

QStringList FolderFixture::Statements() {
    const QStringList lines = Lines();
    QStringList statements;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("Executing ")) &&
            lines[i].contains(QLatin1String(" SQL Instruction on ")))
            statements << lines[i + 1];
    }
    return statements;
}

} // namespace vantrelis::testing
