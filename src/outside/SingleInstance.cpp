#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include "NetInfo.h"

namespace {
QString lockFolder() {
    // Without XDG_RUNTIME_DIR Qt would make up a folder of its own, with a warning.
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!dir.isEmpty() && QFileInfo(dir).isWritable()) return dir;
    }
    return QDir::tempPath();
}

QString safeName(QString s) {
    s.replace(QLatin1Char('/'), QLatin1Char('_'));
    s.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return s;
}
}  // namespace

SingleInstance::SingleInstance(const QString& programName)
    : m_path(lockFolder() + QLatin1Char('/') + safeName(programName) + QLatin1Char('-') +
             safeName(NetInfo().NetUserName()) + QStringLiteral(".lock")) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::PrevInstance() {
    if (m_lock && m_lock->isLocked()) return false;
    m_lock = std::make_unique<QLockFile>(m_path);
    // A copy may run for days: only a dead owner makes the lock stale, never its age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) return false;
    return m_lock->error() == QLockFile::LockFailedError;
}
