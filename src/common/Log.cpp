#include "common/Log.h"

#include "common/ProductInfo.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "common/TextViewer.h"

#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace vantrelis {

Log::Log(bool unattended, Prompter& prompter, Clock& clock, Launcher& launcher)
    : m_unattended(unattended), m_prompter(prompter), m_clock(clock), m_launcher(launcher),
      m_programTitle(ProgramTitle()), m_productName(ProductName()) {}

QString Log::DatedName(const QString& baseName, const QDate& date) {
    const QString stamp = date.toString(QStringLiteral("yyyyMMdd"));
    const qsizetype slash =
        std::max(baseName.lastIndexOf(QLatin1Char('/')), baseName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = baseName.indexOf(QLatin1Char('.'), slash + 1);
    if (dot < 0)
        return baseName + QLatin1Char('_') + stamp;
    return baseName.left(dot) + QLatin1Char('_') + stamp + QLatin1Char('.') + baseName.mid(dot + 1);
}

Log::~Log() {
    CloseFile();
}

void Log::CloseFile() noexcept {
    try {
        Flush();
        m_file.reset();
        m_pending.clear();
    } catch (...) {
    }
}

void Log::Flush() noexcept {
    try {
        if (m_flushTimer)
            m_flushTimer->stop();
        if (m_pending.isEmpty() || !m_file)
            return;
        m_sinceFlush.start();
        const bool written = m_file->write(m_pending) == m_pending.size();
        m_pending.truncate(0); // keeps its room for the next batch
        if (!written) {
            LostLines(m_file->fileName(), m_file->errorString());
            m_file.reset(); // a full disk or a lost file: the next line tries to open it again
        }
    } catch (...) {
    }
}

void Log::HoldBack() noexcept {
    try {
        // Without an event loop in this thread the next line, the file's closing or the log's end
        // writes the held lines.
        QCoreApplication* application = QCoreApplication::instance();
        if (!application || application->thread() != QThread::currentThread())
            return;
        if (!m_flushTimer) {
            m_flushTimer = std::make_unique<QTimer>();
            m_flushTimer->setSingleShot(true);
            m_flushTimer->setInterval(static_cast<int>(kFlushIntervalMs));
            QObject::connect(m_flushTimer.get(), &QTimer::timeout, [this] { Flush(); });
        }
        if (!m_flushTimer->isActive())
            m_flushTimer->start();
    } catch (...) {
    }
}

void Log::LostLines(const QString& fileName, const QString& reason) noexcept {
    try {
        if (m_writeFailed)
            return;
        m_writeFailed = true;
        if (m_errorOutput)
            m_errorOutput(QStringLiteral("Error: The log file ") + fileName +
                          QStringLiteral(" cannot be written (") + reason +
                          QStringLiteral("): the log is incomplete from here on"));
    } catch (...) {
    }
}

void Log::NoteError(const QString& line) {
    if (m_firstError.isEmpty())
        m_firstError =
            QString(line).replace(kCrLf, QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    // An error line repeated at once is told once, as the file keeps it once.
    if (m_unattended && m_errorOutput && line != m_lastToldError) {
        m_lastToldError = line;
        m_errorOutput(QString(line).replace(kCrLf, QStringLiteral("\n")));
    }
}

void Log::WriteLog(const QString& text) noexcept {
    Write(text, false);
}

void Log::Write(const QString& text, bool always) noexcept {
    try {
        const QString line = TrimBlanks(text);
        const bool error = line.startsWith(QLatin1String("ERROR:"), Qt::CaseInsensitive);
        if (error)
            NoteError(line);
        if (line.isEmpty() || m_baseName.isEmpty())
            return;
        if (!m_verbose && !error && !always)
            return;
        if (line == m_lastLine)
            return;
        const QDate day = m_clock.now().date();
        if (day != m_nameDay || m_baseName != m_nameBase || m_fileName.isEmpty()) {
            m_fileName = DatedName(m_baseName, day);
            m_nameDay = day;
            m_nameBase = m_baseName;
        }
        const QString& datedName = m_fileName;
        // The file stays open between lines; a new day or a new log name opens the file it names.
        if (m_file && m_file->fileName() != datedName)
            CloseFile();
        if (!m_file) {
            auto file = std::make_unique<QFile>(datedName);
            if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
                LostLines(datedName, file->errorString());
                return;
            }
            m_file = std::move(file);
        }
        // Texts may carry bare LF (fault descriptions from Qt or the DM layer); every physical line of the
        // file ends in CR LF.
        QString physical = line;
        if (physical.contains(QLatin1Char('\n'))) {
            physical.replace(kCrLf, QStringLiteral("\n"));
            physical.replace(QLatin1Char('\n'), kCrLf);
        }
        // Encoded straight onto the lines held back for the file.
        const qsizetype held = m_pending.size();
        const qsizetype needed = held + m_encoder.requiredSpace(physical.size()) + 2;
        if (needed > m_pending.capacity())
            m_pending.reserve(std::max<qsizetype>(needed, 2 * m_pending.capacity() + 65536));
        m_pending.resize(needed);
        char* end = m_encoder.appendToBuffer(m_pending.data() + held, physical);
        *end++ = '\r';
        *end++ = '\n';
        m_pending.truncate(end - m_pending.constData());
        if (m_datedName != datedName)
            m_datedName = datedName;
        m_lastLine = line;
        // A write per line cost a third of a verbose run: lines go out in batches at most
        // kFlushIntervalMs apart, and an error line at once.
        if (!m_sinceFlush.isValid() || m_sinceFlush.hasExpired(kFlushIntervalMs) ||
            line.startsWith(QLatin1String("Error"), Qt::CaseInsensitive))
            Flush();
        else
            HoldBack();
    } catch (...) {
    }
}

QString Log::DefaultBaseName(const QString& programFolder, const QString& dataFolder) {
    const QString fileName = ProductName() + QStringLiteral(".LOG");
    const QFileInfo program(programFolder);
    if (!programFolder.isEmpty() && program.isDir() && program.isWritable())
        return QDir(programFolder).filePath(fileName);
    return QDir(dataFolder).filePath(fileName);
}

QString Log::UserDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/vantrelis");
}

StatusView* Log::activeView() noexcept {
    if (!m_statusView)
        m_statusView = m_mainView;
    return m_statusView;
}

void Log::ShowStatus(const QString& text) noexcept {
    try {
        const QString line = TrimBlanks(text);
        if (line.isEmpty())
            return;
        WriteLog(line);
        if (StatusView* view = activeView()) {
            view->setStatusText(line);
            view->yield();
        }
    } catch (...) {
    }
}

void Log::SetStatusLabel(const QString& text) noexcept {
    try {
        if (StatusView* view = activeView())
            view->setStatusText(text);
    } catch (...) {
    }
}

QString Log::StatusLabel() const noexcept {
    try {
        StatusView* view = statusView();
        return view ? view->statusText() : QString();
    } catch (...) {
        return QString();
    }
}

void Log::Yield() noexcept {
    try {
        if (StatusView* view = activeView())
            view->yield();
    } catch (...) {
    }
}

void Log::ReportError(qint64 number, const QString& source, const QString& description) noexcept {
    try {
        if (number != 0)
            WriteLog(QStringLiteral("Error: #") + FormatWhole(number) + QStringLiteral(" was generated by ") +
                     source + kCrLf + description);
        else
            WriteLog(QStringLiteral("Error: An unknown error occurred during this task!"));
        WriteLog(StandardLines::SectionEnd());
    } catch (...) {
    }
}

int Log::ShowMessage(const QString& prompt, int style, const QString& title) noexcept {
    try {
        // The low bits choose the buttons; an icon added to them leaves a question a question.
        const int buttons = style & 0x0F;
        const bool question = buttons == StyleYesNo || buttons == StyleYesNoCancel;
        if (m_unattended) {
            // Nobody sees the box: its text is kept in the log instead.
            Write(prompt, true);
            Flush();
            return question ? AnswerYes : 0;
        }
        Flush();
        const int answer = m_prompter.ask(prompt, style, title);
        return question ? answer : 0;
    } catch (...) {
        return 0;
    }
}

void Log::ViewFile(const QString& path) noexcept {
    try {
        if (path.isEmpty())
            return;
        Flush();
        if (!QFileInfo(path).isFile()) {
            ShowMessage(path + QStringLiteral(" not found"), StyleInformation, m_programTitle);
            return;
        }
        StatusView* view = m_mainView ? m_mainView : activeView();
        const QString saved = view ? view->statusText() : QString();
        const bool wasBusy = view ? view->isBusy() : false;
        if (view) {
            view->setBusy(true);
            view->setStatusText(QStringLiteral("Loading ") + path);
            view->yield();
        }
        const QString failed = StartTextViewer(m_launcher, path);
        if (view) {
            view->setStatusText(saved);
            view->setBusy(wasBusy);
            view->yield();
        }
        if (!failed.isEmpty()) {
            WriteLog(QStringLiteral("Error: ") + failed);
            ShowMessage(failed, StyleExclamation, m_programTitle);
        }
    } catch (...) {
    }
}

void Log::PurgeFile(const QString& path) noexcept {
    try {
        if (path.isEmpty() || !QFileInfo::exists(path))
            return;
        const int answer = ShowMessage(QStringLiteral("Are you sure you want to purge the file ") + path +
                                           QStringLiteral("?"),
                                       StyleYesNo, m_programTitle);
        if (answer != AnswerYes)
            return;
        // The log itself may be the file: it is closed first, and the next line opens it afresh.
        CloseFile();
        QFile::remove(path);
        if (QFileInfo::exists(path))
            ShowMessage(QStringLiteral("File ") + path + QStringLiteral(" has NOT been removed."),
                        StyleExclamation, m_programTitle);
        // The next line starts the file afresh, even when it repeats the last one.
        m_lastLine.clear();
    } catch (...) {
    }
}

} // namespace vantrelis
