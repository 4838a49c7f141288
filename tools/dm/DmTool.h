#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>

namespace vantrelis::dm::local {
class LibraryAdmin;
class LibraryDatabase;
} // namespace vantrelis::dm::local

namespace vantrelis::tools {

class ToolArguments;

// The vantrelis-dm command line: administration of local DM libraries and the demo.
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
    using Command = int (DmTool::*)(ToolArguments&);

    int usageError(const QString& text);
    int failed(const QString& text);
    // Runs a command body, turning a Fault into its message and kFailed.
    int guarded(const std::function<int()>& body);
    // Commands that only read open the library read-only.
    enum class Access { Write, Read };
    dm::local::LibraryAdmin openLibrary(const QString& file, const ToolArguments& args,
                                        Access access = Access::Write);

    int create(ToolArguments& args);
    int addPerson(ToolArguments& args);
    int addGroup(ToolArguments& args);
    int addMember(ToolArguments& args);
    int addClient(ToolArguments& args);
    int addMatter(ToolArguments& args);
    int addDocument(ToolArguments& args);
    int addFolder(ToolArguments& args);
    int link(ToolArguments& args);
    int addTrustee(ToolArguments& args);
    int addSettings(ToolArguments& args);
    int setParam(ToolArguments& args);
    int libraries(ToolArguments& args);
    int chain(ToolArguments& args);
    int trustees(ToolArguments& args);
    int sql(ToolArguments& args);
    int folders(ToolArguments& args);
    int demo(ToolArguments& args);

    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace vantrelis::tools
