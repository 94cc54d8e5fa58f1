#pragma once

#include <filesystem>
#include <string>

// Release images: gzip-compressed tar archives holding one folder, "Kestrix.app/", at their top.
// Every function is safe to call from any thread.
namespace ReleaseImage {

// Extracts the image into the existing, empty folder `mountPoint` and makes the result read-only.
// The image must be a tar archive, gzip-compressed or not; any other compression or format is
// refused, and no external program is ever run.
// Only folders, regular files and symbolic links that stay inside the folder are accepted: an
// absolute path, a ".." component, a link leaving the tree (or a write through a link), a hard
// link, a device, a pipe, a socket, a repeated path, a name longer than 1,024 bytes or more than
// 32 levels deep, more than 200,000 entries or an oversized image rejects the whole image, and
// then nothing stays in `mountPoint` and nothing was written outside it. Set-id bits and owners
// are never restored.
bool attach(const std::filesystem::path &image, const std::filesystem::path &mountPoint, std::string *why = nullptr);

// Removes the folder that attach() filled, read-only parts included, without following links.
// True when nothing is left at `mountPoint`.
bool detach(const std::filesystem::path &mountPoint);

// Writes the folder `bundle` into a new image at `image`, named "Kestrix.app/" inside it.
// Empty on success, else why it failed.
std::string pack(const std::filesystem::path &bundle, const std::filesystem::path &image);

// Adds the owner's write permission to every folder below `root` (links are not followed) so the
// tree can be moved or deleted.
void makeWritable(const std::filesystem::path &root);

} // namespace ReleaseImage
