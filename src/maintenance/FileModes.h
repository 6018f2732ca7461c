#pragma once

#include <sys/types.h>

#include <QString>

// Who may read what Kessbo writes: a backup holds the whole register, its passwords too, so it is
// its owner's alone, or its group's as well when the register itself is shared through a group.
namespace FileModes {
// While it lives, every file and folder the process creates is its owner's alone (umask 077).
class Private {
public:
    Private();
    ~Private();
    Private(const Private&) = delete;
    Private& operator=(const Private&) = delete;
    // The mask that was in force before, which files handed to the user (unpacked ones) honour.
    mode_t previous() const { return m_previous; }

private:
    mode_t m_previous;
};

// Read and write for the owner, and for the group when `group` is set; never for others.
struct Sharing {
    mode_t mode = 0600;
    gid_t group = gid_t(-1);
};

// How a backup of that file is shared: as the file is with its group, else private.
Sharing SharingOf(const QString& path);
// Gives the file its group and mode; a group this user may not give keeps it private. False (with
// errno) when its mode cannot be set.
bool Apply(const QString& path, const Sharing& sharing);
// The same through a descriptor of the file.
bool Apply(int fd, const Sharing& sharing);
// The permission bits of the file (0 when it cannot be read).
mode_t ModeOf(const QString& path);
}  // namespace FileModes
