#include "pg/PgCluster.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QVersionNumber>
#include <libpq-fe.h>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

namespace vantrelis::testing {

namespace {

std::unique_ptr<PgCluster>& SharedSlot() {
    static std::unique_ptr<PgCluster> cluster;
    return cluster;
}

QString& SkipText() {
    static QString text;
    return text;
}

// Why the cluster did not start, once it failed: every later test fails with it too.
QString& StartFailure() {
    static QString text;
    return text;
}

bool& Tried() {
    static bool tried = false;
    return tried;
}

// The newest server's programs: VANTRELIS_PG_BIN, else Debian's /usr/lib/postgresql/N/bin, else
// the PATH.
QString FindBinFolder() {
    const QString fromEnvironment = qEnvironmentVariable("VANTRELIS_PG_BIN");
    if (!fromEnvironment.isEmpty())
        return QFileInfo::exists(fromEnvironment + QStringLiteral("/initdb")) ? fromEnvironment : QString();
    QString best;
    QVersionNumber bestVersion;
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    for (const QString& version : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString bin = versions.filePath(version + QStringLiteral("/bin"));
        const QVersionNumber number = QVersionNumber::fromString(version);
        if (QFileInfo::exists(bin + QStringLiteral("/initdb")) &&
            QFileInfo::exists(bin + QStringLiteral("/pg_ctl")) && number > bestVersion) {
            best = bin;
            bestVersion = number;
        }
    }
    if (!best.isEmpty())
        return best;
    const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
    return initdb.isEmpty() ? QString() : QFileInfo(initdb).absolutePath();
}

} // namespace

PgCluster* PgCluster::Shared() {
    if (!StartFailure().isEmpty())
        throw std::runtime_error(StartFailure().toStdString());
    if (!Tried()) {
        Tried() = true;
        std::unique_ptr<PgCluster> cluster(new PgCluster);
        cluster->m_binFolder = FindBinFolder();
        if (cluster->m_binFolder.isEmpty()) {
            SkipText() = QStringLiteral("PostgreSQL server programs (initdb, pg_ctl) are not installed; "
                                        "scripts/install-deps.sh installs them");
            return nullptr;
        }
        QString error;
        if (!cluster->start(error)) {
            StartFailure() = QStringLiteral("The test PostgreSQL cluster does not start: ") + error;
            throw std::runtime_error(StartFailure().toStdString());
        }
        SharedSlot() = std::move(cluster);
    }
    return SharedSlot().get();
}

const QString& PgCluster::SkipReason() {
    return SkipText();
}

void PgCluster::StopShared() {
    SharedSlot().reset();
}

bool PgCluster::runProgram(const QString& program, const QStringList& arguments, QString& output) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_folder->path());
    const QString path = m_binFolder + QLatin1Char('/') + program;
    if (m_asPostgres)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                             QStringLiteral("--"), path} +
                                                     arguments);
    else
        process.start(path, arguments);
    const bool finished = process.waitForFinished(120000);
    output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PgCluster::start(QString& error) {
    m_folder = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/vantrelis-pg-XXXXXX"));
    if (!m_folder->isValid()) {
        error = QStringLiteral("no temporary folder");
        return false;
    }
    m_dataFolder = m_folder->filePath(QStringLiteral("data"));
    m_socketFolder = m_folder->path();
    // The server refuses to run as root: as root, the cluster is the postgres user's.
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam("postgres");
        if (!user) {
            error = QStringLiteral("the tests run as root and there is no postgres user to run the server");
            return false;
        }
        if (::chown(QFile::encodeName(m_folder->path()).constData(), user->pw_uid, user->pw_gid) != 0) {
            error = QStringLiteral("cannot hand %1 to the postgres user").arg(m_folder->path());
            return false;
        }
        m_asPostgres = true;
    }
    m_port = 20000 + int(::getpid() % 30000);
    QString output;
    if (!runProgram(QStringLiteral("initdb"),
                    {QStringLiteral("-D"), m_dataFolder, QStringLiteral("-U"), ownerName(),
                     QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                     QStringLiteral("UTF8"), QStringLiteral("--no-locale"), QStringLiteral("--no-sync"),
                     QStringLiteral("--no-instructions")},
                    output)) {
        error = QStringLiteral("initdb failed: %1").arg(output);
        return false;
    }
    const QString options =
        QStringLiteral("-k %1 -p %2 -c listen_addresses='' -c fsync=off "
                       "-c synchronous_commit=off -c full_page_writes=off -c max_connections=40")
            .arg(m_socketFolder)
            .arg(m_port);
    if (!runProgram(QStringLiteral("pg_ctl"),
                    {QStringLiteral("-D"), m_dataFolder, QStringLiteral("-l"),
                     m_folder->filePath(QStringLiteral("log")), QStringLiteral("-w"), QStringLiteral("-t"),
                     QStringLiteral("60"), QStringLiteral("-o"), options, QStringLiteral("start")},
                    output)) {
        QFile log(m_folder->filePath(QStringLiteral("log")));
        log.open(QIODevice::ReadOnly);
        error =
            QStringLiteral("pg_ctl start failed: %1 %2").arg(output, QString::fromLocal8Bit(log.readAll()));
        return false;
    }
    m_started = true;
    return true;
}

PgCluster::~PgCluster() {
    if (!m_started)
        return;
    QString output;
    runProgram(QStringLiteral("pg_ctl"),
               {QStringLiteral("-D"), m_dataFolder, QStringLiteral("-m"), QStringLiteral("immediate"),
                QStringLiteral("-w"), QStringLiteral("stop")},
               output);
}

QString PgCluster::uri(const QString& database, const QString& user) const {
    return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4")
        .arg(user.isEmpty() ? ownerName() : user, database, m_socketFolder)
        .arg(m_port);
}

void PgCluster::run(const QString& database, const QString& sql) {
    PGconn* conn = PQconnectdb(uri(database).toUtf8().constData());
    std::string problem;
    if (PQstatus(conn) != CONNECTION_OK) {
        problem = PQerrorMessage(conn);
    } else {
        PGresult* result = PQexec(conn, sql.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            problem = PQresultErrorMessage(result);
        PQclear(result);
    }
    PQfinish(conn);
    if (!problem.empty())
        throw std::runtime_error(problem + " in: " + sql.toStdString());
}

QString PgCluster::createDatabase(const QString& prefix) {
    const QString name = QStringLiteral("%1_%2").arg(prefix.toLower()).arg(++m_databases);
    run(QStringLiteral("postgres"),
        QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 STRATEGY FILE_COPY").arg(name));
    return name;
}

void PgCluster::createRole(const QString& role) {
    run(QStringLiteral("postgres"),
        QStringLiteral("DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1') THEN "
                       "CREATE ROLE %1 LOGIN; END IF; END$$")
            .arg(role));
}

} // namespace vantrelis::testing
