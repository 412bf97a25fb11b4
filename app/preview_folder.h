#pragma once
// The pictures of a run with a preview folder: for each skin converted, the skin before
// (in the subfolder "source") and after, drawn in the game palette's colours; for each skin
// converted before, the result; and index.html, the page that shows them all. Picture
// names are the skins' own with ".png" for ".bmp".

#include <string>
#include <vector>

#include "app/preview_page.h"

class Bitmap;
struct Palette;

// The subfolder of the pictures of the skins before conversion.
inline constexpr const char* SourcePictureFolder = "source";
inline constexpr const char* PreviewPageName = "index.html";

class PreviewFolder {
  public:
    // `folder` is the file layer's name of the folder, which exists with its subfolder.
    // While `watching`, the page reloads itself in the browser every few seconds.
    PreviewFolder(std::string folder, bool dryRun, bool watching = false);

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

    // Adds a file left alone, which has no picture, with why.
    void addLeftAlone(const char* name, const std::string& why);

    // Where the page is, in the file layer's naming.
    std::string pagePath() const;

  private:
    // Writes one picture into the folder, or into its `subfolder` unless that is null;
    // returns why it could not, or nothing.
    std::string writePicture(const char* subfolder, const std::string& picture,
                             const Bitmap& bitmap, const Palette* palette) const;

    // A skin saved again while watching is shown as it is now, once.
    void forget(const std::string& shownName);

    std::string folder;
    bool dryRun;
    bool watching;
    std::vector<PreviewEntry> entries;
    std::vector<ui::FileToLookAt> leftAlone;
};

// The picture's name of a skin: ".png" in place of ".bmp", whatever its letter case.
std::string pictureNameOf(const std::string& skinName);
