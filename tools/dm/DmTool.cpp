#include "DmTool.h"

#include "ToolArguments.h"
#include "ToolCommand.h"

#include <algorithm>

namespace vantrelis::tools {

static_assert(DmTool::kOk == 0 && DmTool::kFailed == 1 && DmTool::kUsage == 2 && DmTool::kChainBroken == 3,
              "the commands answer the same exit codes");

DmTool::DmTool(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

QString DmTool::UsageText() {
    QString text =
        QStringLiteral("Usage: vantrelis-dm COMMAND ARGUMENTS...\n\n"
                       "Administration of local DM libraries (SQLite files) and the demo environment.\n\n"
                       "Commands:\n");
    for (const CommandEntry& command : CommandTable()) {
        text += QStringLiteral("  ") + QLatin1String(command.synopsis) + QLatin1Char('\n');
    }
    text +=
        QStringLiteral("\nCommands on LIB.db take the engine from the library's own REMOTE_LIBRARIES row; "
                       "--engine overrides it.\n"
                       "Exit codes: 0 done, 1 failed (missing file, not a library, unknown name...), "
                       "2 bad command line, 3 broken item chain.\n");
    return text;
}

int DmTool::usageError(const QString& text) {
    m_err << "vantrelis-dm: " << text << "\nRun 'vantrelis-dm --help' for usage.\n";
    m_err.flush();
    return kUsage;
}

int DmTool::Run(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        return usageError(QStringLiteral("no command given"));
    }
    const QString name = arguments.front();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        m_out << UsageText();
        m_out.flush();
        return kOk;
    }
    const auto& commands = CommandTable();
    const auto spec = std::find_if(commands.begin(), commands.end(), [&](const CommandEntry& command) {
        return name == QLatin1String(command.name);
    });
    if (spec == commands.end()) {
        return usageError(QStringLiteral("unknown command \"%1\"").arg(name));
    }
    const QStringList rest = arguments.mid(1);
    if (rest.contains(QStringLiteral("--help")) || rest.contains(QStringLiteral("-h"))) {
        m_out << "Usage: vantrelis-dm " << spec->synopsis << '\n';
        m_out.flush();
        return kOk;
    }
    ToolArguments args(rest, spec->valueOptions, spec->flagOptions);
    if (!args.expectPositional(spec->minPositional, spec->maxPositional)) {
        return usageError(QStringLiteral("%1: %2\nUsage: vantrelis-dm %3")
                              .arg(name, args.error(), QLatin1String(spec->synopsis)));
    }
    return spec->make(m_out, m_err)->run(args);
}

} // namespace vantrelis::tools
