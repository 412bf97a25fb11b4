#pragma once
// The folders a run is told to use on its command line: the folder of skins to work in and
// the folder the converted skins go to. Paths are as the user gave them, in UTF-8 on
// Windows, so that any name works there.

#include <optional>
#include <string>

namespace platform {

enum class PathKind { Folder, Missing, NotAFolder };

// What `path` names; a link counts as what it points to.
PathKind pathKind(const std::string& path);

// True when the folders `a` and `b` are one folder, reached through links or not.
bool isSameFolder(const std::string& a, const std::string& b);

// `path` made absolute against the current directory, so that it keeps its meaning after
// enterFolder.
std::string absolutePath(const std::string& path);

// Makes `path` the current directory. False, with the system's reason in `why` and
// nothing changed, when it cannot be entered.
bool enterFolder(const std::string& path, std::string& why);

// Makes the folder `path` with any missing parents; true when it exists afterwards.
bool makeFolder(const std::string& path, std::string& why);

// The name by which the file layer reaches `path`. On Windows the file layer takes names
// in the system's code page: a folder whose name has no such form is reached through its
// short name, and nothing comes back when it has neither.
std::optional<std::string> fileLayerPath(const std::string& path);

// A name the file layer handed out (a directory search's, in the system's code page on
// Windows) in UTF-8, for text other programs read, such as a page for a browser. A name
// that cannot be converted comes back as it is.
std::string utf8FromFileLayerName(const std::string& name);

} // namespace platform
