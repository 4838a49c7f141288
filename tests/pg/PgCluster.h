#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace vantrelis::testing {

// A private, throwaway PostgreSQL cluster for one test program: initdb and pg_ctl in a temporary
// folder, listening only on a socket in that folder (no TCP, nothing shared with the machine's own
// servers), run as the `postgres` user when the tests run as root. Started once, stopped (and its
// folder removed) at the end.
class PgCluster {
public:
    // The cluster of this test program, started on first use. Null with `SkipReason()` set when
    // the PostgreSQL server programs are not installed; a cluster that is installed but does not
    // start is a failure, not a skip.
    static PgCluster* Shared();
    static const QString& SkipReason();
    // Stops the shared cluster (at the end of the program).
    static void StopShared();

    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // The cluster's superuser, which owns the libraries the tests build.
    QString ownerName() const { return QStringLiteral("vantrelis_owner"); }
    // A URI for a database as a user (the owner when empty).
    QString uri(const QString& database, const QString& user = QString()) const;
    // A fresh, empty database with a unique name starting with `prefix`; answers its name.
    QString createDatabase(const QString& prefix);
    // A login role without any rights of its own (idempotent).
    void createRole(const QString& role);
    // Runs SQL as the owner on a database, for the tests' own setup; raises std::runtime_error.
    void run(const QString& database, const QString& sql);
    // The folder of the server's socket.
    const QString& socketFolder() const { return m_socketFolder; }

private:
    PgCluster() = default;
    bool start(QString& error);
    // Runs a server program (as `postgres` when root); answers false with its output on failure.
    bool runProgram(const QString& program, const QStringList& arguments, QString& output) const;

    QString m_binFolder;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_dataFolder;
    QString m_socketFolder;
    int m_port = 54329;
    bool m_asPostgres = false;
    bool m_started = false;
    int m_databases = 0;
};

} // namespace vantrelis::testing
