#include "SecurityFixture.h"

#include "dm/local/TrusteeLister.h"

namespace vantrelis::testing {

void SecurityFixture::SetUp() {
    auto& docs = environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
    docs.batch([&] {
        docs.addGroup(QStringLiteral("LEGAL"), QStringLiteral("Legal"), 0);
        docs.addGroup(QStringLiteral("CLERKS"), QStringLiteral("Clerks"), 0);
        docs.addPerson(QStringLiteral("JSMITH"), QStringLiteral("Jane Smith"), QStringLiteral("LEGAL"));
        docs.addPerson(QStringLiteral("MJONES"), QStringLiteral("Mark Jones"), QStringLiteral("CLERKS"));
    });
    environment.WriteServerFile();
    program = std::make_unique<ConnectedProgram>(environment.serverFile());
    ASSERT_TRUE(program->context.connection().StartFusion())
        << program->harness.Lines().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(program->context.rules().count(), 1);
    engine = std::make_unique<engine::SecurityEngine>(program->context.gateway(), program->context.log(),
                                                      program->context.rules());
    program->harness.Mark();
    program->harness.status.texts.clear();
    program->harness.status.busyChanges.clear();
}

qint64 SecurityFixture::Document(const QString& author, const QString& typist, int defaultRights,
                                 const std::map<QString, qint64>& trustees) {
    dm::local::DocumentSpec spec;
    spec.name = QStringLiteral("Memo");
    spec.author = author;
    spec.typist = typist;
    spec.typeId = QStringLiteral("MEMO");
    spec.defaultRights = defaultRights;
    const qint64 doc = admin().addDocument(spec);
    for (const auto& [name, rights] : trustees)
        admin().addTrustee(doc, name, rights);
    return doc;
}

std::map<QString, qint64> SecurityFixture::Trustees(qint64 docNumber) {
    std::map<QString, qint64> result;
    const auto entries = dm::local::TrusteeLister::List(admin().database(), docNumber);
    for (const auto& entry : entries)
        result[entry.name.isEmpty() ? QStringLiteral("#%1").arg(entry.id) : entry.name] = entry.rights;
    EXPECT_EQ(result.size(), entries.size()) << "one row per trustee";
    return result;
}

qint64 SecurityFixture::DefaultRights(qint64 docNumber) {
    return admin()
        .database()
        .scalar(QStringLiteral("SELECT DEFAULT_RIGHTS FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
                {docNumber})
        .toLongLong();
}

void SecurityFixture::Refuse(const QString& trusteeId) {
    const qint64 id =
        admin()
            .database()
            .scalar(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.PEOPLE WHERE USER_ID = ?1 UNION "
                                   "SELECT SYSTEM_ID FROM DOCSADM.GROUPS WHERE GROUP_ID = ?1"),
                    {trusteeId})
            .toLongLong();
    ASSERT_NE(id, 0) << trusteeId.toStdString();
    admin().database().execute(QStringLiteral("CREATE TRIGGER DOCSADM.REFUSE_%1 BEFORE INSERT ON SECURITY "
                                              "WHEN NEW.PERSONORGROUP = %2 BEGIN SELECT RAISE(ABORT, "
                                              "'trustee refused'); END")
                                   .arg(trusteeId)
                                   .arg(id));
}

QStringList SecurityFixture::StatusTexts(qint64 docNumber) const {
    QStringList texts = program->harness.status.texts;
    texts.replaceInStrings(QStringLiteral("#") + QString::number(docNumber), QStringLiteral("#D"));
    return texts;
}

} // namespace vantrelis::testing
