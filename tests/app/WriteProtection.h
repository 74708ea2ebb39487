// Write protection of a file or folder that holds for the user running the
// tests, root included.
#pragma once

#include <QFile>
#include <QString>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace tagstation::test {

#ifdef Q_OS_LINUX
// The immutable attribute: while it is set, not even root may change, replace
// or remove the file, or add to or remove from the folder.
inline bool SetImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}
#endif

// Write protection that holds for the user running the tests: permission
// bits for an ordinary user; for root, whom they do not stop, the immutable
// attribute. Lifted when it goes away.
class TWriteProtection {
public:
    TWriteProtection() = default;
    TWriteProtection(const TWriteProtection&) = delete;
    TWriteProtection& operator=(const TWriteProtection&) = delete;
    ~TWriteProtection() { Lift(); }

    // False when neither holds here (a file system without the attribute).
    bool Protect(const QString& path, bool folder)
    {
        FPath = path;
        FPermissions = QFile::permissions(path);
        const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        QFile::setPermissions(path, folder ? readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther : readable);
        if (!Writable(path, folder)) return true;
#ifdef Q_OS_LINUX
        FImmutable = SetImmutable(path, true);
        return FImmutable && !Writable(path, folder);
#else
        return false;
#endif
    }
    void Lift()
    {
        if (FPath.isEmpty()) return;
#ifdef Q_OS_LINUX
        if (FImmutable) SetImmutable(FPath, false);
#endif
        QFile::setPermissions(FPath, FPermissions);
        FPath.clear();
    }

private:
    // Tries what saving needs: opening the file for writing, or adding a file to the folder.
    static bool Writable(const QString& path, bool folder)
    {
        if (!folder) return QFile(path).open(QIODevice::WriteOnly | QIODevice::Append);
        QFile probe(path + QStringLiteral("/probe"));
        const bool created = probe.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        if (created) probe.remove();
        return created;
    }

    QString FPath;
    QFile::Permissions FPermissions;
    bool FImmutable = false;
};

}  // namespace tagstation::test
