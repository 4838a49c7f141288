#include "Commands.h"
#include "DemoBuilder.h"

#include "common/Fault.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryCopy.h"
#include "dm/local/PgLibraryStore.h"
#include "dm/local/TrusteeLister.h"

#include <QFileInfo>
#include <QUrl>

// The commands that write to a library: its base rows, people, groups, clients, matters, documents,
// folders, links, trustees, settings and parameters.

namespace vantrelis::tools {

using dm::local::LibraryAdmin;
using dm::local::TrusteeLister;

int CreateCommand::run(ToolArguments& args) {
    qint64 engine = 0;
    if (!args.wholeNumber(kEngineOption, dm::kEngineMssql, engine)) {
        return usageError(args.error());
    }
    if (!dm::IsKnownEngine(engine)) {
        return usageError(
            QStringLiteral("--engine must be 10 (MSSQL), 2 or 5 (Oracle) or 6 (Sybase), not %1").arg(engine));
    }
    return guarded([&] {
        const QString file = args.positional(0);
        // A library on a database server is named after its database unless --name says otherwise.
        const QString base = dm::local::PgLibraryStore::IsUri(file)
                                 ? QUrl(file).path().section(QLatin1Char('/'), -1)
                                 : QFileInfo(file).completeBaseName();
        const QString name = args.value(QStringLiteral("--name"), base.toUpper());
        const QString role = args.value(QStringLiteral("--program-role"));
        if (!role.isEmpty() && !dm::local::PgLibraryStore::IsUri(file)) {
            return usageError(QStringLiteral("--program-role is for a library on a database server"));
        }
        LibraryAdmin admin = LibraryAdmin::CreateLibrary(file, static_cast<int>(engine), name);
        // A library made here keeps the run journal from its first run on.
        admin.addJournalTables();
        if (!role.isEmpty()) {
            static_cast<dm::local::PgLibraryStore&>(admin.store()).grantProgramRole(role);
        }
        m_out << "Created library " << name.trimmed().toUpper() << " ("
              << dm::EngineName(static_cast<int>(engine)) << ", engine " << engine << ") in "
              << (dm::local::PgLibraryStore::IsUri(file) ? dm::local::PgLibraryStore::PrintableUri(file)
                                                         : file)
              << '\n';
        return kOk;
    });
}

int CopyCommand::run(ToolArguments& args) {
    const QString target = args.positional(1);
    const QString role = args.value(QStringLiteral("--program-role"));
    if (!role.isEmpty() && !dm::local::PgLibraryStore::IsUri(target)) {
        return usageError(QStringLiteral("--program-role is for a library on a database server"));
    }
    return guarded([&] {
        LibraryAdmin source = openLibrary(args.positional(0), args, Access::Read);
        const QString name = source.store()
                                 .scalar(QStringLiteral(
                                     "SELECT LIBRARY_NAME FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0"))
                                 .toString();
        const int engine = source.store().engineCode();
        LibraryAdmin copy = LibraryAdmin::CreateLibrary(target, engine, name);
        const auto tables = dm::local::LibraryCopy::CopyRows(source.store(), copy);
        if (!role.isEmpty()) {
            static_cast<dm::local::PgLibraryStore&>(copy.store()).grantProgramRole(role);
        }
        qint64 rows = 0;
        for (const auto& table : tables) {
            rows += table.rows;
        }
        m_out << "Copied library " << name << " (" << dm::EngineName(engine) << ", engine " << engine
              << ") to "
              << (dm::local::PgLibraryStore::IsUri(target) ? dm::local::PgLibraryStore::PrintableUri(target)
                                                           : target)
              << ": " << rows << " rows in " << tables.size() << " tables\n";
        return kOk;
    });
}

int AddPersonCommand::run(ToolArguments& args) {
    if (!args.has(QStringLiteral("--group"))) {
        return usageError(QStringLiteral("add-person needs --group GROUP_ID (the person's primary group)"));
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 id = admin.addPerson(args.positional(1), args.value(QStringLiteral("--full-name")),
                                          args.value(QStringLiteral("--group")));
        m_out << "Added person " << args.positional(1).trimmed().toUpper() << " (SYSTEM_ID " << id
              << ", primary group " << args.value(QStringLiteral("--group")).trimmed().toUpper() << ")\n";
        return kOk;
    });
}

int AddGroupCommand::run(ToolArguments& args) {
    qint64 access = 0;
    if (!args.wholeNumber(QStringLiteral("--univ-access"), 0, access)) {
        return usageError(args.error());
    }
    if (access < 0 || access > LibraryAdmin::kMaxUnivAccess) {
        return usageError(QStringLiteral("--univ-access must be 0 to %1, not %2")
                              .arg(LibraryAdmin::kMaxUnivAccess)
                              .arg(access));
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 id = admin.addGroup(args.positional(1), args.value(QStringLiteral("--name")), access);
        m_out << "Added group " << args.positional(1).trimmed().toUpper() << " (SYSTEM_ID " << id
              << ", UNIV_ACCESS " << access << ")\n";
        return kOk;
    });
}

int AddMemberCommand::run(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        admin.addMember(args.positional(1), args.positional(2));
        m_out << args.positional(1).trimmed().toUpper() << " is a member of "
              << args.positional(2).trimmed().toUpper() << '\n';
        return kOk;
    });
}

int AddClientCommand::run(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 id = admin.addClient(args.positional(1), args.value(QStringLiteral("--name")));
        m_out << "Added client " << args.positional(1).trimmed() << " (SYSTEM_ID " << id << ")\n";
        return kOk;
    });
}

int AddMatterCommand::run(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 id =
            admin.addMatter(args.positional(1), args.positional(2), args.value(QStringLiteral("--name")));
        m_out << "Added matter " << args.positional(2).trimmed() << " of client "
              << args.positional(1).trimmed() << " (SYSTEM_ID " << id << ")\n";
        return kOk;
    });
}

int AddDocumentCommand::run(ToolArguments& args) {
    for (const char* required : {"--name", "--author", "--type", "--client", "--matter"}) {
        if (!args.has(QLatin1String(required))) {
            return usageError(QStringLiteral("add-document needs %1").arg(QLatin1String(required)));
        }
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        dm::local::DocumentSpec spec;
        spec.name = args.value(QStringLiteral("--name"));
        spec.author = args.value(QStringLiteral("--author"));
        spec.typist = args.value(QStringLiteral("--typist"));
        spec.typeId = args.value(QStringLiteral("--type"));
        spec.clientId = args.value(QStringLiteral("--client"));
        spec.matterId = args.value(QStringLiteral("--matter"));
        spec.application = args.value(QStringLiteral("--app"));
        spec.abstract = args.value(QStringLiteral("--abstract"));
        const qint64 docNumber = admin.addDocument(spec);
        m_out << "Added document #" << docNumber << ' ' << Quoted(spec.name.trimmed()) << '\n';
        return kOk;
    });
}

int AddFolderCommand::run(ToolArguments& args) {
    qint64 parent = 0;
    if (!args.wholeNumber(QStringLiteral("--parent"), 0, parent)) {
        return usageError(args.error());
    }
    if (!args.has(QStringLiteral("--owner"))) {
        return usageError(QStringLiteral("add-folder needs --owner USER_ID"));
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        dm::local::FolderSpec spec;
        spec.name = args.positional(1);
        spec.parent = parent;
        spec.owner = args.value(QStringLiteral("--owner"));
        spec.isPublic = !args.has(QStringLiteral("--private"));
        spec.clientId = args.value(QStringLiteral("--client"));
        spec.matterId = args.value(QStringLiteral("--matter"));
        spec.form = args.value(QStringLiteral("--form"));
        const qint64 docNumber = admin.addFolder(spec);
        m_out << "Added folder #" << docNumber << ' ' << Quoted(spec.name.trimmed());
        if (parent != 0) {
            m_out << " in folder #" << parent;
        }
        m_out << '\n';
        return kOk;
    });
}

int LinkCommand::run(ToolArguments& args) {
    qint64 parent = 0;
    qint64 item = 0;
    if (!args.wholeNumberAt(1, QStringLiteral("PARENT_DOCNUMBER"), parent) ||
        !args.wholeNumberAt(2, QStringLiteral("ITEM_DOCNUMBER"), item)) {
        return usageError(args.error());
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 row = admin.linkItem(parent, item);
        m_out << "Linked document #" << item << " into folder #" << parent << " (FOLDER_ITEM " << row
              << ")\n";
        return kOk;
    });
}

int AddTrusteeCommand::run(ToolArguments& args) {
    qint64 docNumber = 0;
    qint64 rights = 0;
    if (!args.wholeNumberAt(1, QStringLiteral("DOCNUMBER"), docNumber) ||
        !args.wholeNumberAt(3, QStringLiteral("RIGHTS"), rights)) {
        return usageError(args.error());
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        admin.addTrustee(docNumber, args.positional(2), rights);
        m_out << "Trustee " << args.positional(2).trimmed().toUpper() << " on document #" << docNumber << ": "
              << TrusteeLister::RightsText(rights <= 0 ? dm::kDeniedRights : rights) << '\n';
        return kOk;
    });
}

int AddSettingsCommand::run(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const bool existed = admin.hasSettingsTable();
        if (args.has(QStringLiteral("--rule"))) {
            DemoBuilder::AddSettings(admin, args.value(QStringLiteral("--rule")));
        } else {
            admin.addSettingsTable();
        }
        m_out << (existed ? "QORV_SETTINGS was there already" : "Added QORV_SETTINGS");
        if (args.has(QStringLiteral("--rule"))) {
            m_out << "; folder rule and comma-delimited import set "
                  << args.value(QStringLiteral("--rule")).trimmed().toUpper() << " written";
        }
        m_out << '\n';
        return kOk;
    });
}

int UpgradeCommand::run(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const QStringList added = admin.addJournalTables();
        if (added.isEmpty()) {
            m_out << "The run journal (VANTRELIS_RUNS, VANTRELIS_RUN_CHANGES) was there already\n";
        } else {
            m_out << "Added " << added.join(QStringLiteral(", ")) << '\n';
        }
        return kOk;
    });
}

int SetParamCommand::run(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        admin.setParameter(args.positional(1), args.positional(2), args.positional(3));
        m_out << "Parameter " << args.positional(2).trimmed() << " = " << args.positional(3) << " for "
              << args.positional(1).trimmed() << '\n';
        return kOk;
    });
}

} // namespace vantrelis::tools
