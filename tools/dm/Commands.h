#pragma once

#include "ToolCommand.h"

// The commands of vantrelis-dm, one class each; CommandTable() names them.

namespace vantrelis::tools {

class CreateCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class CopyCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddPersonCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddGroupCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddMemberCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddClientCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddMatterCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddDocumentCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddFolderCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class LinkCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddTrusteeCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class AddSettingsCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class UpgradeCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class SetParamCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class LibrariesCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class ChainCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class TrusteesCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class SqlCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class FoldersCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class RowsCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

class DemoCommand : public ToolCommand {
public:
    using ToolCommand::ToolCommand;
    int run(ToolArguments& args) override;
};

} // namespace vantrelis::tools
