#pragma once

#include <QString>
#include <memory>

class QLockFile;

// Detects a running copy of a program for this user: a lock file in the runtime folder.
class SingleInstance {
public:
    explicit SingleInstance(const QString& programName);
    ~SingleInstance();
    // True when another copy holds the lock; this copy takes the lock when it is free.
    bool PrevInstance();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
