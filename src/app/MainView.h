#pragma once

#include "app/FormContent.h"
#include "app/RunView.h"
#include "common/StatusView.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace vantrelis::app {

// The main window as startup, shutdown and its own commands see it, besides the run's view of it
// and its status label.
class MainView : public RunView, public StatusView {
public:
    virtual void setCaption(const QString& caption) = 0;
    // Fills the library boxes, the Libraries menu and the import set box; once.
    virtual void PlaceForm(const FormContent& content) = 0;
    virtual void setImportFileLabel(const QString& path) = 0;
    // The tool tip of the log file button: the log file's name.
    virtual void setLogFileTip(const QString& fileName) = 0;
    virtual bool verboseLogging() const = 0;
    virtual void setVerboseLogging(bool ticked) = 0;
    virtual void setAddNewDocs(bool ticked) = 0;
    virtual void setAddExistingDocs(bool ticked) = 0;
    virtual void setFillFromLine(bool ticked) = 0;
    virtual void setReadmeVisible(bool visible) = 0;
    // What the About window shows: the DM version text and the build.
    virtual void setAboutInfo(const QString& dmVersion, const QString& build, const QString& buildDate) = 0;

    // Where the window may go: the screen's available area, the window's size and place.
    virtual QRect screenArea() const = 0;
    virtual QSize windowSize() const = 0;
    virtual QPoint position() const = 0;
    virtual void moveTo(const QPoint& position) = 0;
    virtual void setWindowShown(bool shown) = 0;
    virtual void setWindowEnabled(bool enabled) = 0;
    // Brings the window to the front with the keyboard focus.
    virtual void activate() = 0;
};

} // namespace vantrelis::app
