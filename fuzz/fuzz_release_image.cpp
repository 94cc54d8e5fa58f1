// Release images as an update server could send them: any bytes, through the real extraction into
// a temporary folder. Whatever the input, nothing is written outside the mount folder, a refused
// image leaves that folder empty, an accepted one holds only folders, regular files and links
// that stay inside it, and detaching removes it all.
#include "platform/linux/update/ReleaseImage.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fputs("invariant broken: " #condition "\n", stderr);                                                  \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

namespace fs = std::filesystem;

namespace {

// One folder for the whole run: the image file, the mount folder and an empty neighbour that must
// stay empty. In memory where the system offers a folder for that (each input creates and removes
// files, which on a disk costs milliseconds). Removed at exit.
const fs::path &workFolder()
{
    // Never destroyed, so the exit handler can still use it.
    static const fs::path *folder = [] {
        std::error_code error;
        const fs::path shared = "/dev/shm";
        const fs::path parent =
            fs::is_directory(shared, error) && ::access(shared.c_str(), W_OK) == 0 ? shared : fs::temp_directory_path();
        std::string name = (parent / "fuzz_release_image.XXXXXX").string();
        if (!::mkdtemp(name.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        auto *made = new fs::path(name);
        fs::create_directory(*made / "neighbour");
        std::atexit([] {
            std::error_code ignored;
            ReleaseImage::makeWritable(workFolder());
            fs::remove_all(workFolder(), ignored);
        });
        return made;
    }();
    return *folder;
}

bool isInside(const fs::path &path, const fs::path &root)
{
    auto r = root.begin();
    for (auto p = path.begin(); r != root.end(); ++p, ++r) {
        if (p == path.end() || *p != *r) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const fs::path &work = workFolder();
    const fs::path image = work / "image";
    const fs::path mount = work / "mount";
    {
        std::ofstream out(image, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data), std::streamsize(size));
        FUZZ_REQUIRE(out.good());
    }
    std::error_code error;
    FUZZ_REQUIRE(fs::create_directory(mount, error));
    const fs::path root = fs::canonical(mount);

    if (ReleaseImage::attach(image, mount)) {
        for (fs::recursive_directory_iterator it(mount, error); !error && it != fs::recursive_directory_iterator();
             it.increment(error)) {
            const fs::file_status status = it->symlink_status(error);
            FUZZ_REQUIRE(fs::is_directory(status) || fs::is_regular_file(status) || fs::is_symlink(status));
            FUZZ_REQUIRE((status.permissions() & (fs::perms::set_uid | fs::perms::set_gid)) == fs::perms::none);
            if (fs::is_symlink(status)) {
                FUZZ_REQUIRE(isInside(fs::weakly_canonical(it->path(), error), root));
            }
        }
        FUZZ_REQUIRE(!error);
    } else {
        FUZZ_REQUIRE(fs::is_empty(mount, error));
    }
    FUZZ_REQUIRE(ReleaseImage::detach(mount));

    // Nothing else appeared in the work folder or in its neighbour.
    std::size_t entries = 0;
    for (fs::directory_iterator it(work, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        FUZZ_REQUIRE(it->path() == image || it->path() == work / "neighbour");
        ++entries;
    }
    FUZZ_REQUIRE(entries == 2 && fs::is_empty(work / "neighbour", error));
    return 0;
}
