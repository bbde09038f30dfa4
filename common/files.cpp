// The kinds of file, and the atomic writer.
//
// Relies on POSIX: lstat, mkstemp, fsync and rename (which replaces a name
// in one step within one file system); Linux's renameat2 for a new name
// that must not replace anything.
#include "common/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/report.h"

const char* file_kind(mode_t mode)
{
    if (S_ISREG(mode))
        return "a regular file";
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISLNK(mode))
        return "a symbolic link";
    return "not a regular file";
}

namespace {

std::string reason(int err)
{
    return plain_reason(std::strerror(err != 0 ? err : EIO));
}

// Writes all of `bytes` to `fd`; returns 0 or the error.
int write_all(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += size_t(n);
    }
    return 0;
}

// Gives `from` the name `to` unless that name is taken; 0 or the error
// (EEXIST when taken). A file system without the no-replace rename gets a
// second name for the file by a link instead (which fails the same way on a
// name taken), and the first name goes.
int rename_unless_taken(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

} // namespace

bool write_file_atomically(const std::string& path, const std::string& bytes, std::string& why, bool replace)
{
    struct stat st {};
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && !replace) {
        why = "it exists already";
        return false;
    }
    if (exists && S_ISLNK(st.st_mode)) {
        why = "it is a symbolic link, which is never written through";
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        why = std::string("it is ") + file_kind(st.st_mode) + ", not a regular file";
        return false;
    }
    // The new file beside the old one: a rename across file systems would
    // copy, and a copy is not one step. Hidden, so a folder listing taken
    // meanwhile does not show it.
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = dir + "." + base + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        why = reason(errno);
        return false;
    }
    temp = name.data();
    // mkstemp makes the file private; give it what any new file gets by
    // the user's umask (not the old file's mode, which may be what made it
    // unreadable).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    int err = ::fchmod(fd, 0666 & ~mask) != 0 ? errno : 0;
    if (err == 0)
        err = write_all(fd, bytes);
    // On the disk before the rename: otherwise a crash just after it could
    // leave the new name on an empty file.
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && replace && ::rename(temp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err == 0 && !replace)
        err = rename_unless_taken(temp, path);
    if (err != 0)
        ::unlink(temp.c_str());
    if (err == EEXIST) {
        why = "it exists already";
        return false;
    }
    if (err != 0) {
        why = reason(err);
        return false;
    }
    // The rename itself on the disk; a folder that cannot be synced (some
    // file systems refuse) still has the complete file under one name or
    // the other.
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}
