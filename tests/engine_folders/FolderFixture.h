#pragma once

#include "engine/folders/FolderEngine.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <memory>

namespace vantrelis::testing {

// Records the security engine's calls ("Inherit doc parent", "Add doc template") and answers yes.
class RecordingSecurity : public engine::DocumentSecurity {
public:
    QStringList calls;
    void InheritSecurity(qint64 docNumber, qint64 parentFolder, bool& succeeded) override;
    void AddSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                     bool& succeeded) override;
};

// A connected program on a fresh library DOCS (login user TESTER, client ACME with matters 0042 and
// 0043) and a folder engine on it whose security calls are recorded. Rule 1 starts with no security
// template and every inheritance off.
class FolderFixture : public ::testing::Test {
public:
    static constexpr int kRule = 1;

    void SetUp() override;
    // The engine the library presents itself as: MSSQL (names compare without case) by default.
    virtual int EngineCode() const { return 10; }

    dm::local::LibraryAdmin& admin() { return environment.admin(QStringLiteral("DOCS")); }
    void SetRule(int field, const QString& value) { program->context.rules().setField(kRule, field, value); }
    qint64 Folder(const QString& name, qint64 parent = 0, const QString& matterId = {});
    qint64 Document(const QString& name, const QString& matterId = {});
    QVariant Value(const QString& sql, qint64 docNumber);
    // The folder's items in chain order, after checking that the chain is one clean list.
    QStringList Chain(qint64 parent);
    // Makes the library refuse every `event` ("INSERT", "UPDATE") on `table`.
    void Refuse(const QString& table, const QString& event);
    // Every row of the tables a folder or an item is written to, to compare before and after.
    QStringList Snapshot();
    // Log lines and SQL statements since the set-up or the last Mark().
    QStringList Lines() { return program->harness.LinesSinceMark(); }
    QStringList Statements();
    void Mark() { program->harness.Mark(); }

    LocalEnvironment environment;
    std::unique_ptr<ConnectedProgram> program;
    RecordingSecurity security;
    std::unique_ptr<engine::FolderEngine> engine;
};

} // namespace vantrelis::testing
