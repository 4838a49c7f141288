#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace vantrelis::tools {

// The vantrelis-dm command line: administration of local DM libraries and the demo. Each command is
// a class of its own (Commands.h); the command table (ToolCommand.h) names them, their arguments
// and usage lines.
class DmTool {
public:
    // Exit codes.
    static constexpr int kOk = 0;
    static constexpr int kFailed = 1; // the command could not do its work (missing file, unknown user...)
    static constexpr int kUsage = 2;  // bad command line
    static constexpr int kChainBroken = 3; // chain/folders: a broken or cyclic item chain was found

    DmTool(QTextStream& out, QTextStream& err);

    // arguments without the program name; answers the exit code.
    int Run(const QStringList& arguments);

    static QString UsageText();

private:
    int usageError(const QString& text);

    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace vantrelis::tools
