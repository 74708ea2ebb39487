#include "cfb/USafeFileSave.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

#include "base/UXlsPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace xls {

namespace {

namespace fs = std::filesystem;

std::string ErrorText(int err) { return std::generic_category().message(err); }

#ifdef _WIN32
std::string SystemErrorText(DWORD err) { return std::system_category().message(static_cast<int>(err)); }
#endif

[[noreturn]] void RaiseOpen(const std::string& fileName, const std::string& reason)
{
    RaiseXls(TXlsMsg::FileOpenFailed, {fileName, reason});
}

// What an existing target passes on to the file that replaces it.
struct TExistingFile {
    unsigned Mode = 0;
#ifdef _WIN32
    DWORD Attributes = 0;
#else
    uid_t Owner = 0;
    gid_t Group = 0;
#endif
};

// The file that saving replaces: the target, or the file its symbolic link leads to.
fs::path ResolveTarget(const fs::path& target)
{
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
    fs::path real = fs::canonical(target, ec);
    return ec ? target : real;
}

#ifndef _WIN32
// Whether another program holds a lock on the open file fd (a record lock or
// a whole-file lock): it has the file open for its own work, and replacing
// the file under it would lose what it writes.
bool LockedByAnother(int fd)
{
    struct flock record {};
    record.l_type = F_WRLCK;
    record.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &record) == 0 && record.l_type != F_UNLCK) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    return false;
}
#endif

// Nothing when the target does not exist yet. Refuses (before anything is
// written) a target that is no regular file, that the user may not write
// (replacing a write-protected file by a rename would bypass its protection)
// or that another program holds locked.
std::optional<TExistingFile> CheckExistingTarget(const fs::path& target, const std::string& fileName)
{
    TExistingFile existing;
#ifdef _WIN32
    struct _stat64 st {};
    if (_wstat64(target.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        RaiseOpen(fileName, ErrorText(errno));
    }
    if ((st.st_mode & _S_IFMT) == _S_IFDIR) RaiseOpen(fileName, ErrorText(EISDIR));
    if ((st.st_mode & _S_IFMT) != _S_IFREG) RaiseOpen(fileName, "not a regular file");
    existing.Attributes = GetFileAttributesW(target.c_str());
    // The rename would replace a write-protected file, and it would fail on
    // a file another program holds open without letting others write it:
    // both are refused here, before anything is written.
    if (existing.Attributes != INVALID_FILE_ATTRIBUTES && (existing.Attributes & FILE_ATTRIBUTE_READONLY))
        RaiseOpen(fileName, ErrorText(EACCES));
    const HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) RaiseOpen(fileName, SystemErrorText(GetLastError()));
    CloseHandle(file);
#else
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        RaiseOpen(fileName, ErrorText(errno));
    }
    if (S_ISDIR(st.st_mode)) RaiseOpen(fileName, ErrorText(EISDIR));
    if (!S_ISREG(st.st_mode)) RaiseOpen(fileName, "not a regular file");
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) RaiseOpen(fileName, ErrorText(errno));
    const bool locked = LockedByAnother(fd);
    ::close(fd);
    if (locked) RaiseXls(TXlsMsg::CantWriteToFile, {fileName});
    existing.Owner = st.st_uid;
    existing.Group = st.st_gid;
#endif
    existing.Mode = static_cast<unsigned>(st.st_mode) & 07777u;
    return existing;
}

// The start of a file name, with room for the temporary file's suffix within
// the usual 255-unit name limit, cut between characters.
template <typename TChar>
std::basic_string<TChar> NameStem(const std::basic_string<TChar>& name)
{
    constexpr std::size_t kMax = 200;
    if (name.size() <= kMax) return name;
    std::size_t end = kMax;
    const auto continues = [](TChar c) {
        const auto unit = static_cast<std::uint32_t>(c);
        if constexpr (sizeof(TChar) == 1) return (unit & 0xC0u) == 0x80u;  // UTF-8 continuation byte
        else return unit >= 0xDC00u && unit <= 0xDFFFu;                    // UTF-16 low surrogate
    };
    while (end > 0 && continues(name[end])) --end;
    return name.substr(0, end);
}

// Creates an empty file with a new name beside the target. It starts
// readable by its owner only when it is to replace a file, so that a private
// file never becomes readable by others on its way.
fs::path CreateTempFile(const fs::path& target, bool replacing, const std::string& fileName)
{
    std::random_device random;
    const fs::path stem = NameStem(target.filename().native());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        fs::path name = stem;
        name += suffix;
        const fs::path temp = target.parent_path() / name;
#ifdef _WIN32
        (void)replacing;  // the folder's permissions apply; there are no mode bits to narrow
        const int fd = _wopen(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                              _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            _close(fd);
            return temp;
        }
#else
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
        if (fd >= 0) {
            ::close(fd);
            return temp;
        }
#endif
        if (errno != EEXIST) RaiseOpen(fileName, ErrorText(errno));
    }
    RaiseOpen(fileName, ErrorText(EEXIST));
}

// Removed when this object goes away, unless it has become the target.
class TTempFile {
public:
    explicit TTempFile(fs::path path) : FPath(std::move(path)) {}
    ~TTempFile()
    {
        std::error_code ignored;
        if (!FKept) fs::remove(FPath, ignored);
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    const fs::path& Path() const { return FPath; }
    void Keep() { FKept = true; }

private:
    fs::path FPath;
    bool FKept = false;
};

// Gives the new file the old one's permission bits and, where permitted, its
// owner (a file saved by an administrator stays its user's). Failing that,
// the new file keeps its narrower owner-only permissions.
void KeepAttributes([[maybe_unused]] const fs::path& temp, [[maybe_unused]] const TExistingFile& existing)
{
#ifdef _WIN32
    // A hidden or system file stays one.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (existing.Attributes != INVALID_FILE_ATTRIBUTES && (existing.Attributes & kKept))
        SetFileAttributesW(temp.c_str(), existing.Attributes & kKept);
#else
    if (::chown(temp.c_str(), existing.Owner, existing.Group) != 0) {
        // Ordinary users cannot give files away; the file stays theirs.
    }
    if (::chmod(temp.c_str(), static_cast<mode_t>(existing.Mode)) != 0) {
        // A file system without permission bits: nothing to keep.
    }
#endif
}

void ReplaceTarget(const fs::path& temp, const fs::path& target, const std::string& fileName)
{
#ifdef _WIN32
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        RaiseXls(TXlsMsg::FileIoFailed, {fileName, SystemErrorText(GetLastError())});
#else
    if (std::rename(temp.c_str(), target.c_str()) != 0) RaiseXls(TXlsMsg::FileIoFailed, {fileName, ErrorText(errno)});
    // Make the rename itself durable. The file is already in place, so a
    // failure here is no failure of the save.
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        if (::fsync(dir) != 0) {
            // See above.
        }
        ::close(dir);
    }
#endif
}

}  // namespace

void SaveFileSafely(const std::string& FileName, const std::function<void(TStream&)>& Write)
{
#ifndef _WIN32
    // A Windows network path (\\server\share\book.xls) names no file here; taken
    // as it is, it would become a file of that odd name in the working folder.
    if (FileName.starts_with("\\\\")) RaiseOpen(FileName, ErrorText(ENOENT));
#endif
    const fs::path target = ResolveTarget(FileSystemPath(FileName));
    const std::optional<TExistingFile> existing = CheckExistingTarget(target, FileName);
    TTempFile temp(CreateTempFile(target, existing.has_value(), FileName));
    {
        TFileStream out(Utf8FromPath(temp.Path()), TFileMode::OpenReadWrite, FileName);
        Write(out);
        out.Sync();
        out.Close();
    }
    if (existing) KeepAttributes(temp.Path(), *existing);
    ReplaceTarget(temp.Path(), target, FileName);
    temp.Keep();
}

}  // namespace xls
