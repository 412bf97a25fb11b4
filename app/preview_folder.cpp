#include "app/preview_folder.h"

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

bool writeText(const std::string& path, const std::string& text) {
    storage::ReplacingFile file(path.c_str());
    if (file.handle() == platform::InvalidFileHandle) {
        return false;
    }
    FileWStream stream(file.handle());
    const bool written = stream.write(static_cast<int>(text.size()), text.data());
    stream.close();
    return written && file.commit() == storage::CommitResult::Replaced;
}

} // namespace

std::string pictureNameOf(const std::string& skinName) {
    const std::string::size_type extension = std::char_traits<char>::length(SkinExtension);
    if (platform::hasExtension(skinName.c_str(), SkinExtension)) {
        return skinName.substr(0, skinName.size() - extension) + PictureExtension;
    }
    return skinName + PictureExtension;
}

PreviewFolder::PreviewFolder(std::string folder, bool dryRun, bool watching)
    : folder(std::move(folder)), dryRun(dryRun), watching(watching) {}

void PreviewFolder::forget(const std::string& shownName) {
    std::erase_if(entries, [&](const PreviewEntry& entry) { return entry.name == shownName; });
    std::erase_if(leftAlone, [&](const ui::FileToLookAt& file) { return file.name == shownName; });
}

std::string PreviewFolder::pagePath() const {
    return folder + platform::PathSeparator + PreviewPageName;
}

bool PreviewFolder::writePage(bool finished, std::string& why) {
    platform::setLastFileError(platform::FileErrorKind::None);
    if (writeText(pagePath(), previewPage(entries, PreviewPageState{finished, dryRun, leftAlone,
                                                                    watching && !finished}))) {
        return true;
    }
    why = fileProblem();
    return false;
}

std::string PreviewFolder::writePicture(const char* subfolder, const std::string& picture,
                                        const Bitmap& bitmap, const Palette* palette) const {
    std::string path = folder + platform::PathSeparator;
    if (subfolder != nullptr) {
        path += std::string(subfolder) + platform::PathSeparator;
    }
    path += picture;
    platform::setLastFileError(platform::FileErrorKind::None);
    if (writePngFile(path.c_str(), bitmap, palette)) {
        return {};
    }
    return fileProblem();
}

// Only pictures that were written go on the page, by the names a browser reads (UTF-8).
std::string PreviewFolder::addConversion(const char* name, const Bitmap& source,
                                         const Bitmap& result, const Palette& palette,
                                         const ui::ColourDistances& distances) {
    const std::string picture = pictureNameOf(name);
    const std::string shown = platform::utf8FromFileLayerName(name);
    PreviewEntry entry{shown, {}, {}, result.width, result.height, distances, unshowable(result)};
    if (entry.problem.empty()) {
        entry.problem = writePicture(SourcePictureFolder, picture, source, nullptr);
    }
    if (entry.problem.empty()) {
        entry.sourcePicture = std::string(SourcePictureFolder) + "/" + pictureNameOf(shown);
        entry.problem = writePicture(nullptr, picture, result, &palette);
    }
    if (entry.problem.empty()) {
        entry.picture = pictureNameOf(shown);
    }
    forget(shown);
    entries.push_back(entry);
    return entry.problem;
}

std::string PreviewFolder::addConverted(const char* name, const Bitmap& indices,
                                        const Palette& palette) {
    const std::string picture = pictureNameOf(name);
    const std::string shown = platform::utf8FromFileLayerName(name);
    PreviewEntry entry{shown, {}, {}, indices.width, indices.height, {}, unshowable(indices)};
    if (entry.problem.empty()) {
        entry.problem = writePicture(nullptr, picture, indices, &palette);
    }
    if (entry.problem.empty()) {
        entry.picture = pictureNameOf(shown);
    }
    forget(shown);
    entries.push_back(entry);
    return entry.problem;
}

void PreviewFolder::addLeftAlone(const char* name, const std::string& why) {
    const std::string shown = platform::utf8FromFileLayerName(name);
    forget(shown);
    leftAlone.push_back({shown, why});
}
