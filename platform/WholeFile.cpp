#include "platform/WholeFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

bool WriteAll(int Descriptor, const std::string& Text)
{
    for (size_t done = 0; done < Text.size();) {
        const ssize_t written = ::write(Descriptor, Text.data() + done, Text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const fs::path& Path)
{
    std::ifstream file(Path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad())
        return std::nullopt;
    return std::move(content).str();
}

bool ReplaceWholeFile(const fs::path& Path, const std::string& Text, const struct stat* Old)
{
    static std::atomic<unsigned> counter{0};
    const fs::path directory = Path.has_parent_path() ? Path.parent_path() : fs::path(".");
    fs::path temporary;
    int descriptor = -1;
    for (int attempt = 0; descriptor < 0 && attempt < 100; ++attempt) {
        temporary = directory / ("." + Path.filename().string() + "." + std::to_string(::getpid()) + "." +
                                 std::to_string(counter++));
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            return false;
    }
    if (descriptor < 0)
        return false;

    // A new file that cannot keep the old one's owner and group (the writer not root, the
    // file another's) would take it from those it is shared with: it is given up instead.
    // The mode comes after, as a change of owner clears the set-user and set-group bits.
    bool ok = !Old || (::fchown(descriptor, Old->st_uid, Old->st_gid) == 0 &&
                       ::fchmod(descriptor, Old->st_mode & 07777) == 0);
    ok = ok && WriteAll(descriptor, Text) && ::fsync(descriptor) == 0;
    ok = ::close(descriptor) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), Path.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

bool RewriteWholeFile(const fs::path& Path, const std::string& Text, const std::string& Was)
{
    const int descriptor = ::open(Path.c_str(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const auto writeWhole = [descriptor](const std::string& Bytes) {
        return ::lseek(descriptor, 0, SEEK_SET) == 0 && WriteAll(descriptor, Bytes) &&
               ::ftruncate(descriptor, static_cast<off_t>(Bytes.size())) == 0 && ::fsync(descriptor) == 0;
    };
    bool ok = writeWhole(Text);
    if (!ok)
        writeWhole(Was); // the old text needs no more room than the file had
    ok = ::close(descriptor) == 0 && ok;
    return ok;
}
