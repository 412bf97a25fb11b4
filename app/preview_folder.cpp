#include "app/preview_folder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "bitmap/bitmap.h"
#include "bitmap/png_writer.h"
#include "core/file_wstream.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "storage/replacing_file.h"

namespace {

constexpr const char* SkinExtension = ".bmp";
constexpr const char* PictureExtension = ".png";

// What went wrong with the last file write, in the words a user can act on.
std::string fileProblem() {
    switch (platform::lastFileError()) {
    case platform::FileErrorKind::None:
        return "not enough memory";
    case platform::FileErrorKind::AccessDenied:
    case platform::FileErrorKind::InvalidAccess:
        return "permission denied";
    case platform::FileErrorKind::DiskFull:
        return "the disk is full";
    case platform::FileErrorKind::FileNotFound:
    case platform::FileErrorKind::PathNotFound:
        return "the folder is gone";
    case platform::FileErrorKind::SharingViolation:
        return "the file is in use";
    case platform::FileErrorKind::NotRegularFile:
        return "something other than a file has its name";
    case platform::FileErrorKind::TooManyOpenFiles:
    case platform::FileErrorKind::InvalidHandle:
    case platform::FileErrorKind::Other:
        break;
    }
    return "the system refused the write";
}

// Why a bitmap has no picture, before any write is tried; nothing when it can have one.
std::string unshowable(const Bitmap& bitmap) {
    if (bitmap.width == 0 || bitmap.height == 0) {
        return "the image is empty";
    }
    if (std::int64_t{bitmap.width} * bitmap.height > MaxPngPixels) {
        return "the image is too large for a picture";
    }
    return {};
}

// Writes `name` into `folder` through `write`, which fills the stream; replaced whole, and
// only as an entry of that folder: a link under the name is replaced, never followed.
template <typename Write>
bool writeInto(const platform::SharedFolder& folder, const std::string& name, Write write) {
    storage::ReplacingFile file(folder, name);
    if (file.handle() == platform::InvalidFileHandle) {
        return false;
    }
    FileWStream stream(file.handle());
    const bool written = write(stream);
    stream.close();
    return written && file.commit() == storage::CommitResult::Replaced;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string pictureNameOf(const std::string& skinName, const std::string& suffix) {
    const std::string::size_type extension = std::char_traits<char>::length(SkinExtension);
    if (platform::hasExtension(skinName.c_str(), SkinExtension)) {
        return skinName.substr(0, skinName.size() - extension) + suffix + PictureExtension;
    }
    return skinName + suffix + PictureExtension;
}

PreviewFolder::PreviewFolder(std::string folder, bool dryRun, DitherMethod dither,
                             bool watching)
    : folder(std::move(folder)), dryRun(dryRun), dither(dither), watching(watching),
      top(std::make_shared<const platform::HeldFolder>(this->folder)) {
    if (!top->isOpen()) {
        openError = platform::lastFileError();
        return;
    }
    sources = std::make_shared<const platform::HeldFolder>(*top, SourcePictureFolder);
    if (!sources->isOpen()) {
        openError = platform::lastFileError();
    }
}

std::string PreviewFolder::unopened() const {
    if (!top->isOpen()) {
        platform::setLastFileError(openError);
        return fileProblem();
    }
    return std::string("its folder '") + SourcePictureFolder + "' is " +
           (openError == platform::FileErrorKind::NotRegularFile ? "a link or not a folder"
                                                                 : "out of reach");
}

// Names that differ only in letter case (or in the case of ".bmp") would draw into one
// picture, and on many file systems they are one name.
std::string PreviewFolder::pictureSuffix(const std::string& name) {
    if (const auto known = suffixes.find(name); known != suffixes.end()) {
        return known->second; // saved again while watching: the same pictures
    }
    for (int n = 1;; ++n) {
        char text[16] = "";
        if (n > 1) {
            std::snprintf(text, sizeof text, "-%d", n);
        }
        const std::string suffix(text);
        if (picturesTaken.insert(lowerCase(pictureNameOf(name, suffix))).second) {
            suffixes.emplace(name, suffix);
            return suffix;
        }
    }
}

std::string PreviewFolder::pagePath() const {
    return folder + platform::PathSeparator + PreviewPageName;
}

bool PreviewFolder::writePage(bool finished, std::string& why) {
    if (openError != platform::FileErrorKind::None) {
        why = unopened();
        return false;
    }
    platform::setLastFileError(platform::FileErrorKind::None);
    const std::string page =
        previewPage(entries, PreviewPageState{finished, dryRun, dither, leftAlone, watching && !finished});
    if (writeInto(top, PreviewPageName, [&page](FileWStream& stream) {
            return stream.write(static_cast<int>(page.size()), page.data());
        })) {
        return true;
    }
    why = fileProblem();
    return false;
}

std::string PreviewFolder::writePicture(const platform::SharedFolder& into,
                                        const std::string& picture, const Bitmap& bitmap,
                                        const Palette* palette) const {
    if (openError != platform::FileErrorKind::None) {
        return unopened();
    }
    platform::setLastFileError(platform::FileErrorKind::None);
    if (writeInto(into, picture,
                  [&](FileWStream& stream) { return writePng(stream, bitmap, palette); })) {
        return {};
    }
    return fileProblem();
}

// Only pictures that were written go on the page, by the names a browser reads (UTF-8).
std::string PreviewFolder::addConversion(const char* name, const Bitmap& source,
                                         const Bitmap& result, const Palette& palette,
                                         const ui::ColourDistances& distances) {
    const std::string suffix = pictureSuffix(name);
    const std::string picture = pictureNameOf(name, suffix);
    const std::string shown = platform::utf8FromFileLayerName(name);
    PreviewEntry entry{shown, {}, {}, result.width, result.height, distances, unshowable(result),
                       {}};
    if (entry.problem.empty()) {
        entry.problem = writePicture(sources, picture, source, nullptr);
    }
    if (entry.problem.empty()) {
        entry.sourcePicture = std::string(SourcePictureFolder) + "/" + pictureNameOf(shown, suffix);
        entry.problem = writePicture(top, picture, result, &palette);
    }
    if (entry.problem.empty()) {
        entry.picture = pictureNameOf(shown, suffix);
    }
    forget(name);
    entries.push_back(entry);
    skinNames.push_back(name);
    return entry.problem;
}

std::string PreviewFolder::addConverted(const char* name, const Bitmap& indices,
                                        const Palette& palette) {
    const std::string suffix = pictureSuffix(name);
    const std::string picture = pictureNameOf(name, suffix);
    const std::string shown = platform::utf8FromFileLayerName(name);
    PreviewEntry entry{shown, {}, {}, indices.width, indices.height, {}, unshowable(indices), {}};
    if (entry.problem.empty()) {
        entry.problem = writePicture(top, picture, indices, &palette);
    }
    if (entry.problem.empty()) {
        entry.picture = pictureNameOf(shown, suffix);
    }
    forget(name);
    entries.push_back(entry);
    skinNames.push_back(name);
    return entry.problem;
}

void PreviewFolder::markNotWritten(const std::string& name, const char* why) {
    const auto found = std::find(skinNames.rbegin(), skinNames.rend(), name);
    if (found != skinNames.rend()) {
        entries[static_cast<std::size_t>(skinNames.rend() - found - 1)].notWritten = why;
    }
}

void PreviewFolder::addLeftAlone(const char* name, const std::string& why) {
    forget(name);
    leftAlone.push_back({platform::utf8FromFileLayerName(name), why});
}

void PreviewFolder::forget(const std::string& name) {
    for (std::size_t i = skinNames.size(); i-- > 0;) {
        if (skinNames[i] == name) {
            skinNames.erase(skinNames.begin() + static_cast<std::ptrdiff_t>(i));
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    const std::string shown = platform::utf8FromFileLayerName(name);
    std::erase_if(leftAlone, [&](const ui::FileToLookAt& file) { return file.name == shown; });
}
