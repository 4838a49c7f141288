#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vantrelis::dm::local {
class LibraryAdmin;
}

namespace vantrelis::tools {

// What one demo library holds once built.
struct DemoLibrarySummary {
    QString name;
    QString file;
    int engineCode = 0;
    int people = 0;
    int groups = 0;
    int clients = 0;
    int matters = 0;
    int documents = 0;
    int folders = 0;
    int filedDocuments = 0;
    bool settingsTable = false;
    qint64 milliseconds = 0;
};

struct DemoSummary {
    QString directory;
    QString serverFile;
    QString registryFile;
    QString importFile;
    QString loginUser;
    int importLines = 0;
    std::vector<DemoLibrarySummary> libraries;
    qint64 milliseconds = 0;
};

// Builds the demo environment in a folder: a DM server file, a registry file, three libraries
// (MSSQL and Oracle flavours with settings, folder rule and import set; a small one without the
// settings table) and an import file. The same folder always gets the same content.
class DemoBuilder {
public:
    static constexpr const char* kLoginUser = "GARY";
    static constexpr const char* kRuleName = "CLIENT_MATTER";
    static constexpr const char* kMssqlLibrary = "VANTRELIS_MSSQL";
    static constexpr const char* kOracleLibrary = "VANTRELIS_ORACLE";
    static constexpr const char* kSmallLibrary = "VANTRELIS_SMALL";

    explicit DemoBuilder(QString directory);
    // Builds the libraries on a database server instead of in files: `serverUri` names the server
    // (postgresql://...), each library is the database of its file's name without extension, which
    // must exist and be empty.
    void setServer(const QString& serverUri) { m_server = serverUri; }

    // Raises vantrelis::Fault when the folder already holds a demo or cannot be written.
    DemoSummary Build();

    // The settings table, the default folder rule under `ruleName` and a comma-delimited import set
    // of the same name (client, matter, document type), as every demo library with settings has.
    static void AddSettings(dm::local::LibraryAdmin& admin, const QString& ruleName);

    // Text lines describing a summary, for the tool's output.
    static QStringList Describe(const DemoSummary& summary);

private:
    QString m_directory;
    QString m_server;
};

} // namespace vantrelis::tools
