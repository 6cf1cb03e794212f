#include "FileStamp.h"

#include <sys/stat.h>

FileStamp FileStamp::Of(const std::string& path)
{
    struct stat st {};
    FileStamp stamp;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
    stamp.exists = true;
    stamp.size = st.st_size;
    stamp.modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    return stamp;
}
