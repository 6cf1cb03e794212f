#include "BadInputs.h"

#include "TestSupport.h"
#include "doc/TextLoader.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace badinputs {

const char* const ODD_NAME = "-lamp 'one' \"two\" caf\xE9.inf";

Input MakeInput(const std::string& kind, const fs::path& folder)
{
    using testsupport::WriteFile;
    const fs::path file = folder / "input.inf";
    const auto regular = [&](const std::string& bytes) {
        WriteFile(file, bytes);
        return Input{file.string(), true};
    };
    const std::string line1019(1019, 'a');
    const std::string line1020(1020, 'a');
    const std::string line1021(1021, 'a');

    if (kind == "missing") return {(folder / "missing.inf").string()};
    if (kind == "directory") {
        fs::create_directory(folder / "folder.inf");
        return {(folder / "folder.inf").string()};
    }
    if (kind == "unreadable") {
        Input input = regular("Object lamp;\n");
        fs::permissions(file, fs::perms::none);
        // The folder itself stays open to everyone, so that only the file's own
        // permission is in the way.
        fs::permissions(folder, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        return input;
    }
    if (kind == "fifo") {
        if (mkfifo((folder / "pipe.inf").c_str(), 0600) != 0) std::abort();
        return {(folder / "pipe.inf").string()};
    }
    if (kind == "dev-zero") return {"/dev/zero"};
    if (kind == "dev-urandom") return {"/dev/urandom"};
    if (kind == "empty") return regular("");
    if (kind == "nul") return regular(std::string(3, '\0'));
    if (kind == "ctrl-z") return regular("\x1A");
    if (kind == "crlf") return regular("\r\n");
    if (kind == "lone-cr") return regular("a;\rb;\r");
    if (kind == "line-1019-first") return regular(line1019 + "\nx;\n");
    if (kind == "line-1020-first") return regular(line1020 + "\nx;\n");
    if (kind == "line-1021-first") return regular(line1021 + "\nx;\n");
    if (kind == "line-1019-last") return regular("x;\n" + line1019);
    if (kind == "line-1020-last") return regular("x;\n" + line1020);
    if (kind == "line-1021-last") return regular("x;\n" + line1021);
    if (kind == "elf") return {fs::read_symlink("/proc/self/exe").string(), true};
    if (kind == "odd-name" || kind == "odd-name-relative") {
        WriteFile(folder / ODD_NAME, "Object lamp;\n");
        const fs::path path = kind == "odd-name" ? folder / ODD_NAME : fs::path(ODD_NAME);
        return {path.string(), true};
    }
    if (kind == "control-name-relative") return {"x\xC2\x9B" "2J\xE2\x80\xAE.inf"};  // missing; a C1 and a bidi control
    if (kind == "symlink-loop") {
        fs::create_symlink("loop.inf", folder / "loop.inf");
        return {(folder / "loop.inf").string()};
    }
    if (kind == "shrinks" || kind == "shrinks-to-nothing" || kind == "grows") {
        WriteFile(file, "Object a;\nObject b;\n");
        return {file.string()};
    }
    if (kind == "larger-than-the-limit") {
        // One byte more than a source may have, most of it a hole that takes no room.
        WriteFile(file, "Object a;\n");
        if (truncate(file.c_str(), static_cast<off_t>(MAX_SOURCE_BYTES + 1)) != 0) std::abort();
        return {file.string()};  // not read back: a gigabyte
    }
    if (kind == "shrinks-in-crlf") {
        WriteFile(file, "a;\r\nb;\r\n");
        return {file.string()};
    }
    std::abort();  // a kind this file does not know
}

ChangeWhileRead::ChangeWhileRead(const std::string& kind)
{
    off_t keep = -1;
    if (kind == "shrinks") keep = 10;              // "Object a;\n"
    if (kind == "shrinks-in-crlf") keep = 3;       // "a;\r", its LF cut off
    if (kind == "shrinks-to-nothing") keep = 0;
    if (keep >= 0) {
        SetLoadPauseForTesting([keep](const std::string& path) {
            if (truncate(path.c_str(), keep) != 0) std::abort();
        });
    } else if (kind == "grows") {
        SetLoadPauseForTesting([](const std::string& path) {
            const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
            if (fd < 0 || write(fd, "Object c;\n", 10) != 10) std::abort();
            close(fd);
        });
    }
}

ChangeWhileRead::~ChangeWhileRead()
{
    SetLoadPauseForTesting(nullptr);
}

AsNobody::AsNobody()
{
    if (geteuid() != 0) {
        m_active = true;  // the file's permission already applies
        return;
    }
    constexpr int kNobody = 65534;
    m_previousGid = setfsgid(kNobody);
    m_previousUid = setfsuid(kNobody);
    // setfsuid reports the previous id whether or not it changed anything; ask again.
    m_active = setfsuid(-1) == kNobody;
}

AsNobody::~AsNobody()
{
    if (m_previousUid >= 0) setfsuid(m_previousUid);
    if (m_previousGid >= 0) setfsgid(m_previousGid);
}

WorkingFolder::WorkingFolder(const fs::path& folder) : m_previous(fs::current_path())
{
    fs::current_path(folder);
}

WorkingFolder::~WorkingFolder()
{
    std::error_code ignored;
    fs::current_path(m_previous, ignored);
}

Stamp StampOf(const std::string& path)
{
    Stamp stamp;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) stamp.modified = st.st_mtim;
    stamp.bytes = testsupport::ReadFile(path);
    return stamp;
}

}  // namespace badinputs
