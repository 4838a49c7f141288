#pragma once

#include "RecordingRunView.h"
#include "app/AppContext.h"
#include "app/ImportRun.h"
#include "engine/FolderOperations.h"
#include "support/LocalEnvironment.h"
#include "support/LogHarness.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

namespace vantrelis::testing {

// Folders and items written straight into the library's tables, as the folder engine leaves them.
class AdminFolders : public engine::FolderOperations {
public:
    AdminFolders(LocalEnvironment& env, app::AppContext& context) : m_env(env), m_context(context) {}

    QString documentsSql;

    qint32 CreateFolder(const QString& name, qint32 parent, const QString& form, int rule, qint32 sort,
                        const engine::LineColumns& lineColumns) override;
    bool AddFolderItem(qint32 item, qint32 parent, const QString& type, int rule, qint32 sort) override;
    QString AddDocsSQL(qint32, int) override { return documentsSql; }
    bool FolderCreated() const override { return m_created; }
    void setFolderCreated(bool created) override { m_created = created; }
    bool ItemExisted() const override { return m_existed; }
    void LoadForeignColumns() override;
    const QList<engine::ForeignColumn>& foreignColumns() const override { return m_foreign; }

private:
    dm::local::LibraryAdmin& admin();

    LocalEnvironment& m_env;
    app::AppContext& m_context;
    bool m_created = false;
    bool m_existed = false;
    QList<engine::ForeignColumn> m_foreign;
};

// Two libraries LIB_A (MSSQL, current) and LIB_B (Oracle), each with the folder rule and the
// comma-delimited import set CLIENT_MATTER of the default template.
class ImportRunSetup {
public:
    ImportRunSetup();

    LocalEnvironment env;
    LogRecorder harness;
    MemorySettingsStore settings;
    RecordingConnectionView connectionView;
    RecordingRunView view;
    std::unique_ptr<app::AppContext> context;
    std::unique_ptr<AdminFolders> foldersHolder;
    std::unique_ptr<app::ImportRun> run;
    QStringList summaries;

    // Logs in with the command line and connects LIB_A.
    void Start(const app::CommandLine& commandLine = {});
    void Go() { run->Button_Go_Click(); }
    // Replaces the folder operations with a `Folders` (an AdminFolders made on the environment and
    // context) and makes a new run on them and on `runView` (the recording view when null).
    template <class Folders> Folders& UseFolders(app::RunView* runView = nullptr) {
        auto made = std::make_unique<Folders>(env, *context);
        Folders& result = *made;
        foldersHolder = std::move(made);
        MakeRun(runView ? *runView : view);
        return result;
    }
    // A new run on the folder operations held and `runView`, its summary lines kept in summaries.
    void MakeRun(app::RunView& runView);
    AdminFolders& folders() { return *foldersHolder; }

    // An import file of these lines, and the libraries ticked as given.
    app::RunChoices Choices(const QStringList& lines, const QList<bool>& ticks = {true, true});

    int FolderCount(const QString& library);
    // The folder at the end of a path of names, from the top level (lowest number) or from `top`.
    qint64 FolderPath(const QString& library, std::initializer_list<const char*> names, qint64 top = 0);
    qint64 AddFolder(const QString& library, const QString& name, qint64 parent);
    qint64 AddDocument(const QString& library, const QString& name);
    // A matter of a client (the client too, with newClient) and a memo of that matter, so that the
    // matter's new folders get it. Answers the memo's document number.
    qint64 AddMatterMemo(const QString& library, const QString& client, const QString& matter,
                         bool newClient = true);
    // A folder's items in chain order.
    QList<qint64> Items(const QString& library, qint64 folder);
};

class ImportRunFixture : public ::testing::Test, public ImportRunSetup {};

} // namespace vantrelis::testing
