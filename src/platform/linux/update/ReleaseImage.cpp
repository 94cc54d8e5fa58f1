#include "platform/linux/update/ReleaseImage.h"

#include "platform/linux/update/BundleManifest.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace ReleaseImage {

namespace {

constexpr std::uint64_t maximumExtractedSize = 2ULL * 1024 * 1024 * 1024;
constexpr std::size_t maximumEntries = 200000;
// Every name is kept until the image is checked, so names are bounded too: a bundle's deepest file
// is a few folders down and its longest name well under these.
constexpr std::size_t maximumNameLength = 1024;
constexpr std::size_t maximumDepth = 32;
constexpr std::size_t maximumNameBytes = std::size_t{32} * 1024 * 1024;
constexpr std::string_view topFolder = "Kestrix.app";
constexpr fs::perms allWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

struct ReadArchive {
    archive *handle = archive_read_new();
    ~ReadArchive() { archive_read_free(handle); }
};
struct DiskWriter {
    archive *handle = archive_write_disk_new();
    ~DiskWriter() { archive_write_free(handle); }
};
struct WriteArchive {
    archive *handle = archive_write_new();
    ~WriteArchive() { archive_write_free(handle); }
};

// The entry's path relative to the image root with a leading "./" and a trailing "/" dropped, or
// nothing when it is absolute, has an empty, "." or ".." component, is longer than
// maximumNameLength or deeper than maximumDepth.
std::optional<std::string> relativeEntryPath(std::string_view name)
{
    if (name.size() > maximumNameLength) {
        return std::nullopt;
    }
    while (name.starts_with("./")) {
        name.remove_prefix(2);
    }
    if (name.ends_with('/')) {
        name.remove_suffix(1);
    }
    if (name.empty() || name.front() == '/') {
        return std::nullopt;
    }
    std::string_view rest = name;
    for (std::size_t depth = 1;; ++depth) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        if (part.empty() || part == "." || part == ".." || depth > maximumDepth) {
            return std::nullopt;
        }
        if (slash == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(slash + 1);
    }
    return std::string(name);
}

bool isInside(const fs::path &path, const fs::path &root)
{
    const auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end();
}

void emptyFolder(const fs::path &folder)
{
    std::error_code error;
    makeWritable(folder);
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

// Read-only, as an attached image is: no write bit anywhere, links untouched.
void makeReadOnly(const fs::path &root)
{
    std::error_code error;
    std::vector<fs::path> folders{root};
    for (fs::recursive_directory_iterator it(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const fs::file_status status = it->symlink_status(error);
        if (error || fs::is_symlink(status)) {
            continue;
        }
        if (fs::is_directory(status)) {
            folders.push_back(it->path()); // after their contents, or the walk could not go on
        } else {
            fs::permissions(it->path(), allWrite, fs::perm_options::remove, error);
        }
    }
    std::reverse(folders.begin(), folders.end());
    for (const fs::path &folder : folders) {
        fs::permissions(folder, allWrite, fs::perm_options::remove, error);
    }
}

} // namespace

void makeWritable(const fs::path &root)
{
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(root, error))) {
        return;
    }
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, error);
    for (fs::recursive_directory_iterator it(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const fs::file_status status = it->symlink_status(error);
        if (!error && fs::is_directory(status)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
}

bool attach(const fs::path &image, const fs::path &mountPoint, std::string *why)
{
    const auto fail = [&](std::string reason) {
        if (why) {
            *why = std::move(reason);
        }
        emptyFolder(mountPoint);
        return false;
    };
    std::error_code error;
    // Resolved once: the secure extraction refuses any link among the folders of a path.
    const fs::path root = fs::canonical(mountPoint, error);
    if (error || !fs::is_directory(root) || !fs::is_empty(root, error)) {
        if (why) {
            *why = "the mount point is not an empty folder";
        }
        return false;
    }

    ReadArchive reader;
    // Only what images are made of: tar, compressed with gzip or not at all. Every other filter
    // and format is more parser exposed to unauthenticated bytes. libarchive answers ARCHIVE_WARN
    // when it would run an external gzip program instead of zlib; that is refused as well.
    if (archive_read_support_filter_gzip(reader.handle) != ARCHIVE_OK ||
        archive_read_support_filter_none(reader.handle) != ARCHIVE_OK ||
        archive_read_support_format_tar(reader.handle) != ARCHIVE_OK) {
        return fail("this build cannot read images without external programs");
    }
    if (archive_read_open_filename(reader.handle, image.c_str(), 65536) != ARCHIVE_OK) {
        return fail("not a readable image");
    }
    DiskWriter writer;
    archive_write_disk_set_options(writer.handle, ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                      ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_NO_OVERWRITE);

    std::set<std::string> seen;
    std::vector<fs::path> links;
    std::uint64_t total = 0;
    std::size_t nameBytes = 0;
    archive_entry *entry = nullptr;
    while (true) {
        const int status = archive_read_next_header(reader.handle, &entry);
        if (status == ARCHIVE_EOF) {
            break;
        }
        if (status != ARCHIVE_OK) {
            return fail("damaged image");
        }
        const char *rawName = archive_entry_pathname(entry);
        const std::string_view rawView = rawName ? std::string_view(rawName) : std::string_view();
        const auto name = rawName ? relativeEntryPath(rawView) : std::nullopt;
        if (!name) {
            return fail("entry outside the image's folder, too long or too deep: " +
                        std::string(rawView.substr(0, maximumNameLength)));
        }
        if (seen.size() >= maximumEntries) {
            return fail("too many entries");
        }
        nameBytes += name->size();
        if (nameBytes > maximumNameBytes) {
            return fail("too many entries");
        }
        const mode_t type = archive_entry_filetype(entry);
        if (archive_entry_hardlink(entry) != nullptr) {
            return fail("hard link: " + *name);
        }
        if (type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK) {
            return fail("neither a file, a folder nor a link: " + *name);
        }
        // A folder may be named again (tar writers do); anything else only once.
        if (!seen.insert(*name).second && type != AE_IFDIR) {
            return fail("repeated entry: " + *name);
        }
        if (type == AE_IFLNK) {
            const char *target = archive_entry_symlink(entry);
            if (!target || !BundleManifest::isContainedLinkTarget(*name, target)) {
                return fail("link leaving the image: " + *name);
            }
            links.push_back(root / *name);
        }
        if (type == AE_IFREG) {
            total += std::uint64_t(std::max<la_int64_t>(archive_entry_size(entry), 0));
            if (total > maximumExtractedSize) {
                return fail("image too large");
            }
        }
        archive_entry_set_pathname(entry, (root / *name).c_str());
        archive_entry_set_perm(entry, archive_entry_perm(entry) & 0777);
        if (archive_write_header(writer.handle, entry) != ARCHIVE_OK) {
            return fail(std::string("cannot extract ") + *name + ": " + archive_error_string(writer.handle));
        }
        if (type == AE_IFREG) {
            const void *block = nullptr;
            std::size_t size = 0;
            la_int64_t offset = 0;
            std::uint64_t written = 0;
            while (true) {
                const int read = archive_read_data_block(reader.handle, &block, &size, &offset);
                if (read == ARCHIVE_EOF) {
                    break;
                }
                written += size;
                if (read != ARCHIVE_OK || written > std::uint64_t(archive_entry_size(entry)) ||
                    archive_write_data_block(writer.handle, block, size, offset) != ARCHIVE_OK) {
                    return fail("cannot extract " + *name);
                }
            }
        }
        if (archive_write_finish_entry(writer.handle) != ARCHIVE_OK) {
            return fail("cannot extract " + *name);
        }
    }
    if (archive_write_close(writer.handle) != ARCHIVE_OK) {
        return fail("cannot finish the extraction");
    }
    // Each link stays inside read as text; this also holds once links are followed through others.
    for (const fs::path &link : links) {
        const fs::path resolved = fs::weakly_canonical(link, error);
        if (error || !isInside(resolved, root)) {
            return fail("link leaving the image: " + link.lexically_relative(root).string());
        }
    }
    makeReadOnly(root);
    return true;
}

bool detach(const fs::path &mountPoint)
{
    std::error_code error;
    makeWritable(mountPoint);
    fs::remove_all(mountPoint, error);
    return !fs::exists(fs::symlink_status(mountPoint, error));
}

std::string pack(const fs::path &bundle, const fs::path &image)
{
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(bundle, error))) {
        return "not a folder: " + bundle.string();
    }
    std::vector<fs::path> paths;
    for (fs::recursive_directory_iterator it(bundle, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        paths.push_back(it->path());
    }
    if (error) {
        return "cannot list " + bundle.string();
    }
    std::sort(paths.begin(), paths.end()); // the same folder always gives the same image

    WriteArchive writer;
    archive_write_add_filter_gzip(writer.handle);
    archive_write_set_format_pax_restricted(writer.handle);
    if (archive_write_open_filename(writer.handle, image.c_str()) != ARCHIVE_OK) {
        return "cannot write " + image.string();
    }
    std::unique_ptr<archive, decltype(&archive_read_free)> disk(archive_read_disk_new(), archive_read_free);
    archive_read_disk_set_symlink_physical(disk.get());
    paths.insert(paths.begin(), bundle);
    for (const fs::path &path : paths) {
        const fs::path relative =
            path == bundle ? fs::path(topFolder) : fs::path(topFolder) / path.lexically_relative(bundle);
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
        archive_entry_copy_sourcepath(entry.get(), path.c_str());
        if (archive_read_disk_entry_from_file(disk.get(), entry.get(), -1, nullptr) != ARCHIVE_OK) {
            return "cannot read " + path.string();
        }
        archive_entry_set_pathname(entry.get(), relative.generic_string().c_str());
        archive_entry_set_uid(entry.get(), 0);
        archive_entry_set_gid(entry.get(), 0);
        archive_entry_set_uname(entry.get(), "");
        archive_entry_set_gname(entry.get(), "");
        if (archive_write_header(writer.handle, entry.get()) != ARCHIVE_OK) {
            return "cannot write " + image.string();
        }
        if (archive_entry_filetype(entry.get()) == AE_IFREG) {
            FILE *file = std::fopen(path.c_str(), "rb");
            if (!file) {
                return "cannot read " + path.string();
            }
            char buffer[65536];
            std::size_t got = 0;
            bool ok = true;
            while (ok && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
                ok = archive_write_data(writer.handle, buffer, got) == la_ssize_t(got);
            }
            std::fclose(file);
            if (!ok) {
                return "cannot write " + image.string();
            }
        }
    }
    if (archive_write_close(writer.handle) != ARCHIVE_OK) {
        return "cannot finish " + image.string();
    }
    return {};
}

} // namespace ReleaseImage
