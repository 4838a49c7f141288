#pragma once

#include "ToolArguments.h"

#include <QSet>
#include <QString>
#include <QTextStream>
#include <functional>
#include <memory>
#include <vector>

namespace vantrelis::dm::local {
class LibraryAdmin;
} // namespace vantrelis::dm::local

namespace vantrelis::tools {

// What every command of vantrelis-dm works with: the output streams, the exit codes' messages and
// the libraries it opens.
class ToolCommand {
public:
    explicit ToolCommand(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}
    virtual ~ToolCommand() = default;
    ToolCommand(const ToolCommand&) = delete;
    ToolCommand& operator=(const ToolCommand&) = delete;

    // Runs the command on its checked arguments; answers the exit code.
    virtual int run(ToolArguments& args) = 0;

protected:
    // Exit codes, as DmTool answers them.
    static constexpr int kOk = 0;
    static constexpr int kFailed = 1;
    static constexpr int kUsage = 2;
    static constexpr int kChainBroken = 3;

    static QString Quoted(const QString& text);
    int usageError(const QString& text);
    int failed(const QString& text);
    // Runs a command body, turning a Fault into its message and kFailed.
    int guarded(const std::function<int()>& body);
    // Commands that only read open the library read-only.
    enum class Access { Write, Read };
    dm::local::LibraryAdmin openLibrary(const QString& file, const ToolArguments& args,
                                        Access access = Access::Write);

    QTextStream& m_out;
    QTextStream& m_err;
};

// One line of the command table: the name, the positional count, the options, the usage line and
// the class that runs it.
struct CommandEntry {
    const char* name;
    int minPositional;
    int maxPositional;
    QSet<QString> valueOptions;
    QSet<QString> flagOptions;
    const char* synopsis;
    std::unique_ptr<ToolCommand> (*make)(QTextStream& out, QTextStream& err);
};

// Every command, in the order --help lists them.
const std::vector<CommandEntry>& CommandTable();

// The option every command on a library file takes.
inline const QString kEngineOption = QStringLiteral("--engine");

} // namespace vantrelis::tools
