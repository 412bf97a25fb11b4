#pragma once
// The pictures of a run with a preview folder: for each skin converted, the skin before
// (in the subfolder "source") and after, drawn in the game palette's colours; for each skin
// converted before, the result; and index.html, the page that shows them all. Picture
// names are the skins' own with ".png" for ".bmp".

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/preview_page.h"
#include "platform/file.h"
#include "platform/held_folder.h"

class Bitmap;
struct Palette;

// The subfolder of the pictures of the skins before conversion.
inline constexpr const char* SourcePictureFolder = "source";
inline constexpr const char* PreviewPageName = "index.html";

// The folder is held open for the run, and so is its subfolder, which must be a folder of
// its own, not a link: every picture and the page go into them and nowhere else, whatever
// links they come to hold.
class PreviewFolder {
  public:
    // `folder` is the file layer's name of the folder, which exists with its subfolder.
    // While `watching`, the page reloads itself in the browser every few seconds.
    PreviewFolder(std::string folder, bool dryRun, DitherMethod dither = DitherMethod::None,
                  bool watching = false);

    // Writes the page with every skin added so far; `finished` once the run is over. False
    // when it cannot be written, with what went wrong in `why`.
    bool writePage(bool finished, std::string& why);

    // Adds a skin converted in this run and writes its two pictures. Returns why a picture
    // could not be written, or nothing.
    std::string addConversion(const char* name, const Bitmap& source, const Bitmap& result,
                              const Palette& palette, const ui::ColourDistances& distances);
    // Adds a skin converted before and writes its picture. Returns why it could not be, or
    // nothing.
    std::string addConverted(const char* name, const Bitmap& indices, const Palette& palette);
    // The conversion of a skin added before was not put in place, for `why`: the page says
    // so beside its pictures.
    void markNotWritten(const std::string& name, const char* why);

    // Adds a file left alone, which has no picture, with why.
    void addLeftAlone(const char* name, const std::string& why);

    // Where the page is, in the file layer's naming.
    std::string pagePath() const;

  private:
    // Writes one picture into `into`; returns why it could not, or nothing.
    std::string writePicture(const platform::SharedFolder& into, const std::string& picture,
                             const Bitmap& bitmap, const Palette* palette) const;
    // What makes the pictures of `name` differ from every other skin's: nothing, or "-2",
    // "-3", ... for a second skin whose name differs only in letter case or extension.
    std::string pictureSuffix(const std::string& name);
    // Why nothing can be written into the folders, when they could not be opened.
    std::string unopened() const;
    // A skin saved again while watching is shown as it is now, once.
    void forget(const std::string& name);

    std::string folder;
    bool dryRun;
    DitherMethod dither;
    bool watching;
    platform::SharedFolder top;
    platform::SharedFolder sources;
    platform::FileErrorKind openError = platform::FileErrorKind::None;
    std::vector<PreviewEntry> entries;
    std::vector<std::string> skinNames;  // the file layer's name of each entry's skin
    std::set<std::string> picturesTaken;            // in lower case
    std::map<std::string, std::string> suffixes;    // of each skin given pictures
    std::vector<ui::FileToLookAt> leftAlone;        // by the names a browser reads
};

// The picture's name of a skin: ".png" in place of ".bmp", whatever its letter case, with
// `suffix` before it.
std::string pictureNameOf(const std::string& skinName, const std::string& suffix = {});
