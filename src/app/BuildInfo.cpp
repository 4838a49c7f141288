#include "app/BuildInfo.h"

#include <QDate>
#include <QLocale>

namespace vantrelis::app {

QString BuildNumber() {
    return QStringLiteral(VANTRELIS_VERSION);
}

QString BuildDate() {
    // The compiler writes "Mmm dd yyyy", with a blank before a one-digit day.
    const QLocale c = QLocale::c();
    const QDate date = c.toDate(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
    return c.toString(date, QStringLiteral("MMM d, yyyy"));
}

} // namespace vantrelis::app
