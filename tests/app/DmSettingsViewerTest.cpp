#include "app/DmSettingsViewer.h"
#include "common/Prompter.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::testing;
using app::DmSettingsViewer;

namespace {

TEST(DmSettingsViewerText, ShowsValuesAsTheLabelShowsThem) {
    const std::vector<std::pair<QVariant, QString>> cases = {
        {QVariant(true), QStringLiteral("True")},
        {QVariant(false), QStringLiteral("False")},
        {QVariant(), QString()},
        {QVariant(QStringLiteral("Public")), QStringLiteral("Public")},
        {QVariant(99), QStringLiteral("99")},
        {QVariant(QString()), QString()},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(DmSettingsViewer::ValueText(value), text) << value.toString().toStdString();
}

// The viewer on two real libraries that report different parameters; every ConnectLibrary the
// viewer asks for is recorded before it is run.
class DmSettingsViewerTest : public ::testing::Test {
public:
    void SetUp() override {
        environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
        auto& other = environment.AddLibrary(QStringLiteral("OTHER"), 2, true);
        other.setParameter(QStringLiteral("*"), QStringLiteral("Site.Region"), QStringLiteral("North"));
        other.setParameter(QLatin1String(LocalEnvironment::kUser), QStringLiteral("User.CreateFolder"),
                           QStringLiteral("N"));
        environment.WriteServerFile(QStringLiteral("DOCS"));
        program = std::make_unique<ConnectedProgram>(environment.serverFile());
        ASSERT_TRUE(program->context.connection().StartFusion());
        program->harness.Mark();
        viewer = std::make_unique<DmSettingsViewer>(
            program->context.session(), program->context.log(), [this](const QString& name) {
                connections.append(name);
                return program->context.connection().ConnectLibrary(name);
            });
    }

    QString Chosen() const {
        return viewer->parameterIndex() < 0 ? QString()
                                            : viewer->parameterNames().at(viewer->parameterIndex());
    }
    int Reconnections() const {
        return static_cast<int>(
            program->harness.LinesSinceMark().filter(QStringLiteral("Connecting to library ")).size());
    }

    LocalEnvironment environment;
    std::unique_ptr<ConnectedProgram> program;
    std::unique_ptr<DmSettingsViewer> viewer;
    QStringList connections;
};

TEST_F(DmSettingsViewerTest, AnotherLibraryIsShownAndThePreviousOneRestoredOnce) {
    ASSERT_TRUE(viewer->Open());
    EXPECT_FALSE(viewer->parameterNames().contains(QStringLiteral("Site.Region")));
    viewer->ChooseParameter(QStringLiteral("No.Such"));
    EXPECT_TRUE(viewer->propertyResult().isEmpty());
    viewer->ChooseParameter(QStringLiteral("User.CreateFolder"));
    EXPECT_EQ(viewer->propertyResult(), QStringLiteral("True"));
    viewer->ChooseLibrary(QStringLiteral("OTHER"));
    EXPECT_EQ(program->context.session().LibraryName(), QStringLiteral("OTHER"));
    EXPECT_EQ(viewer->libraryIndex(), 1);
    EXPECT_EQ(viewer->primaryLibrary(), QStringLiteral("DOCS"));
    // The chooser lists the new library's parameters and keeps the one chosen.
    EXPECT_TRUE(viewer->parameterNames().contains(QStringLiteral("Site.Region")));
    EXPECT_EQ(Chosen(), QStringLiteral("User.CreateFolder"));
    EXPECT_EQ(viewer->propertyResult(), QStringLiteral("False"));
    viewer->ChooseParameter(QStringLiteral("Site.Region"));
    EXPECT_EQ(viewer->propertyResult(), QStringLiteral("North"));

    // Back on DOCS, which does not report it: the first parameter is chosen instead.
    viewer->ChooseLibrary(QStringLiteral("DOCS"));
    EXPECT_EQ(viewer->parameterIndex(), 0);
    viewer->ChooseLibrary(QStringLiteral("OTHER"));
    viewer->Close();
    viewer->Close();
    EXPECT_EQ(program->context.session().LibraryName(), QStringLiteral("DOCS"));
    EXPECT_EQ(connections, QStringList({QStringLiteral("OTHER"), QStringLiteral("DOCS"),
                                        QStringLiteral("OTHER"), QStringLiteral("DOCS")}));
    EXPECT_EQ(Reconnections(), 4);
    // The main window's info labels follow the library made current again.
    EXPECT_EQ(program->view.libraryName, QStringLiteral("DOCS"));
}

TEST_F(DmSettingsViewerTest, ALibraryThatCannotBeConnectedLeavesTheShownOne) {
    ASSERT_TRUE(viewer->Open());
    viewer->ChooseLibrary(QStringLiteral("NOWHERE"));
    EXPECT_EQ(program->context.session().LibraryName(), QStringLiteral("DOCS"));
    EXPECT_EQ(viewer->libraryIndex(), 0);
    EXPECT_EQ(viewer->userId(), QLatin1String(LocalEnvironment::kUser));
    EXPECT_FALSE(viewer->propertyResult().isEmpty());
}

TEST_F(DmSettingsViewerTest, NoCurrentLibraryIsToldAndNothingShown) {
    program->context.session().currentLibrary.reset();
    EXPECT_FALSE(viewer->Open());
    ASSERT_EQ(program->harness.prompter.prompts.size(), 1u);
    EXPECT_EQ(program->harness.prompter.prompts[0].text,
              QStringLiteral("Library object not set - cannot continue"));
    EXPECT_EQ(program->harness.prompter.prompts[0].style, StyleCritical);
    EXPECT_EQ(program->harness.prompter.prompts[0].title, program->context.log().programTitle());
    EXPECT_TRUE(viewer->libraryNames().isEmpty());
    viewer->Close();
    EXPECT_TRUE(connections.isEmpty());
}

} // namespace
