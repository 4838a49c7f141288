#include "ToolCommand.h"

#include "DmTool.h"
#include "common/Fault.h"
#include "dm/DmConstants.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/PgLibraryStore.h"

#include <QFileInfo>

namespace vantrelis::tools {

using dm::local::LibraryAdmin;
using dm::local::LibraryDatabase;
using dm::local::PgLibraryStore;

int ToolCommand::usageError(const QString& text) {
    m_err << "vantrelis-dm: " << text << "\nRun 'vantrelis-dm --help' for usage.\n";
    m_err.flush();
    return DmTool::kUsage;
}

int ToolCommand::failed(const QString& text) {
    m_err << "vantrelis-dm: error: " << text << '\n';
    m_err.flush();
    return DmTool::kFailed;
}

int ToolCommand::guarded(const std::function<int()>& body) {
    try {
        const int code = body();
        m_out.flush();
        return code;
    } catch (const Fault& fault) {
        m_out.flush();
        return failed(QStringLiteral("%1 (%2)").arg(fault.description()).arg(fault.number()));
    } catch (const std::exception& error) {
        m_out.flush();
        return failed(QString::fromLocal8Bit(error.what()));
    }
}

QString ToolCommand::Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

LibraryAdmin ToolCommand::openLibrary(const QString& file, const ToolArguments& args, Access access) {
    if (!PgLibraryStore::IsUri(file) && !QFileInfo::exists(file)) {
        throw Fault(dm::local::kAdminUnknownName, QStringLiteral("vantrelis-dm"),
                    QStringLiteral("no library file %1").arg(file));
    }
    const LibraryDatabase::Access mode =
        access == Access::Read ? LibraryDatabase::Access::ReadOnly : LibraryDatabase::Access::ReadWrite;
    if (args.has(kEngineOption)) {
        return LibraryAdmin::OpenLibrary(file, args.value(kEngineOption).toInt(), mode);
    }
    // A library knows its own engine: the DATABASE_ENGINE of its own REMOTE_LIBRARIES row.
    LibraryAdmin probe = LibraryAdmin::OpenLibrary(file, dm::kEngineMssql, mode);
    const int engine = probe.store()
                           .scalar(QStringLiteral(
                               "SELECT DATABASE_ENGINE FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0"))
                           .toInt();
    if (!dm::IsKnownEngine(engine) || engine == dm::kEngineMssql) {
        return probe;
    }
    return LibraryAdmin::OpenLibrary(file, engine, mode);
}

} // namespace vantrelis::tools
