#pragma once

#include <QString>
#include <QStringList>

namespace vantrelis {

// Starts a program without waiting for it (the text viewer).
class Launcher {
public:
    virtual ~Launcher() = default;
    // False when the program could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};

} // namespace vantrelis
