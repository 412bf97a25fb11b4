#pragma once
// The remapper's own texts and names, exactly as the user sees them.

inline constexpr const char* WindowTitle = "Vaskor Skin Remaper";
inline constexpr int WindowWidth = 450;
inline constexpr int WindowHeight = 110;

inline constexpr const char* PaletteFileName = "skins.ipl";
inline constexpr const char* SkinExtension = ".bmp";

inline constexpr const char* FileText = "Remapping: %s";
inline constexpr const char* TimeText = "Time remaining: %5.1f second(s)";
inline constexpr const char* TimeLabelStart = "Time remaining:";
inline constexpr const char* DoneName = "done.";
inline constexpr const char* QuitText = "Quit";

inline constexpr const char* ErrorCaption = "Error";
inline constexpr const char* PaletteFailedText = "Can't load palette: %s";
inline constexpr const char* WriteFailedText = "Can't write file: %s";
inline constexpr const char* ChangedText = "%s changed while it was converted; left alone";
inline constexpr const char* LookAtCaption = "Files left as they were";
inline constexpr const char* LookAtText = "These files were left as they were:";
inline constexpr const char* WatchFailedText = "Can't follow the folder for saves";
inline constexpr const char* PaletteReloadedText =
    "The palette %s was saved: the skins saved from now on take it.";
inline constexpr const char* PaletteKeptText = "the palette used so far stays";
inline constexpr const char* BeingWrittenText =
    "%s is being written by another program; left alone";
inline constexpr const char* KeptAsideText =
    "Can't write file: %s changed at the moment it was replaced; the file that came out of its "
    "place is kept as %s";
inline constexpr const char* UnflushedText =
    "%s is converted, but its folder could not be flushed to the disk: a power loss now may "
    "bring back the old file";
inline constexpr const char* KeptAtStartText =
    "A file a stopped run left under a temporary name is kept as %s";
