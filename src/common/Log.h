#pragma once

#include "common/Clock.h"
#include "common/Launcher.h"
#include "common/Prompter.h"
#include "common/StatusView.h"

#include <QDate>
#include <QElapsedTimer>
#include <QString>
#include <QStringEncoder>

#include <functional>
#include <memory>

QT_FORWARD_DECLARE_CLASS(QFile)
QT_FORWARD_DECLARE_CLASS(QTimer)

namespace vantrelis {

// The log file, the status line, error reports and message boxes, with their state.
// None of these procedures ever raises: a failing file, box or label is skipped.
class Log {
public:
    // `unattended`: nobody is there to answer a message box ("/G" with "/X"); questions answer Yes and
    // other boxes are not shown.
    Log(bool unattended, Prompter& prompter, Clock& clock, Launcher& launcher);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Configured log file name (full path); empty turns logging off.
    const QString& baseName() const { return m_baseName; }
    void setBaseName(const QString& baseName) { m_baseName = baseName; }
    // The file last written; empty until the first line.
    const QString& datedName() const { return m_datedName; }
    const QString& lastLine() const { return m_lastLine; }
    bool verbose() const { return m_verbose; }
    void setVerbose(bool verbose) { m_verbose = verbose; }

    // The window that shows status texts (and the busy pointer); the main view takes over when none
    // is set.
    StatusView* statusView() const { return m_statusView ? m_statusView : m_mainView; }
    void setStatusView(StatusView* view) { m_statusView = view; }
    void setMainView(StatusView* view) { m_mainView = view; }

    const QString& programTitle() const { return m_programTitle; }
    const QString& productName() const { return m_productName; }
    bool unattended() const { return m_unattended; }
    Clock& clock() const { return m_clock; }

    // The dated file name the base name gives on a day: "_" + yyyyMMdd before the first "." of the
    // file name, or appended when the file name has none.
    static QString DatedName(const QString& baseName, const QDate& date);
    // Where the log goes when nothing is configured: the program's folder when it is writable, else the
    // per-user data folder; the file is the product name + ".LOG".
    static QString DefaultBaseName(const QString& programFolder, const QString& dataFolder);
    // The per-user data folder of the program ($XDG_DATA_HOME/vantrelis).
    static QString UserDataFolder();

    void WriteLog(const QString& text) noexcept;
    void ShowStatus(const QString& text) noexcept;
    void ReportError(qint64 number, const QString& source, const QString& description) noexcept;
    int ShowMessage(const QString& prompt, int style, const QString& title) noexcept;
    int ShowMessage(const QString& prompt, int style) noexcept {
        return ShowMessage(prompt, style, m_programTitle);
    }
    void ViewFile(const QString& path) noexcept;
    void PurgeFile(const QString& path) noexcept;

    // Status label text without logging (progress texts), and a yield, through the status view.
    void SetStatusLabel(const QString& text) noexcept;
    QString StatusLabel() const noexcept;
    void Yield() noexcept;

    // Where the log's own failure is told (standard error in the program) and, in an unattended run,
    // every error line as well, so that whoever started it sees why it stopped.
    void setErrorOutput(std::function<void(const QString&)> output) { m_errorOutput = std::move(output); }
    // The first line beginning with "Error:" given since the log began (or since ClearFirstError()),
    // logged or not, on one line.
    const QString& firstError() const { return m_firstError; }
    void ClearFirstError() { m_firstError.clear(); }
    // True once a line could not be written to the file (it could not be opened, or a write failed,
    // as on a full disk): the file lacks lines from then on. Told once through the error output.
    bool writeFailed() const { return m_writeFailed; }

    // Closes the log file, which WriteLog keeps open between lines; the next line opens it again.
    void CloseFile() noexcept;
    // Writes out the lines still held back (see WriteLog's batching); a reader of the file then sees
    // every line given so far.
    void Flush() noexcept;

    // Lines reach the file in batches: a line is written through at once when the last write-through
    // is this long ago, when it reports an error, and when a message box or viewer is about to show;
    // otherwise at the latest this long after it was given (with an event loop), before the file
    // closes, and when the log is destroyed.
    static constexpr qint64 kFlushIntervalMs = 100;

private:
    StatusView* activeView() noexcept;
    // WriteLog's work; `always` writes the line whatever verbose logging says (box texts nobody sees).
    void Write(const QString& text, bool always) noexcept;
    void NoteError(const QString& line);
    void LostLines(const QString& fileName, const QString& reason) noexcept;

    bool m_unattended;
    Prompter& m_prompter;
    Clock& m_clock;
    Launcher& m_launcher;
    QString m_baseName;
    QString m_datedName;
    QString m_lastLine;
    bool m_verbose = true;
    StatusView* m_statusView = nullptr;
    StatusView* m_mainView = nullptr;
    QString m_programTitle;
    QString m_productName;
    // The dated file, open for appending while lines go to it, and the lines held back for it.
    std::unique_ptr<QFile> m_file;
    QByteArray m_pending;
    QElapsedTimer m_sinceFlush;
    std::unique_ptr<QTimer> m_flushTimer;
    void HoldBack() noexcept;
    // The dated name for the day and base name last seen, built once per day.
    QDate m_nameDay;
    QString m_nameBase;
    QString m_fileName;
    QStringEncoder m_encoder{QStringConverter::System};
    std::function<void(const QString&)> m_errorOutput;
    QString m_firstError;
    QString m_lastToldError;
    bool m_writeFailed = false;
};

} // namespace vantrelis
