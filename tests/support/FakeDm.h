#pragma once

#include "dm/DmApplication.h"
#include "dm/DmBrowser.h"
#include "dm/DmLibraries.h"
#include "dm/DmLibrary.h"
#include "dm/DmParameters.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace vantrelis::testing {

// Library parameters by name (ignoring case).
class FakeParameters : public dm::DmParameters {
public:
    QHash<QString, QVariant> values;

    int count() const override { return static_cast<int>(values.size()); }
    QString name(int index) const override;
    QVariant value(const QString& name) const override;
};

// A library with a name, a user and parameters; it has no documents or folders.
class FakeLibrary : public dm::DmLibrary {
public:
    explicit FakeLibrary(QString name, QString userName = QStringLiteral("ADMIN"),
                         QString primaryGroup = QStringLiteral("DOCS_SUPERVISORS"));

    QString libraryName;
    QString user;
    QString group;
    int prepared = 0;
    std::shared_ptr<FakeParameters> params = std::make_shared<FakeParameters>();

    QString name() const override { return libraryName; }
    void prepare() override { ++prepared; }
    QString userName() const override { return user; }
    QString primaryGroup() const override { return group; }
    std::shared_ptr<dm::DmParameters> parameters() override { return params; }
    std::shared_ptr<dm::DmProfile> profile(qint64) override { return nullptr; }
    std::shared_ptr<dm::DmFolder> newFolder() override { return nullptr; }
    std::shared_ptr<dm::DmFolder> folder(qint64) override { return nullptr; }
};

// The libraries collection; item() raises a Fault when `raiseOnItem` is set.
class FakeLibraries : public dm::DmLibraries {
public:
    std::vector<std::shared_ptr<FakeLibrary>> items;
    bool raiseOnItem = false;

    int count() const override { return static_cast<int>(items.size()); }
    std::shared_ptr<dm::DmLibrary> item(int index) const override;
};

class FakeApplication : public dm::DmApplication {
public:
    QString token = QStringLiteral("TOKEN-1");
    std::shared_ptr<FakeLibraries> libs = std::make_shared<FakeLibraries>();
    bool hasLibraries = true;
    QString currentName; // empty: no current library
    std::vector<quintptr> handles;

    void setWindowHandle(quintptr handle) override { handles.push_back(handle); }
    QString dst() override { return token; }
    QString loginError; // what errorText() answers
    QString errorText() const override { return loginError; }
    std::shared_ptr<dm::DmLibraries> libraries() override;
    std::shared_ptr<dm::DmLibrary> currentLibrary() override;
    std::shared_ptr<dm::DmLibrary> primaryLibrary() override { return currentLibrary(); }
    // Adds a library to the collection and answers it.
    std::shared_ptr<FakeLibrary> AddLibrary(const QString& name);
};

class FakeCompanion : public dm::DmCompanion {
public:
    int closed = 0;
    void close() override { ++closed; }
};

class FakeBrowser : public dm::DmBrowser {
public:
    std::shared_ptr<dm::DmCompanion> companion;
    int handedOver = 0;
    void setCompanion(std::shared_ptr<dm::DmCompanion> given, std::shared_ptr<dm::DmObject>) override {
        companion = std::move(given);
        ++handedOver;
    }
};

} // namespace vantrelis::testing
