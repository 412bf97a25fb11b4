#include "ui/fltk/folder_chooser.h"

#include <FL/Fl_Native_File_Chooser.H>

namespace ui::fltk {
namespace {

constexpr const char* ChooserTitle = "Choose the folder of skins";

} // namespace

// The desktop's own chooser where FLTK finds one (GTK's), else FLTK's.
FolderChoice chooseFolder(std::string& folder) {
    Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_DIRECTORY);
    chooser.title(ChooserTitle);
    switch (chooser.show()) {
    case 0:
        if (chooser.filename() != nullptr && *chooser.filename() != '\0') {
            folder = chooser.filename();
            return FolderChoice::Chosen;
        }
        return FolderChoice::Cancelled;
    case 1:
        return FolderChoice::Cancelled;
    default:
        return FolderChoice::NoWindow;
    }
}

} // namespace ui::fltk
